// The engine's command line: one line where the platform passes one
// (Windows), an argument vector where it passes a list (POSIX).
#pragma once

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

// The same parameters as an argument vector, the engine path first: what a
// platform that starts programs from an argument list passes, so that no
// character of a path can make it into another argument.
std::vector<std::string> BuildEngineArguments(std::string_view engine_path,
                                              std::string_view input_path,
                                              std::string_view output_path, signed char overwrite,
                                              signed char strip);

}  // namespace kelvane::frontend
