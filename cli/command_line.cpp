// The engine's command line. The first argument is always the input path,
// even when it looks like a switch; the second is the output path unless it
// is exactly one of the switches; anything unknown after that is ignored.

#include "cli/command_line.h"

#include <algorithm>
#include <cassert>
#include <string_view>

namespace kelvane {
namespace {

constexpr std::string_view kSwitches[] = {"-debug", "-verbose", "-help", "-s", "-o", "-unix"};

bool IsSwitch(std::string_view arg) {
  return std::find(std::begin(kSwitches), std::end(kSwitches), arg) != std::end(kSwitches);
}

}  // namespace

RunSettings ParseCommandLine(std::span<const std::string> args,
                             const std::function<void()>& on_help) {
  assert(!args.empty() && "an empty command line prints the help instead");
  RunSettings settings;
  settings.SrcPath = args[0];
  settings.DbgPath = settings.SrcPath + ".debug";
  if (args.size() >= 2 && !IsSwitch(args[1])) {
    settings.OutPath = args[1];
  } else {
    settings.OutPath = settings.SrcPath + ".pretty";
  }
  // Switches are compared exactly, with case. "-o" wins over an output path
  // given in second place, whichever comes first.
  for (const std::string& arg : args.subspan(1)) {
    if (arg == "-o") {
      settings.OutPath = settings.SrcPath;
    } else if (arg == "-debug") {
      settings.MssgDebug = true;
    } else if (arg == "-verbose") {
      settings.MssgVerbose = true;
    } else if (arg == "-help") {
      if (on_help) on_help();
    } else if (arg == "-s") {
      settings.format.StripComments = true;
    } else if (arg == "-unix") {
      settings.format.UnixEndOfLine = true;
    }
  }
  return settings;
}

}  // namespace kelvane
