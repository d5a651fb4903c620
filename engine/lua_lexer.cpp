// The scan for comments and string literals.

#include "engine/lua_lexer.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "engine/scan.h"

namespace kelvane {
namespace {

// The end of the escape whose backslash is at `pos`. A backslash before a
// line end takes the whole line end (LF, CR, CR LF or LF CR, as Lua counts
// one line); "\z" takes the white space after it, line ends included (Lua
// 5.2 and later: in Lua 4.0 and 5.1 a line end there ends the string
// unfinished, so no valid file of theirs reads otherwise); any other escape
// is two bytes, as far as where the string ends is concerned.
size_t EscapeEnd(std::string_view text, size_t pos) {
  size_t i = pos + 1;
  if (i >= text.size()) return i;
  const char c = text[i];
  if (c == '\n' || c == '\r') {
    ++i;
    if (i < text.size() && (text[i] == '\n' || text[i] == '\r') && text[i] != c) ++i;
    return i;
  }
  if (c == 'z') return SkipSpaces(text, i + 1);
  return i + 1;
}

// The bytes at which the scan of a quoted string stops: its own quote, a
// backslash and the line ends. The stretches between them are passed in one
// search each (FindInSet).
constexpr ByteSet kDoubleQuotedStops =
    ByteSet::Of([](char c) { return c == '"' || c == '\\' || c == '\n' || c == '\r'; });
constexpr ByteSet kSingleQuotedStops =
    ByteSet::Of([](char c) { return c == '\'' || c == '\\' || c == '\n' || c == '\r'; });

// A quoted string from the quote at `pos`: an escape is taken whole
// (EscapeEnd), the same quote closes it, and an unescaped line end ends an
// unfinished string before the line end.
size_t QuotedStringEnd(std::string_view text, size_t pos) {
  const char quote = text[pos];
  const ByteSet& stops = quote == '"' ? kDoubleQuotedStops : kSingleQuotedStops;
  for (size_t i = FindInSet(text, pos + 1, stops); i < text.size(); i = FindInSet(text, i, stops)) {
    const char c = text[i];
    if (c == quote) return i + 1;
    if (c != '\\') return i;  // a line end
    i = EscapeEnd(text, i);
  }
  return text.size();
}

// The first LF or CR at or after `pos`, or npos.
size_t FindLineEnd(std::string_view text, size_t pos) {
  static constexpr ByteSet kLineEnds = ByteSet::Of([](char c) { return c == '\n' || c == '\r'; });
  const size_t end = FindInSet(text, pos, kLineEnds);
  return end < text.size() ? end : kNone;
}

bool OnlyBlanksToLineEnd(std::string_view text, size_t pos, size_t& line_end) {
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  line_end = pos;
  return pos == text.size() || text[pos] == '\n' || text[pos] == '\r';
}

}  // namespace

namespace {

constexpr std::array<std::string_view, 22> kKeywords = {
    "and",      "break",  "do",   "else", "elseif", "end",  "false", "for",
    "function", "goto",   "if",   "in",   "local",  "nil",  "not",   "or",
    "repeat",   "return", "then", "true", "until",  "while"};

}  // namespace

bool IsLuaKeyword(std::string_view word) {
  for (std::string_view keyword : kKeywords) {
    if (word == keyword) return true;
  }
  return false;
}

size_t LongBracketOpenerAt(std::string_view text, size_t pos, size_t& level) {
  if (pos >= text.size() || text[pos] != '[') return 0;
  size_t i = pos + 1;
  while (i < text.size() && text[i] == '=') ++i;
  if (i >= text.size() || text[i] != '[') return 0;
  level = i - pos - 1;
  return i + 1 - pos;
}

size_t LongBracketEnd(std::string_view text, size_t from, size_t level, LongBracketMemo* memo) {
  if (level == 0) {
    if (memo != nullptr && from >= memo->no_double_close_from) return kNone;
    // "[[" inside opens a nested level, as in Lua 4.0 (Lua 5.1 rejects it).
    // Where the nesting never closes, the string ends at its first "]]", as
    // Lua 5.2 and later read it ("[[ a [[ b ]]"): the only reading that is
    // Lua at all.
    const bool nests = memo == nullptr || from < memo->nesting_failed_from;
    size_t depth = 1;
    size_t after_first_close = kNone;
    size_t after_last_close = from;
    static constexpr ByteSet kBrackets = ByteSet::Of([](char c) { return c == '[' || c == ']'; });
    for (size_t i = FindInSet(text, from, kBrackets); i + 1 < text.size();
         i = FindInSet(text, i, kBrackets)) {
      const char c = text[i];
      if (text[i + 1] != c) {
        ++i;
        continue;
      }
      if (c == '[') {
        ++depth;
      } else {
        after_last_close = i + 2;
        if (after_first_close == kNone) after_first_close = i + 2;
        if (--depth == 0 || !nests) return i + 2;
      }
      i += 2;
    }
    if (memo != nullptr) {
      memo->no_double_close_from = std::min(memo->no_double_close_from, after_last_close);
      if (after_first_close != kNone) {
        memo->nesting_failed_from = std::min(memo->nesting_failed_from, from);
      }
    }
    return after_first_close;
  }
  const bool memoised = memo != nullptr && level < LongBracketMemo::kLevels;
  if (memoised && from >= memo->no_close_from[level]) return kNone;
  for (size_t i = text.find(']', from); i != kNone; i = text.find(']', i + 1)) {
    size_t j = i + 1;
    while (j < text.size() && text[j] == '=' && j - i - 1 < level) ++j;
    if (j - i - 1 == level && j < text.size() && text[j] == ']') return j + 1;
  }
  if (memoised) memo->no_close_from[level] = std::min(memo->no_close_from[level], from);
  return kNone;
}

LiteralSpan LiteralAt(std::string_view text, size_t pos, bool comments, LongBracketMemo* memo) {
  LiteralSpan span;
  span.begin = pos;
  const char c = text[pos];
  if (c == '-') {
    if (!comments || pos + 1 >= text.size() || text[pos + 1] != '-') return span;
    size_t level = 0;
    const size_t opener = LongBracketOpenerAt(text, pos + 2, level);
    if (opener != 0) {
      const size_t end = LongBracketEnd(text, pos + 2 + opener, level, memo);
      if (end != kNone) {
        span.kind = LiteralKind::kBlockComment;
        span.end = end;
        // A block comment with only blanks after it on its last line takes
        // those blanks along, as a line comment would: the TABs the restoring
        // puts after the first comment then stay part of it on the next run.
        size_t line_end = 0;
        if (OnlyBlanksToLineEnd(text, end, line_end)) span.end = line_end;
        return span;
      }
    }
    // A lone CR ends a line too, as in old Mac files.
    const size_t line_end = FindLineEnd(text, pos);
    span.kind = LiteralKind::kLineComment;
    span.end = line_end == kNone ? text.size() : line_end;
    return span;
  }
  if (c == '"' || c == '\'') {
    span.kind = LiteralKind::kQuotedString;
    span.end = QuotedStringEnd(text, pos);
    return span;
  }
  size_t level = 0;
  const size_t opener = LongBracketOpenerAt(text, pos, level);
  if (opener == 0) return span;
  const size_t end = LongBracketEnd(text, pos + opener, level, memo);
  if (end == kNone) return span;
  span.kind = LiteralKind::kLongString;
  span.end = end;
  return span;
}

bool IsHexExponentMarkAt(std::string_view text, size_t pos) {
  if (pos >= text.size() || (text[pos] != 'p' && text[pos] != 'P')) return false;
  size_t digits = pos;
  while (digits > 0 && (std::isxdigit(static_cast<unsigned char>(text[digits - 1])) != 0 ||
                        text[digits - 1] == '.')) {
    --digits;
  }
  if (digits == pos || digits < 2 || (text[digits - 1] != 'x' && text[digits - 1] != 'X') ||
      text[digits - 2] != '0') {
    return false;
  }
  return digits == 2 || !IsWord(text[digits - 3]);
}

bool IsClosedBlockComment(std::string_view comment) {
  size_t level = 0;
  const size_t opener = LongBracketOpenerAt(comment, 2, level);
  return opener != 0 && LongBracketEnd(comment, 2 + opener, level) != kNone;
}

bool StringLiterals::Covers(size_t pos) {
  if (!scanned_) {
    scanned_ = true;
    ForEachLiteral(text_, /*comments=*/true, [&](const LiteralSpan& span) {
      if (span.kind == LiteralKind::kQuotedString || span.kind == LiteralKind::kLongString) {
        ranges_.push_back({span.begin, span.end});
      }
    });
  }
  if (next_ > 0 && pos < ranges_[next_ - 1].end) {
    // An earlier position than the last question: look it up.
    next_ = static_cast<size_t>(
        std::upper_bound(ranges_.begin(), ranges_.end(), pos,
                         [](size_t p, const TextRange& range) { return p < range.end; }) -
        ranges_.begin());
  }
  while (next_ < ranges_.size() && ranges_[next_].end <= pos) ++next_;
  return next_ < ranges_.size() && ranges_[next_].begin <= pos;
}

}  // namespace kelvane
