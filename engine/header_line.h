// The header line: those of earlier runs out, this run's in.
#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// Removes the header lines of earlier runs: whole lines at the top of the
// text that start with the header words, each with its LF (Mend M05). A line
// with no LF after it stays, and so do the words anywhere else (in a string,
// after code, further down). The header lines also take one empty line after
// them (Mend M06), the one a formatted file's first global block gets once
// its old header stands before it.
//   "-- Pretty-Printed using Zorv Kelvane 1.0\r\nx = 1\n"  ->  "x = 1\n"
//   "-- Pretty-Printed using Zorv Kelvane\n\nfunction f()\n"  ->  "function f()\n"
std::string RemoveOldHeaders(std::string_view text);

// The header step of a run, on ProcessCode's result: header lines of earlier
// runs out (RemoveOldHeaders), then, unless comments are stripped, the header
// line in front. A file with nothing in it formats to one line end, which
// the next run drops with the old header: the header line stands alone at
// once (Mend M06).
//   ("x = 1\n", false) -> AppComment + "x = 1\n";  ("\r\n", false) -> AppComment
std::string ReplaceHeaderLines(std::string_view text, bool strip_comments);

}  // namespace kelvane
