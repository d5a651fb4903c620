// One kelvanefmt run: standard input to standard output, or files in place.
#pragma once

#include <istream>
#include <ostream>

#include "kelvanefmt/fmt_options.h"

namespace kelvane::fmt {

struct FmtStreams {
  std::istream& in;
  std::ostream& out;  // results: formatted text, changed paths, diffs
  std::ostream& err;  // errors, summary and progress
  bool err_is_terminal = false;
};

// Runs kelvanefmt and returns its exit status.
int RunFmt(const FmtOptions& options, FmtStreams& streams);

}  // namespace kelvane::fmt
