// A check of the layout a formatted text promises: every line of code starts
// with one TAB per block and per table constructor open around it.
#pragma once

#include <string>
#include <string_view>

namespace kelvane::test_support {

// Empty when every line that starts outside a string, comment or
// parenthesised group (a table in one included) stands at its depth; otherwise names the first line
// that does not, with its TABs and its depth. The depth at a line is the number of block bodies
// (from a function's head, "then", "do" or "repeat" to their "end", "until" or "elseif") and table
// constructors open where it starts, parentheses and index brackets not counted; a line that starts
// by closing one ("end", "until", "else", "elseif", "}") stands one level out.
std::string FirstLineOffItsDepth(std::string_view formatted);

}  // namespace kelvane::test_support
