// File names as a terminal, a line-reading tool or a diff tool may be shown
// them: a name cannot break a line, move the cursor or add a diff header.
#pragma once

#include <string>
#include <string_view>

namespace kelvane::fmt {

// A name for a diff header, as GNU diff writes it: as it is, or, when it
// holds a space, a double quote, a backslash, a control byte or a byte above
// 127, in double quotes with C escapes ("a b.lua" as "\"a b.lua\"", a line
// feed as "\n", ESC as "\033"), which `patch` reads back.
std::string DiffName(std::string_view name);

// A name for a message line: as it is, or quoted as DiffName quotes it when
// it holds a control byte (or starts with a double quote, so that a quoted
// name is never mistaken for a plain one).
std::string ShownName(std::string_view name);

}  // namespace kelvane::fmt
