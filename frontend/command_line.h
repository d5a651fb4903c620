// The engine's command line: built from the run's paths and flags, and split
// back into arguments where the platform starts programs from an argument list.
#ifndef KELVANE_FRONTEND_COMMAND_LINE_H_
#define KELVANE_FRONTEND_COMMAND_LINE_H_

#include <string>
#include <string_view>
#include <vector>

namespace kelvane::frontend {

// The engine's parameters: quoted engine path, quoted input path, then " -o"
// (any non-zero overwrite flag) or the quoted output path, " -s" only for a
// strip flag of exactly 1, and " -verbose". Paths are used as given, with no
// escaping, so the engine sees exactly the arguments of its own command line.
std::string BuildEngineCommandLine(std::string_view engine_path, std::string_view input_path,
                                   std::string_view output_path, signed char overwrite,
                                   signed char strip);

// Splits a command line into arguments the way a Windows program's start-up
// code sees the line built above: blanks (space, TAB) separate arguments
// outside double quotes, and each double quote toggles quoting and is removed.
// A pair of quotes with nothing between them is one empty argument.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

}  // namespace kelvane::frontend

#endif  // KELVANE_FRONTEND_COMMAND_LINE_H_
