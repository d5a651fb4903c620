// Positions and edits of the Language Server Protocol over a document's
// bytes: lines end at LF, CR LF or a lone CR, and a character offset counts
// UTF-16 code units, or bytes where client and server agreed on UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kelvane::fmt {

struct LspPosition {
  size_t line = 0;
  size_t character = 0;
};

struct LspEdit {
  LspPosition start;
  LspPosition end;
  std::string new_text;
};

// The one edit that turns `before` into `after`: the lines between their
// common first and last lines, replaced whole. No edit when they are equal.
std::optional<LspEdit> EditBetween(std::string_view before, std::string_view after, bool utf8);

// Where line `line` starts in `text`; npos for a line past the end.
size_t LineStart(std::string_view text, size_t line);

// The character offset of the end of `line_content`, in the agreed units.
size_t Characters(std::string_view line_content, bool utf8);

}  // namespace kelvane::fmt
