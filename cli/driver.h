// One run of the engine: command line, input, ProcessCode, header line,
// output. main() only turns its outcome into an exit status.
#pragma once

#include <ostream>
#include <span>
#include <string>

namespace kelvane {

enum class RunOutcome {
  kOk,          // formatted and written, or the help printed for an empty command line
  kFileError,   // a file could not be read or written; reported on the error stream
  kGuardFired,  // not formatted: the brace guard fired or the meaning check refused; nothing
                // written
};

// Runs the engine on `args` (without the program name). Progress messages go
// to `out`, file errors to `err`.
RunOutcome RunCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// The process exit status for an outcome: 0, 1 for file errors, 2 for the guard.
int ExitStatus(RunOutcome outcome);

}  // namespace kelvane
