// What a text shows of the Lua version it is written for, where that changes
// what a formatting may do.
#pragma once

#include <string_view>

namespace kelvane {

// Whether the code (outside comments and strings) uses syntax that only Lua
// 5.3 and later read: "//", "&", "|", "~" (not in "~="), "<<", ">>", or a
// "<const>" or "<close>" attribute. Such a file has integer numerals: "2" is
// an integer and "2.0" a float, and respelling one as the other changes what
// the program prints.
bool ShowsIntegerNumerals(std::string_view text);

}  // namespace kelvane
