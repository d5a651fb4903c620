// The meaning check: two token streams read in step, each normalised as it
// is read, so that the check keeps no token list and costs one pass over
// each text. Most of both texts is alike byte for byte, white space aside;
// SameTokens walks such stretches without reading them as tokens, which
// makes the check several times cheaper, and hands back to the token
// streams wherever the texts part or it cannot be sure.

#include "engine/meaning_check.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>

#include "engine/char_class.h"
#include "engine/lua_lexer.h"

namespace kelvane {
namespace {

enum class TokenKind { kName, kNumber, kString, kSymbol };

struct Token {
  TokenKind kind = TokenKind::kSymbol;
  std::string_view text;
  size_t line = 1;
  // A "(" that starts its line right after a name, call or index.
  bool ambiguous_call = false;
};

constexpr std::array<std::string_view, 22> kKeywords = {
    "and",      "break",  "do",   "else", "elseif", "end",  "false", "for",
    "function", "goto",   "if",   "in",   "local",  "nil",  "not",   "or",
    "repeat",   "return", "then", "true", "until",  "while"};

bool IsKeyword(std::string_view word) {
  for (std::string_view keyword : kKeywords) {
    if (word == keyword) return true;
  }
  return false;
}

// What a byte can start, for the tokenizer's first look at a token.
enum ByteRole : uint8_t { kBlank, kLineEnd, kNameStart, kDigit, kMayStartLiteral, kDot, kOther };

constexpr std::array<uint8_t, 256> MakeByteRoles() {
  std::array<uint8_t, 256> roles{};
  for (int i = 0; i < 256; ++i) {
    const char c = static_cast<char>(i);
    uint8_t role = kOther;
    if (c == '\n' || c == '\r') {
      role = kLineEnd;
    } else if (IsSpace(c)) {
      role = kBlank;
    } else if (IsDigit(c)) {
      role = kDigit;
    } else if (IsWord(c)) {
      role = kNameStart;
    } else if (c == '"' || c == '\'' || c == '[' || c == '-') {
      role = kMayStartLiteral;
    } else if (c == '.') {
      role = kDot;
    }
    roles[i] = role;
  }
  return roles;
}

constexpr std::array<uint8_t, 256> kByteRoles = MakeByteRoles();

uint8_t RoleOf(char c) { return kByteRoles[static_cast<unsigned char>(c)]; }

// The count of line ends (LF, CR LF or a lone CR) in a literal, found with
// memchr first since most literals hold none.
size_t CountLineEnds(std::string_view text) {
  if (text.find('\n') == std::string_view::npos && text.find('\r') == std::string_view::npos) {
    return 0;
  }
  size_t lines = 0;
  for (size_t k = 0; k < text.size(); ++k) {
    const char c = text[k];
    if (c == '\n' || (c == '\r' && (k + 1 >= text.size() || text[k + 1] != '\n'))) ++lines;
  }
  return lines;
}

// Lua's own tokens, comments skipped, lines counted (LF, CR LF or a lone CR).
class RawTokens {
 public:
  explicit RawTokens(std::string_view text) : text_(text) {}

  // Moves past white space and comments to where the next token starts,
  // noting whether a line ended on the way.
  void SkipSeparators() {
    const char* const data = text_.data();
    const size_t size = text_.size();
    size_t pos = pos_;
    while (true) {
      uint8_t role = kBlank;
      while (pos < size && (role = RoleOf(data[pos])) <= kLineEnd) {
        if (role == kLineEnd && CountsLine(pos)) {
          ++line_;
          new_line_ = true;
        }
        ++pos;
      }
      if (pos >= size || role != kMayStartLiteral) break;
      if (data[pos] != '-' || pos + 1 >= size || data[pos + 1] != '-') break;
      const LiteralSpan span = LiteralAt(text_, pos, /*comments=*/true, &memo_);
      const size_t lines = LineEndsIn(span.begin, span.end);
      line_ += lines;
      new_line_ |= lines != 0;
      pos = span.end;
    }
    pos_ = pos;
  }

