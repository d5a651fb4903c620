// The depth of each line of a formatted text, by the constructs open at its
// start.

#include "tests/support/layout_check.h"

#include <vector>

#include "engine/char_class.h"
#include "engine/lua_lexer.h"

namespace kelvane::test_support {
namespace {

bool StartsWithWord(std::string_view text, std::string_view word) {
  return text.starts_with(word) && (text.size() == word.size() || !IsWord(text[word.size()]));
}

bool StartsWithCloser(std::string_view code) {
  return code.starts_with('}') || StartsWithWord(code, "end") || StartsWithWord(code, "until") ||
         StartsWithWord(code, "else") || StartsWithWord(code, "elseif");
}

// A block starts where its body does: after "then", "do", "repeat" or a
// function's head ("function", as its parameters hold no statement). An
// "if" or "while" condition, even one holding a function body, is not in the
// block yet. "elseif" ends a part and its "then" starts the next.
int BlockEffect(std::string_view word) {
  if (word == "then" || word == "do" || word == "repeat" || word == "function") return 1;
  if (word == "end" || word == "until" || word == "elseif") return -1;
  return 0;
}

// Whether the innermost open construct is a parenthesised group or an index,
// or a table inside one: an expression that the style keeps on one line
// (only a comment in it breaks it), not a statement or a table entry.
bool InGroup(std::string_view open) {
  for (size_t i = open.size(); i-- > 0;) {
    if (open[i] == 'b') return false;
    if (open[i] == '(' || open[i] == '[') return true;
  }
  return false;
}

}  // namespace

std::string FirstLineOffItsDepth(std::string_view text) {
  std::vector<LiteralSpan> literals;
  ForEachLiteral(text, /*comments=*/true,
                 [&](const LiteralSpan& span) { literals.push_back(span); });
  std::string open;  // '{', '(', '[' or 'b' for a block, innermost last
  size_t next_literal = 0;
  size_t line_number = 1;
  bool line_start = true;
  for (size_t pos = 0; pos < text.size();) {
    if (line_start) {
      line_start = false;
      size_t tabs = 0;
      while (pos + tabs < text.size() && text[pos + tabs] == '\t') ++tabs;
      const std::string_view rest = text.substr(pos + tabs);
      if (!rest.empty() && rest[0] != '\n' && rest[0] != '\r' && !InGroup(open)) {
        size_t depth = 0;
        for (const char c : open) depth += c == '{' || c == 'b' ? 1 : 0;
        if (StartsWithCloser(rest) && depth > 0) --depth;
        if (tabs != depth) {
          return "line " + std::to_string(line_number) + " has " + std::to_string(tabs) +
                 " TABs at depth " + std::to_string(depth) + ": " +
                 std::string(rest.substr(0, rest.find('\n')));
        }
      }
      pos += tabs;
      continue;
    }
    if (next_literal < literals.size() && literals[next_literal].begin == pos) {
      // A string or comment: its inner lines are its own.
      const LiteralSpan& span = literals[next_literal++];
      for (size_t i = span.begin; i < span.end; ++i) line_number += text[i] == '\n' ? 1 : 0;
      pos = span.end;
      continue;
    }
    const char c = text[pos];
    if (c == '\n') {
      ++line_number;
      line_start = true;
      ++pos;
      continue;
    }
    if (IsWord(c)) {
      size_t end = pos + 1;
      while (end < text.size() && IsWord(text[end])) ++end;
      const int effect = BlockEffect(text.substr(pos, end - pos));
      if (effect > 0) open.push_back('b');
      if (effect < 0 && !open.empty()) open.pop_back();
      pos = end;
      continue;
    }
    if (c == '{' || c == '(' || c == '[') open.push_back(c);
    if ((c == '}' || c == ')' || c == ']') && !open.empty()) open.pop_back();
    ++pos;
  }
  return "";
}

}  // namespace kelvane::test_support
