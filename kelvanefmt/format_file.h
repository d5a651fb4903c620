// One file through the engine: read, format, compare, then write it, or
// describe the change, or say why it was left alone.
#pragma once

#include <cstdint>
#include <string>

#include "engine/format_options.h"
#include "engine/format_text.h"
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

// The engine's settings for a kelvanefmt run: its defaults (CR LF line ends,
// header line) unless the options say otherwise; no messages, no debug file.
FormatOptions EngineSettings(const FmtOptions& options);

// The engine's verdict on a text: "" when `result` is kOk, otherwise the cause
// of the refusal, naming the check that refused it.
std::string RefusalCause(const FormatResult& result);

// Why a formatted text of `size` bytes is not written: it passes the input
// limit, so the next run could not read it.
std::string OutputTooLargeCause(uint64_t size);

// Formats `file`. Never throws: a file too large for the memory at hand fails
// like an unreadable one. Safe to call from several threads.
FileResult FormatFile(const FoundFile& file, const FormatOptions& settings, ChangeMode mode);

}  // namespace kelvane::fmt