  bool Next(Token& token) {
    SkipSeparators();
    const char* const data = text_.data();
    const size_t size = text_.size();
    const size_t pos = pos_;
    if (pos >= size) return false;
    size_t end = pos + 1;
    size_t lines_inside = 0;  // line ends inside a string token
    TokenKind kind = TokenKind::kSymbol;
    const char c = data[pos];
    const char next = pos + 1 < size ? data[pos + 1] : '\0';
    const uint8_t role = RoleOf(c);
    LiteralSpan span;
    if (role == kMayStartLiteral && c != '-' &&
        (span = LiteralAt(text_, pos, /*comments=*/false, &memo_)).end != 0) {
      kind = TokenKind::kString;
      end = span.end;
      lines_inside = LineEndsIn(span.begin, span.end);
    } else if (role == kNameStart) {
      while (end < size && IsWord(data[end])) ++end;
      kind = TokenKind::kName;
    } else if (role == kDigit || (c == '.' && IsDigit(next))) {
      // As Lua reads a numeral: digits and points, an exponent sign, then
      // any letters, digits and "_" (so "0x1F" and the malformed "1e" too).
      while (end < size && (IsDigit(data[end]) || data[end] == '.')) ++end;
      if (end < size && (data[end] == 'e' || data[end] == 'E')) {
        ++end;
        if (end < size && (data[end] == '+' || data[end] == '-')) ++end;
      }
      while (end < size && IsWord(data[end])) ++end;
      kind = TokenKind::kNumber;
    } else if (c == '.' && next == '.') {
      end = pos + 2 < size && data[pos + 2] == '.' ? pos + 3 : pos + 2;
    } else if ((next == '=' && (c == '=' || c == '~' || c == '<' || c == '>')) ||
               (next == c && (c == ':' || c == '/' || c == '<' || c == '>'))) {
      end = pos + 2;  // "==", "~=", "<=", ">=", "::", "//", "<<", ">>"
    }
    token.kind = kind;
    token.text = std::string_view(data + pos, end - pos);
    token.line = line_;
    token.ambiguous_call = new_line_ && kind == TokenKind::kSymbol && end == pos + 1 && c == '(' &&
                           EndsCall(previous_kind_, previous_text_);
    previous_kind_ = kind;
    previous_text_ = token.text;
    line_ += lines_inside;
    new_line_ = false;
    pos_ = end;
    return true;
  }

  // Moves to `pos`, where a token ends, past `lines` line ends; the token
  // that ends there is of `last_kind`, spelt `last_text`.
  void MoveTo(size_t pos, size_t lines, TokenKind last_kind, std::string_view last_text) {
    pos_ = pos;
    line_ += lines;
    previous_kind_ = last_kind;
    previous_text_ = last_text;
    new_line_ = false;
  }

  std::string_view text() const { return text_; }
  size_t pos() const { return pos_; }
  size_t line() const { return line_; }

 private:
  // True when the line end at `i` counts: CR LF counts once, at its LF.
  bool CountsLine(size_t i) const {
    return text_[i] == '\n' || i + 1 >= text_.size() || text_[i + 1] != '\n';
  }

  size_t LineEndsIn(size_t begin, size_t end) const {
    return CountLineEnds(text_.substr(begin, end - begin));
  }

  // A token after which "(" would continue a call: a name, a string, or ")",
  // "]" or "}".
  static bool EndsCall(TokenKind kind, std::string_view text) {
    if (kind == TokenKind::kName) return !IsKeyword(text);
    if (kind == TokenKind::kString) return true;
    return kind == TokenKind::kSymbol && (text == ")" || text == "]" || text == "}");
  }

  std::string_view text_;
  size_t pos_ = 0;
  size_t line_ = 1;
  bool new_line_ = false;  // a line ended since the last token
  TokenKind previous_kind_ = TokenKind::kSymbol;
  std::string_view previous_text_;
  LongBracketMemo memo_;
};

bool IsSymbol(const Token& token, char c) {
  return token.kind == TokenKind::kSymbol && token.text.size() == 1 && token.text[0] == c;
}

// The tokens with the formatting's own changes taken out: separators that
// only end a statement or a table's last field are skipped, and a ";"
// between two tables of a constructor reads as ",".
class MeaningTokens {
 public:
  explicit MeaningTokens(std::string_view text) : raw_(text) {}

  bool Next(Token& token) {
    while (Take(token)) {
      const char c =
          token.kind == TokenKind::kSymbol && token.text.size() == 1 ? token.text[0] : '\0';
      switch (c) {
        case '{':
        case '(':
        case '[':
          open_.push_back(c);
          break;
        case '}':
        case ')':
        case ']':
          if (!open_.empty()) open_.pop_back();
          break;
        case ';':
        case ',': {
          const bool in_table = !open_.empty() && open_.back() == '{';
          if (c == ';' && !in_table) continue;
          // Only a separator after a field ends it: "{ , }" is no table.
          const bool next_closes = Peek() && IsSymbol(peeked_, '}');
          if (in_table && next_closes && !last_was_open_or_separator_) continue;
          if (c == ';' && in_table && last_was_close_brace_ && has_peeked_ &&
              IsSymbol(peeked_, '{')) {
            token.text = ",";
          }
          break;
        }
        default:
          break;
      }
      last_was_close_brace_ = c == '}';
      last_was_open_or_separator_ = c == '{' || c == ',' || c == ';';
      return true;
    }
    return false;
  }

