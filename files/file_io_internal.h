// What the portable and the platform parts of file_io share: the platform's
// half of a replacement, the rules for an existing target, temporary names
// and the slots that let a signal handler remove them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "files/file_io.h"

namespace kelvane {

// The file being written for a FileReplacement (a temporary file beside the
// target, or a device, pipe or descriptor written through) and how it is put
// in place. Destroying it before Commit removes the temporary file.
class FileReplacement::Platform {
 public:
  virtual ~Platform() = default;
  virtual int Write(std::string_view bytes) = 0;
  virtual int Commit() = 0;
};

namespace file_io_internal {

// Opens the platform's replacement of the file at `path`, or of `name` in
// `folder`: 0 and `file`, or the cause. The path is not empty.
int OpenPlatformReplacement(const std::string& path, const WriteOptions& options,
                            std::unique_ptr<FileReplacement::Platform>& file);
int OpenPlatformReplacementIn(const Folder& folder, const std::string& name,
                              const WriteOptions& options,
                              std::unique_ptr<FileReplacement::Platform>& file);

// A platform's way to read an open file: fills `buffer` with up to `size`
// bytes and gives their count, 0 at the end, or -1 with `error` set.
using ReadSome = long long (*)(void* file, char* buffer, size_t size, int& error);

// Reads the open file `file` whole into `bytes`, as ReadWholeFile says: the
// file as `found` describes it is checked against `options` first, then
// read with `read_some` up to the size limit. 0 or the cause; on failure
// `bytes` is empty.
int ReadWhole(void* file, ReadSome read_some, const FileIdentity& found, const ReadOptions& options,
              std::string& bytes);

// How often a temporary name is tried before giving up.
inline constexpr int kNameAttempts = 100;

// A fresh, unforeseeable temporary file name (no folder part).
std::string TemporaryName();

// The rules for an existing target `found` under `options`: 0 when it may be
// replaced, else the cause. `expected` is set when the target is the input,
// which must then still be unchanged when it is replaced.
int CheckExistingTarget(const FileIdentity& found, const WriteOptions& options,
                        const FileIdentity*& expected);

// Names of temporary files that the signal or console handlers remove. A
// handler may only use async-signal-safe calls, so the names live in fixed
// slots whose state is a lock-free atomic: claimed, filled, then marked ready.
// A name is `path` relative to the folder descriptor `folder` (POSIX), or a
// whole path (Windows, `folder` -1). There is a slot for every thread
// kelvanefmt may run and more; ClaimNameSlot gives -1 when none is free
// (that name is then not removed by a signal; the replacement still works).
// RemoveClaimedNames calls `remove` on every ready name and is safe in a
// signal handler.
int ClaimNameSlot(int folder, const std::string& path);
void ReleaseNameSlot(int& slot);
void RemoveClaimedNames(void (*remove)(int folder, const char* path));

// Makes replacements use named temporary files even where O_TMPFILE works,
// so that tests can reach the named path (its mode, its removal by signals).
void UseNamedTemporaryFiles(bool named);

}  // namespace file_io_internal
}  // namespace kelvane
