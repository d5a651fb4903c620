// One file through the engine: read, format, compare, then write it, or
// describe the change, or say why it was left alone.
#pragma once

#include <cstdint>
#include <string>

#include "kelvanefmt/config_finder.h"
#include "kelvanefmt/file_search.h"
#include "kelvanefmt/fmt_options.h"

namespace kelvane::fmt {

enum class FileOutcome {
  kChanged,    // the formatted text differs from the content (and was written in kWrite)
  kUnchanged,  // already formatted: not written, so its modification time stays
  kRefused,    // the engine would not format it, or its result would pass the input
               // limit; `cause` says why; nothing written
  kFailed,     // the file could not be read, formatted or written (it changed since
               // it was read, say); `cause` says why
};

struct FileResult {
  FileOutcome outcome = FileOutcome::kUnchanged;
  std::string cause;  // for kRefused and kFailed: the message after "path: "
  std::string diff;   // kDiff mode: the unified diff of the change
  uint64_t input_bytes = 0;
};

// Formats `file` with its own settings. Never throws: a file too large for
// the memory at hand fails like an unreadable one. Safe to call from several
// threads.
FileResult FormatFile(const FoundFile& file, const FileSettings& settings, ChangeMode mode);

}  // namespace kelvane::fmt