  // True when no token has been read ahead, so that the next one starts at
  // raw().pos() once the separators are skipped.
  bool Settled() const { return !has_peeked_; }
  RawTokens& raw() { return raw_; }

  // Takes in a stretch of tokens that both texts hold alike, up to `pos`
  // (SameTokens), whose last token ends in `last`.
  void AcceptSame(size_t pos, size_t lines, char last) {
    last_was_close_brace_ = last == '}';
    last_was_open_or_separator_ = last == '{';
    const std::string_view text = raw_.text();
    if (last == '"' || last == '\'') {
      // SameTokens takes in only quoted strings its quote closes.
      raw_.MoveTo(pos, lines, TokenKind::kString, text.substr(pos - 1, 1));
      return;
    }
    if (!IsWord(last)) {
      raw_.MoveTo(pos, lines, TokenKind::kSymbol, text.substr(pos - 1, 1));
      return;
    }
    // The last token of a run of words and points, read as RawTokens reads
    // it: "1.e5" and "x.1e5" end in a numeral, "a.b" in a name.
    size_t start = pos - 1;
    while (start > 0 && (IsWord(text[start - 1]) || text[start - 1] == '.')) --start;
    TokenKind kind = TokenKind::kName;
    size_t token = start;
    for (size_t k = start; k < pos;) {
      token = k;
      const char c = text[k];
      const char next = k + 1 < pos ? text[k + 1] : '\0';
      if (IsDigit(c) || (c == '.' && IsDigit(next))) {
        kind = TokenKind::kNumber;
        while (k < pos && (IsDigit(text[k]) || text[k] == '.')) ++k;
        if (k < pos && (text[k] == 'e' || text[k] == 'E')) ++k;
        while (k < pos && IsWord(text[k])) ++k;
      } else if (IsWord(c)) {
        kind = TokenKind::kName;
        while (k < pos && IsWord(text[k])) ++k;
      } else {
        kind = TokenKind::kSymbol;
        k += next == '.' ? (k + 2 < pos && text[k + 2] == '.' ? 3 : 2) : 1;
      }
    }
    raw_.MoveTo(pos, lines, kind, text.substr(token, pos - token));
  }

  std::string& open() { return open_; }

  size_t line() const { return raw_.line(); }

 private:
  bool Take(Token& token) {
    if (has_peeked_) {
      has_peeked_ = false;
      token = peeked_;
      return true;
    }
    return raw_.Next(token);
  }

  bool Peek() {
    if (!has_peeked_) has_peeked_ = raw_.Next(peeked_);
    return has_peeked_;
  }

