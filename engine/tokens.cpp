// Building and reading placeholder tokens.

#include "engine/tokens.h"

#include <charconv>

#include "engine/char_class.h"

namespace kelvane {

void AppendToken(std::string& out, char kind, size_t number) {
  // Built whole, then appended once: the masking appends one per group.
  char token[28];
  token[0] = '@';
  token[1] = kind;
  char* end = std::to_chars(token + 2, token + sizeof token - 2, number).ptr;
  *end++ = kind;
  *end++ = '@';
  out.append(token, end);
}

size_t TokenStartBefore(std::string_view text, size_t end, char kind, uint64_t& number) {
  if (end < 5 || end > text.size() || text[end - 1] != '@' || text[end - 2] != kind) {
    return std::string_view::npos;
  }
  size_t digits = end - 2;
  while (digits > 2 && IsDigit(text[digits - 1])) --digits;
  const size_t start = digits - 2;
  const TokenShape token = ReadTokenShape(text, start, kind);
  if (token.length != end - start || !token.canonical) return std::string_view::npos;
  number = token.number;
  return start;
}

namespace detail {

TokenShape ReadTokenShapeAfterKind(std::string_view text, size_t pos, char kind,
                                   bool allow_no_digits) {
  TokenShape shape;
  size_t i = pos + 2;
  uint64_t number = 0;
  const size_t digits_begin = i;
  // Past this, a number saturates at UINT64_MAX, which no table reaches.
  constexpr uint64_t kLargestToGrow = (UINT64_MAX - 9) / 10;
  while (i < text.size() && IsDigit(text[i])) {
    const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
    number = number > kLargestToGrow ? UINT64_MAX : number * 10 + digit;
    ++i;
  }
  const size_t digit_count = i - digits_begin;
  if (digit_count == 0 && !allow_no_digits) return shape;
  if (i + 1 >= text.size() || text[i] != kind || text[i + 1] != '@') return shape;
  shape.length = i + 2 - pos;
  shape.canonical = digit_count > 0 && (digit_count == 1 || text[digits_begin] != '0');
  shape.number = number;
  return shape;
}

}  // namespace detail

size_t SkipCommentTokens(std::string_view text, size_t pos) {
  while (pos < text.size() && text[pos] == '@') {
    const size_t length = ReadTokenShape(text, pos, kCommentKind).length;
    if (length == 0) break;
    pos += length;
  }
  return pos;
}

}  // namespace kelvane
