// Formatting some lines of a document, for an editor's "format selection":
// only whole statements can be formatted on their own, so the lines must
// hold whole statements and start outside any bracket, comment or string.
#pragma once

#include <cstddef>
#include <string>

#include "kelvanefmt/config_finder.h"

namespace kelvane::fmt {

struct RangeResult {
  bool ok = false;
  std::string cause;  // why not, when not ok
  std::string text;   // the document with the lines formatted, when ok
};

// Formats the lines `first_line` to `last_line` (0-based, both included)
// of `document`, indented as its first line is, with no header line and
// the document's line ends.
RangeResult FormatLines(const std::string& document, size_t first_line, size_t last_line,
                        FileSettings settings);

}  // namespace kelvane::fmt
