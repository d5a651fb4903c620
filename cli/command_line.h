// The engine's command line: input path first, then an output path or the
// switches, read left to right into the run settings.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "cli/run_settings.h"

namespace kelvane {

// Takes a non-empty argument list (without the program name) apart.
// `on_help` is called once for every "-help", at the moment the parse meets
// it, so that the help comes out in command-line order.
RunSettings ParseCommandLine(std::span<const std::string> args,
                             const std::function<void()>& on_help);

}  // namespace kelvane
