// FormatText: the engine as one function, from the bytes of a Lua file and
// the run settings to the bytes of the formatted file. The console engine,
// the folder formatter, the tests, the benchmark and the fuzz target all go
// through it; it keeps no state between calls, so calls may run in parallel.
#pragma once

#include <cstdint>
#include <string>

#include "engine/format_options.h"
#include "engine/format_status.h"
#include "engine/messages.h"

namespace kelvane {

struct FormatResult {
  FormatStatus status = FormatStatus::kOk;  // kOk: `text` is the output; else `reason` says why
  std::string text;        // the output file's bytes, header line included, when kOk
  std::string reason;      // one line, for kGuardFired and kRefused
  int64_t elapsed_ms = 0;  // time spent formatting, for the progress report
  // The result the meaning check refused, for messages that show what would
  // have changed; never to be written.
  std::string refused_text;
};

// Formats `input`: ProcessCode, the check that the result keeps the input's
// meaning, then header lines of earlier runs out and the new header in (unless
// comments are stripped or no header is wanted). With KeepMarkedRegions the
// marked regions are set aside around ProcessCode and checked with the rest.
// Progress and verbose messages and debug entries go to `messages`; "Time
// elapsed" is the caller's to print.
FormatResult FormatText(std::string input, const FormatOptions& settings, Messages& messages);

}  // namespace kelvane
