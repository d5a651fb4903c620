// kelvanefmt's command line, read with CLI11.
#pragma once

#include <optional>
#include <ostream>

#include "kelvanefmt/fmt_options.h"

namespace kelvane::fmt {

// The options of `argv`, or no options when the run ends here: "--help" or
// "--version" was printed to `out` (`exit_status` 0), or a usage error to
// `err` (`exit_status` 2); with no PATH (and no --lsp) the usage is the error.
std::optional<FmtOptions> ParseFmtCommandLine(int argc, const char* const* argv, std::ostream& out,
                                              std::ostream& err, int& exit_status);

}  // namespace kelvane::fmt
