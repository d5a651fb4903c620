// One run of the engine: command line, input, ProcessCode, header line,
// output. main() only turns its outcome into an exit status.
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "engine/format_status.h"

namespace kelvane {

// Runs the engine on `args` (without the program name). Progress messages go
// to `out`, file errors to `err`. kFileError is reported on `err` already.
FormatStatus RunCommandLine(std::span<const std::string> args, std::ostream& out,
                            std::ostream& err);

// The process exit status: 0, 1 for file errors, 2 when the guard fired or the
// meaning check refused (nothing written).
int ExitStatus(FormatStatus status);

}  // namespace kelvane
