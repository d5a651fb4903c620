// Standard input to standard output, for editors, filters and hooks.
#pragma once

#include "kelvanefmt/config_finder.h"
#include "kelvanefmt/fmt_options.h"
#include "kelvanefmt/fmt_run.h"

namespace kelvane::fmt {

// Formats all of standard input, with the settings of the config file that
// governs --stdin-name (or the current folder). Writes the result to
// standard output, or with --check the name of the text when it would
// change, or with --diff the diff. A text that is not formatted (refused by
// the engine, past the input limit, too large for the memory at hand, with
// a result past the limit, or governed by a bad config file) is written back
// unchanged (without --check or --diff), so that an editor filtering through
// kelvanefmt never loses it; the cause goes to standard error and the exit
// status is 2. A --stdin-name that an exclude glob leaves out is passed
// through as it is, so that a hook that names every staged file honours the
// excludes.
int FormatStandardInput(const FmtOptions& options, ConfigFinder& configs, FmtStreams& streams);

}  // namespace kelvane::fmt
