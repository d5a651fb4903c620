// The settings of one engine run, taken from its command line.
#pragma once

#include <string>

namespace kelvane {

struct RunSettings {
  bool MssgVerbose = false;    // "-verbose": verbose messages are printed
  bool MssgDebug = false;      // "-debug": the debug file is written
  bool StripComments = false;  // "-s": comments deleted, no header line
  bool UnixEndOfLine = false;  // "-unix": LF line ends
  std::string SrcPath;         // the input file
  std::string OutPath;         // the output file
  std::string DbgPath;         // SrcPath followed by ".debug"
};

}  // namespace kelvane
