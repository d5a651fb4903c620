// Standard input to standard output, for editors and filters.
#pragma once

#include "kelvanefmt/fmt_options.h"
#include "kelvanefmt/fmt_run.h"

namespace kelvane::fmt {

// Formats all of standard input. Writes the result to standard output, or
// with --check the name of the text when it would change, or with --diff the
// diff. A text that is not formatted (refused by the engine, past the input
// limit, too large for the memory at hand, or with a result past the limit)
// is written back unchanged (without --check or --diff), so that an editor
// filtering through kelvanefmt never loses it; the cause goes to standard
// error and the exit status is 2.
int FormatStandardInput(const FmtOptions& options, FmtStreams& streams);

}  // namespace kelvane::fmt
