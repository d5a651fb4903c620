// A unified diff between two texts, as `diff -u` prints it.
#pragma once

#include <string>
#include <string_view>

namespace kelvane::fmt {

// The "---"/"+++" header naming `name` on both sides (quoted as GNU diff
// quotes names, so that no name can break the header), then the hunks with
// three lines of context; "" when the texts are equal. Lines end at LF; a CR
// before it stays part of the line. A last line without LF is followed by
// "\ No newline at end of file", so that `patch` gives the exact bytes.
std::string UnifiedDiff(std::string_view before, std::string_view after, std::string_view name);

}  // namespace kelvane::fmt
