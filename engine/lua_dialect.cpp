// Telling a Lua 5.3 text by its operators.

#include "engine/lua_dialect.h"

#include "engine/lua_lexer.h"
#include "engine/scan.h"

namespace kelvane {
namespace {

constexpr ByteSet kCandidates = ByteSet::Of(
    [](char c) { return c == '/' || c == '&' || c == '|' || c == '~' || c == '<' || c == '>'; });

// Whether a Lua 5.3 operator or attribute starts at `pos`.
bool Lua53SyntaxAt(std::string_view text, size_t pos) {
  const char c = text[pos];
  const char next = pos + 1 < text.size() ? text[pos + 1] : '\0';
  switch (c) {
    case '&':
    case '|':
      return true;
    case '~':
      return next != '=';
    case '/':
    case '>':
      return next == c;
    case '<':
      return next == '<' || StartsWithAt(text, pos, "<const>") ||
             StartsWithAt(text, pos, "<close>");
    default:
      return false;
  }
}

// Whether the stretch [from, to) of code holds such syntax.
bool Lua53SyntaxIn(std::string_view text, size_t from, size_t to) {
  const std::string_view code = text.substr(0, to);
  for (size_t pos = FindInSet(code, from, kCandidates); pos < to;
       pos = FindInSet(code, pos + 1, kCandidates)) {
    if (Lua53SyntaxAt(text, pos)) return true;
  }
  return false;
}

}  // namespace

bool ShowsIntegerNumerals(std::string_view text) {
  // Most texts hold no candidate at all outside what may be comments and
  // strings: only then are comments and strings told apart.
  if (!Lua53SyntaxIn(text, 0, text.size())) return false;
  bool found = false;
  size_t code = 0;
  ForEachLiteral(text, /*comments=*/true, [&](const LiteralSpan& span) {
    found = Lua53SyntaxIn(text, code, span.begin);
    code = span.end;
    return !found;
  });
  return found || Lua53SyntaxIn(text, code, text.size());
}

}  // namespace kelvane
