// The settings of one run of the console engine, taken from its command line.
#pragma once

#include <string>

#include "engine/format_options.h"

namespace kelvane {

struct RunSettings {
  bool MssgVerbose = false;  // "-verbose": verbose messages are printed
  bool MssgDebug = false;    // "-debug": the debug file is written
  FormatOptions format;      // "-s", "-unix"
  std::string SrcPath;       // the input file
  std::string OutPath;       // the output file
  std::string DbgPath;       // SrcPath followed by ".debug"
};

}  // namespace kelvane