  RawTokens raw_;
  Token peeked_;
  bool has_peeked_ = false;
  std::string open_;
  bool last_was_close_brace_ = false;
  bool last_was_open_or_separator_ = false;
};

// Whether a token that ends in byte `p` might go on, or join the token after
// it, when byte `c` follows with nothing between: then a token boundary
// between them is not certain. It errs towards "might".
inline bool MayJoin(char p, char c) {
  if (IsWord(p)) return IsWord(c) || c == '.' || c == '+' || c == '-';
  switch (p) {
    case '.':
      return IsWord(c) || c == '.';
    case '=':
    case '~':
      return c == '=';
    case '<':
    case '>':
      return c == '=' || c == p;
    case ':':
    case '/':
      return c == p;
    case '-':
      // "--" starts a comment; either sign may be an exponent's ("1e-5").
      if (c == '-') return true;
      [[fallthrough]];
    case '+':
      return IsWord(c) || c == '.';
    case '[':
      return c == '[' || c == '=';
    default:
      return false;
  }
}

// Bytes that SameTokens walks over one at a time: printable ASCII but for
// white space and quotes (strings are taken whole).
constexpr std::array<bool, 256> MakeSameTokenBytes() {
  std::array<bool, 256> bytes{};
  for (int c = 33; c < 127; ++c) bytes[c] = c != '"' && c != '\'';
  return bytes;
}

constexpr std::array<bool, 256> kSameTokenBytes = MakeSameTokenBytes();

// Reads both texts in step, from where each has its next token, for as long
// as they hold the same tokens in the same order: the same bytes, white space
// aside, where the white space of one text and not the other falls only
// where a token certainly ends (MayJoin). Tokens equal in bytes mean the
// same, and the separator rules of MeaningTokens decide alike for both texts
// as long as the token after a separator is alike too; so most of a check is
// this walk, a byte at a time, with no tokens read. It stops before anything
// it cannot be sure of (a comment, a long string, an unfinished string, a
// "(" on a new line, bytes that differ) and gives the rest back to
// MeaningTokens at the last place where a token ends in both texts and no
// separator was the last token. Brackets go onto both stacks as they pass.
// False when it moved neither text.
// Moves `pos` past white space, counting line ends (LF, CR LF or a lone CR)
// into `lines` and noting in `line_ended` that one passed. True when it moved.
bool SkipBlanks(std::string_view text, size_t& pos, size_t& lines, bool& line_ended) {
  const size_t start = pos;
  while (pos < text.size() && IsSpace(text[pos])) {
    const char c = text[pos];
    if ((c == '\n' || c == '\r') &&
        (c == '\n' || pos + 1 >= text.size() || text[pos + 1] != '\n')) {
      ++lines;
      line_ended = true;
    }
    ++pos;
  }
  return pos != start;
}

bool SameTokens(MeaningTokens& in, MeaningTokens& out) {
  const std::string_view a = in.raw().text();
  const std::string_view b = out.raw().text();
  size_t i = in.raw().pos();
  size_t j = out.raw().pos();
  size_t lines_a = 0;
  size_t lines_b = 0;
  // The last place where both texts end a token, and what is known there.
  size_t kept_i = i;
  size_t kept_j = j;
  size_t kept_lines_a = 0;
  size_t kept_lines_b = 0;
  char kept_last = '\0';
  char last = '\0';  // the byte before i and j; none at the start
  bool blank_a = true;
  bool blank_b = true;
  // Whether a line ended before c and d; at the start, not known here, so a
  // "(" there is left to MeaningTokens.
  bool new_line = true;
  while (true) {
    const size_t end_i = i;
    const size_t end_j = j;
    const size_t end_lines_a = lines_a;
    const size_t end_lines_b = lines_b;
    if (last != '\0') {
      new_line = false;
      blank_a = SkipBlanks(a, i, lines_a, new_line);
      blank_b = SkipBlanks(b, j, lines_b, new_line);
    }
    const char c = i < a.size() ? a[i] : '\0';
    const char d = j < b.size() ? b[j] : '\0';
    // Does a token end before c and d, in both texts alike? Where both have
    // white space, surely; where neither has, c and d must be alike anyway.
    bool ends_a = true;
    bool ends_b = true;
    if (!blank_a) ends_a = !MayJoin(last, c);
    if (!blank_b) ends_b = c == d && !blank_a ? ends_a : !MayJoin(last, d);
    if (ends_a && ends_b && last != ',' && last != ';') {
      kept_i = end_i;
      kept_j = end_j;
      kept_lines_a = end_lines_a;
      kept_lines_b = end_lines_b;
      kept_last = last;
    }
    if (c != d || c == '\0' || ends_a != ends_b) break;
    if (IsWord(c)) {
      // The bytes of a name or numeral, alike in both texts.
      do {
        ++i;
        ++j;
      } while (i < a.size() && j < b.size() && IsWord(a[i]) && a[i] == b[j]);
      last = a[i - 1];
      continue;
    }
    if (c == '"' || c == '\'') {
      const LiteralSpan span = LiteralAt(a, i, /*comments=*/false);
      const size_t length = span.end - i;
      // Only a string its quote closes: an odd count of backslashes before
      // the last quote would mean the string ran to its line's end.
      size_t backslashes = 0;
      while (length >= 2 + backslashes && a[span.end - 2 - backslashes] == '\\') ++backslashes;
      if (length < 2 || a[span.end - 1] != c || backslashes % 2 != 0 || b.size() - j < length ||
          b.compare(j, length, a.substr(i, length)) != 0) {
        break;
      }
      // A string may hold line ends after a backslash; both texts hold the
      // same ones.
      const size_t lines = CountLineEnds(a.substr(i, length));
      lines_a += lines;
      lines_b += lines;
      i += length;
      j += length;
      last = c;
      continue;
    }
    if (!kSameTokenBytes[static_cast<unsigned char>(c)]) break;
    if (c == '(' && new_line) break;
    if (c == '-' || c == '[') {
      const char next_a = i + 1 < a.size() ? a[i + 1] : '\0';
      const char next_b = j + 1 < b.size() ? b[j + 1] : '\0';
      if (c == '-' && (next_a == '-' || next_b == '-')) break;
      if (c == '[' && (next_a == '[' || next_a == '=' || next_b == '[' || next_b == '=')) break;
    }
    if (c == '{' || c == '(' || c == '[') {
      in.open().push_back(c);
      out.open().push_back(c);
    } else if (c == '}' || c == ')' || c == ']') {
      if (!in.open().empty()) in.open().pop_back();
      if (!out.open().empty()) out.open().pop_back();
    }
    ++i;
    ++j;
    last = c;
  }
  if (kept_last == '\0') return false;
  in.AcceptSame(kept_i, kept_lines_a, kept_last);
  out.AcceptSame(kept_j, kept_lines_b, kept_last);
  return true;
}

// The value of a numeral, or false when it is none Lua would read.
bool NumberValue(std::string_view text, double& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    uint64_t integer = 0;
    const auto [ptr, ec] = std::from_chars(begin + 2, end, integer, 16);
    value = static_cast<double>(integer);
    return ec == std::errc() && ptr == end;
  }
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  return ec == std::errc() && ptr == end;
}

// String literals compare with their line ends read as Lua reads them: CR LF
// and a lone CR are LF.
bool SameStringLiteral(std::string_view a, std::string_view b) {
  size_t i = 0;
  size_t j = 0;
  auto next = [](std::string_view s, size_t& k) {
    char c = s[k++];
    if (c == '\r') {
      if (k < s.size() && s[k] == '\n') ++k;
      c = '\n';
    }
    return c;
  };
  while (i < a.size() && j < b.size()) {
    if (next(a, i) != next(b, j)) return false;
  }
  return i == a.size() && j == b.size();
}

bool SameToken(const Token& a, const Token& b) {
  if (a.kind != b.kind) return false;
  if (a.kind == TokenKind::kString) return a.text == b.text || SameStringLiteral(a.text, b.text);
  if (a.kind == TokenKind::kNumber && a.text != b.text) {
    double x = 0;
    double y = 0;
    return NumberValue(a.text, x) && NumberValue(b.text, y) && x == y;
  }
  return a.text == b.text;
}

// A token as a message shows it: quoted, cut short, control bytes escaped.
std::string Shown(std::string_view text) {
  constexpr size_t kMost = 40;
  std::string shown = "\"";
  for (size_t i = 0; i < text.size() && i < kMost; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      shown += "\\n";
    } else if (c < 32 || c == 127) {
      shown += '?';
    } else {
      shown += static_cast<char>(c);
    }
  }
  if (text.size() > kMost) shown += "...";
  return shown + "\"";
}

