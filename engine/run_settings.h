// The settings of one engine run, taken from its command line.
#pragma once

#include <string>

namespace kelvane {

struct RunSettings {
  bool verbose = false;         // MssgVerbose: "-verbose"
  bool debug = false;           // MssgDebug: "-debug"
  bool strip_comments = false;  // StripComments: "-s"
  bool unix_end_of_line = false;  // UnixEndOfLine: "-unix"
  std::string src_path;         // SrcPath
  std::string out_path;         // OutPath
  std::string dbg_path;         // DbgPath
};

}  // namespace kelvane
