// Placeholder tokens: the words that stand for protected sequences between
// masking and restoring. Numbered tokens are "@<kind><n><kind>@" with n in
// decimal without leading zeros; the others are fixed words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane {

inline constexpr char kCommentKind = 'c';
inline constexpr char kStringKind = 's';
inline constexpr char kArgumentKind = 'a';
inline constexpr char kIndexKind = 'i';

inline constexpr std::string_view kEmptyTableToken = "@tet@";

// The escaped quotes and escaped long brackets, masked as fixed tokens.
inline constexpr std::string_view kEscapedDoubleQuoteToken = "@qdq@";    // \"
inline constexpr std::string_view kEscapedSingleQuoteToken = "@qsq@";    // \'
inline constexpr std::string_view kEscapedOpenBracketsToken = "@qlq@";   // \[\[
inline constexpr std::string_view kEscapedCloseBracketsToken = "@qrq@";  // \]\]

// Appends "@<kind><number><kind>@".
void AppendToken(std::string& out, char kind, size_t number);

// A "@<kind><digits><kind>@" found at some position of a text.
struct TokenShape {
  size_t length = 0;       // 0: no such shape at that position
  bool canonical = false;  // at least one digit and no leading zero
  uint64_t number = 0;     // saturates for absurdly long digit runs
};

// The start of the token "@<kind><n><kind>@", n canonical, that ends just
// before `end`, or npos; its number goes to `number`.
size_t TokenStartBefore(std::string_view text, size_t end, char kind, uint64_t& number);

namespace detail {
// The reading past the "@<kind>" that ReadTokenShape has checked.
TokenShape ReadTokenShapeAfterKind(std::string_view text, size_t pos, char kind,
                                   bool allow_no_digits);
}  // namespace detail

// Reads a token shape of the given kind starting at text[pos] (which must be
// '@' for a match). With allow_no_digits, "@cc@" counts as a shape too.
// Inline: most places asked about hold no token of the kind, and the passes
// ask at every '@' they meet.
inline TokenShape ReadTokenShape(std::string_view text, size_t pos, char kind,
                                 bool allow_no_digits = false) {
  if (pos + 3 >= text.size() || text[pos] != '@' || text[pos + 1] != kind) return TokenShape{};
  return detail::ReadTokenShapeAfterKind(text, pos, kind, allow_no_digits);
}

// Past the comment tokens glued together at `pos`: Lua reads a comment as
// white space, so a word glued to one ends there ("then--[[c]]").
size_t SkipCommentTokens(std::string_view text, size_t pos);

}  // namespace kelvane