MeaningCheck Compare(std::string_view input, std::string_view output, bool walk_alike_bytes) {
  MeaningTokens in(input);
  MeaningTokens out(output);
  MeaningCheck check;
  Token a;
  Token b;
  while (true) {
    if (walk_alike_bytes && in.Settled() && out.Settled()) {
      in.raw().SkipSeparators();
      out.raw().SkipSeparators();
      if (SameTokens(in, out)) continue;
    }
    const bool has_a = in.Next(a);
    const bool has_b = out.Next(b);
    if (!has_a && !has_b) return check;
    check.same = false;
    if (!has_b) {
      check.input_line = a.line;
      check.why = Shown(a.text) + " and the code after it would be lost";
      return check;
    }
    if (!has_a) {
      check.input_line = in.line();
      check.why = Shown(b.text) + " would appear after the end of the code";
      return check;
    }
    check.input_line = a.line;
    if (!SameToken(a, b)) {
      check.why = Shown(a.text) + " would become " + Shown(b.text);
      return check;
    }
    if (b.ambiguous_call && !a.ambiguous_call) {
      check.why = "a line would start with \"(\" right after a call, which Lua 5.1 rejects";
      return check;
    }
    check.same = true;
  }
}

}  // namespace

MeaningCheck CompareMeaning(std::string_view input, std::string_view output) {
  return Compare(input, output, /*walk_alike_bytes=*/true);
}

MeaningCheck CompareMeaningByTokens(std::string_view input, std::string_view output) {
  return Compare(input, output, /*walk_alike_bytes=*/false);
}

}  // namespace kelvane
