// The counts of a run, its summary line and its exit status, decided here only.
#pragma once

#include <cstddef>
#include <string>

#include "kelvanefmt/fmt_options.h"
#include "kelvanefmt/format_file.h"

namespace kelvane::fmt {

struct RunTally {
  size_t changed = 0;
  size_t unchanged = 0;
  size_t refused = 0;
  size_t failed = 0;  // includes paths that could not be searched

  void Count(FileOutcome outcome);
};

// "12 formatted, 340 unchanged, 1 refused" ("would be formatted" when nothing
// is written); refused and failed appear only when there are any.
std::string SummaryLine(const RunTally& tally, ChangeMode mode);

// 2 when a file was refused or failed, else 1 when --check or --diff found
// changes, else 0.
int ExitStatus(const RunTally& tally, ChangeMode mode);

// Exit status for a command line that cannot be run, and for results that
// could not be written to standard output.
constexpr int kUsageErrorStatus = 2;
constexpr int kOutputErrorStatus = 2;

}  // namespace kelvane::fmt
