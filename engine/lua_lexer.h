// Where the comments and string literals of a Lua text are (Mend M02), found
// by one left-to-right scan of the language's lexical structure: at each point the
// scan takes whichever starts first, a comment, a quoted string or a long
// string, and skips it whole. So "--" inside a string starts no comment, a
// quote inside a comment or another string starts no string, and an escaped
// backslash before a closing quote does not hide the quote.
//
// The forms are those of Lua 4.0 and 5.1: "--" to the end of the line;
// "--[[ ... ]]" and "--[==[ ... ]==]" block comments; '...' and "..." with
// backslash escapes; "[[ ... ]]", which nests as Lua 4.0 nests it, and
// "[==[ ... ]==]". A block comment or long string that is never closed is not
// one: the "--" then starts a line comment, and the "[" is code.
#pragma once

#include <cstddef>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/scan.h"
#include "engine/text_range.h"

namespace kelvane {

enum class LiteralKind { kLineComment, kBlockComment, kQuotedString, kLongString };

struct LiteralSpan {
  size_t begin = 0;
  size_t end = 0;  // one past the last byte
  LiteralKind kind = LiteralKind::kLineComment;
};

// The length of a long-bracket opener ("[[", "[=[", ...) at `pos`, or 0; its
// level (the count of "=") goes to `level`.
size_t LongBracketOpenerAt(std::string_view text, size_t pos, size_t& level);

// What one scan of a text has learnt about long brackets that are never
// closed, so that a text full of unclosed openers ("[[[[[[...") is not
// searched to its end once per opener.
struct LongBracketMemo {
  static constexpr size_t kLevels = 8;
  static constexpr size_t kNever = static_cast<size_t>(-1);
  size_t no_double_close_from = kNever;  // no "]]" at or after this position
  // A level-0 long string from here on never closed by Lua 4.0's nesting:
  // the text is no Lua 4.0, and later ones end at their first "]]" without
  // the nesting being followed to the end of the text once more.
  size_t nesting_failed_from = kNever;
  size_t no_close_from[kLevels] = {kNever, kNever, kNever, kNever,
                                   kNever, kNever, kNever, kNever};  // levels 1 and up
};

// The end of the long bracket that an opener of `level` ending just before
// `from` starts, or npos when it is never closed. Level 0 nests, as in Lua
// 4.0, unless the nesting never closes: then its first "]]" ends it, as in
// Lua 5.2 and later.
size_t LongBracketEnd(std::string_view text, size_t from, size_t level,
                      LongBracketMemo* memo = nullptr);

// The span of the literal that starts at `pos`, if one does: a comment (only
// when `comments`), a quoted string or a long string. `span.end` is 0 when
// none starts there. Scans that go forward through one text pass a memo.
LiteralSpan LiteralAt(std::string_view text, size_t pos, bool comments,
                      LongBracketMemo* memo = nullptr);

// Whether `word` is a reserved word of Lua 4.0 to 5.4 ("goto" included).
bool IsLuaKeyword(std::string_view word);

// Whether the letter at `pos` is the binary exponent mark "p" or "P" of a
// hexadecimal numeral (Lua 5.2 and later: "0x1p-4", "0x1.8P+3"), a numeral
// that starts after a character that is no letter, digit or "_".
bool IsHexExponentMarkAt(std::string_view text, size_t pos);

// A comment that ends before its line does: a closed block comment, after
// which code may follow on the same line ("--[[ a ]] x = 1").
bool IsClosedBlockComment(std::string_view comment);

// Calls on_span(const LiteralSpan&) for every literal, in text order. Texts
// whose comments are already masked pass `comments` false. An on_span that
// returns a bool stops the scan by returning false.
template <typename OnSpan>
void ForEachLiteral(std::string_view text, bool comments, OnSpan&& on_span) {
  static constexpr ByteSet kStarts =
      ByteSet::Of([](char c) { return c == '-' || c == '"' || c == '\'' || c == '['; });
  LongBracketMemo memo;
  for (size_t pos = FindInSet(text, 0, kStarts); pos < text.size();) {
    const LiteralSpan span = LiteralAt(text, pos, comments, &memo);
    if (span.end == 0) {
      pos = FindInSet(text, pos + 1, kStarts);
      continue;
    }
    if constexpr (std::is_same_v<decltype(on_span(span)), bool>) {
      if (!on_span(span)) return;
    } else {
      on_span(span);
    }
    pos = FindInSet(text, span.end, kStarts);
  }
}

// The string literals of a text (not its comments), for passes that must
// leave the contents of strings alone. The text is scanned at the first
// question, so a pass that finds nothing to change costs no scan; questions in
// increasing order of position cost O(1) each. A pass that knows the strings
// already (TextRewriter carries them from pass to pass) hands them in.
class StringLiterals {
 public:
  explicit StringLiterals(std::string_view text) : text_(text) {}
  StringLiterals(std::string_view text, std::vector<TextRange> known)
      : text_(text), scanned_(true), ranges_(std::move(known)) {}

  // True when the byte at `pos` lies inside a string literal, its quotes or
  // brackets included.
  bool Covers(size_t pos);

  bool scanned() const { return scanned_; }
  // The strings, in text order; empty until scanned.
  const std::vector<TextRange>& ranges() const { return ranges_; }
  std::vector<TextRange> TakeRanges() { return std::move(ranges_); }

 private:
  std::string_view text_;
  bool scanned_ = false;
  std::vector<TextRange> ranges_;
  size_t next_ = 0;  // the first range that does not end before the last question
};

}  // namespace kelvane
