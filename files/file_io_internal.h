// Helpers shared by the portable and the platform parts of file_io.
#pragma once

#include <string>

#include "files/file_io.h"

namespace kelvane::file_io_internal {

// How often a temporary name is tried before giving up.
inline constexpr int kNameAttempts = 100;

// A fresh, unforeseeable temporary file name in `folder` (which ends with
// its separator, or is empty for the current folder).
std::string TemporaryName(const std::string& folder);

// The rules for an existing target `found` under `options`: 0 when it may be
// replaced, else the cause. `expected` is set when the target is the input,
// which must then still be unchanged when it is replaced.
int CheckExistingTarget(const FileIdentity& found, const WriteOptions& options,
                        const FileIdentity*& expected);

// Names of temporary files that the signal or console handlers remove. A
// handler may only use async-signal-safe calls, so the names live in fixed
// slots whose state is a lock-free atomic: claimed, filled, then marked ready.
// ClaimNameSlot gives -1 when no slot is free (that name is then not removed
// by a signal; the replacement still works). RemoveClaimedNames calls
// `remove` on every ready name and is safe in a signal handler.
int ClaimNameSlot(const std::string& path);
void ReleaseNameSlot(int& slot);
void RemoveClaimedNames(void (*remove)(const char* path));

// Makes replacements use named temporary files even where O_TMPFILE works,
// so that tests can reach the named path (its mode, its removal by signals).
void UseNamedTemporaryFiles(bool named);

}  // namespace kelvane::file_io_internal
