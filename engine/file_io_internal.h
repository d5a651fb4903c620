// Helpers shared by the portable and the platform parts of file_io.
#pragma once

#include <string>

namespace kelvane::file_io_internal {

// How often a temporary name is tried before giving up.
inline constexpr int kNameAttempts = 100;

// A fresh, unforeseeable temporary file name in `folder` (which ends with
// its separator, or is empty for the current folder).
std::string TemporaryName(const std::string& folder);

// Makes replacements use named temporary files even where O_TMPFILE works,
// so that tests can reach the named path (its mode, its removal by signals).
void UseNamedTemporaryFiles(bool named);

}  // namespace kelvane::file_io_internal
