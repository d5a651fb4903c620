// What a caller may choose about one formatting: the engine's only inputs
// besides the text. Paths and message switches belong to the programs.
#pragma once

namespace kelvane {

struct FormatOptions {
  bool StripComments = false;  // "-s": comments deleted, no header line
  bool UnixEndOfLine = false;  // "-unix": LF line ends
  bool WriteHeader = true;     // the header line on top (never with "-s")
  // Regions marked "-- kelvanefmt: off" ... "on" and "ignore" come back as
  // they are (engine/marked_regions.h); the console engine has no switch for it.
  bool KeepMarkedRegions = false;
};

}  // namespace kelvane
