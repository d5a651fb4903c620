// The line ends of a formatted file: the file's own by default, or the kind
// asked for. The engine ends the body's lines with LF or CR LF as told, but
// its loader line ("#!") and header line always with LF.
#pragma once

#include <string>
#include <string_view>

#include "kelvanefmt/fmt_options.h"

namespace kelvane::fmt {

// Whether the formatted text of `input` ends its lines with LF: as `policy`
// says, or, to keep them, when no more of the input's lines end with CR LF
// than with LF alone (a text without line ends gets LF).
bool EndsLinesWithLf(LineEnds policy, std::string_view input);

// Whether `text` starts with a loader line ("#!"), after a UTF-8 byte-order
// mark if there is one: the line the engine keeps ahead of the header.
bool StartsWithLoaderLine(std::string_view text);

// In a text whose body ends its lines with CR LF, the leading loader line
// and header line end with CR LF too, so that a file has one kind
// throughout: "#!x\n-- Pretty...\nx = 1\r\n" -> "#!x\r\n-- Pretty...\r\nx = 1\r\n".
// A byte-order mark stays in front of them.
void GiveLeadingLinesCrLf(std::string& text, bool loader_line, bool header_line);

}  // namespace kelvane::fmt
