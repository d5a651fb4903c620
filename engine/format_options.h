// What a caller may choose about one formatting: the engine's only inputs
// besides the text. Paths and message switches belong to the programs.
#pragma once

namespace kelvane {

struct FormatOptions {
  bool StripComments = false;  // "-s": comments deleted, no header line
  bool UnixEndOfLine = false;  // "-unix": LF line ends
};

}  // namespace kelvane
