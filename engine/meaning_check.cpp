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
#include <cstring>
#include <utility>

#include "engine/char_class.h"
#include "engine/lua_lexer.h"

namespace kelvane {
namespace {

enum class TokenKind { kName, kNumber, kString, kSymbol };

struct Token {
  TokenKind kind = TokenKind::kSymbol;
  std::string_view text;
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

bool HasLineEnd(std::string_view text) {
  return text.find_first_of("\n\r") != std::string_view::npos;
}

// The count of line ends (LF, CR LF or a lone CR) in a text.
size_t CountLineEnds(std::string_view text) {
  size_t lines = 0;
  for (size_t k = 0; k < text.size(); ++k) {
    const char c = text[k];
    if (c == '\n' || (c == '\r' && (k + 1 >= text.size() || text[k + 1] != '\n'))) ++lines;
  }
  return lines;
}

// The end of the numeral that starts at `pos`, read as Lua reads one: digits
// and points, an exponent sign, then any letters, digits and "_" (so "0x1F"
// and the malformed "1e" too); `pos` itself when none starts there.
size_t NumeralEnd(std::string_view text, size_t pos) {
  const size_t size = text.size();
  if (pos >= size) return pos;
  const char c = text[pos];
  if (!IsDigit(c) && !(c == '.' && pos + 1 < size && IsDigit(text[pos + 1]))) return pos;
  size_t end = pos + 1;
  while (end < size && (IsDigit(text[end]) || text[end] == '.')) ++end;
  if (end < size && (text[end] == 'e' || text[end] == 'E')) {
    ++end;
    if (end < size && (text[end] == '+' || text[end] == '-')) ++end;
  }
  while (end < size && IsWord(text[end])) ++end;
  return end;
}

// Lua's own tokens, comments skipped. Line numbers are not kept: only a
// refusal needs one, and LineOf finds it then.
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
        new_line_ |= role == kLineEnd;
        ++pos;
      }
      if (pos >= size || role != kMayStartLiteral) break;
      if (data[pos] != '-' || pos + 1 >= size || data[pos + 1] != '-') break;
      const LiteralSpan span = LiteralAt(text_, pos, /*comments=*/true, &memo_);
      new_line_ |= HasLineEnd(text_.substr(span.begin, span.end - span.begin));
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
    TokenKind kind = TokenKind::kSymbol;
    const char c = data[pos];
    const char next = pos + 1 < size ? data[pos + 1] : '\0';
    const uint8_t role = RoleOf(c);
    LiteralSpan span;
    if (role == kMayStartLiteral && c != '-' &&
        (span = LiteralAt(text_, pos, /*comments=*/false, &memo_)).end != 0) {
      kind = TokenKind::kString;
      end = span.end;
    } else if (role == kNameStart) {
      while (end < size && IsWord(data[end])) ++end;
      kind = TokenKind::kName;
    } else if (role == kDigit || (c == '.' && IsDigit(next))) {
      end = NumeralEnd(text_, pos);
      kind = TokenKind::kNumber;
    } else if (c == '.' && next == '.') {
      end = pos + 2 < size && data[pos + 2] == '.' ? pos + 3 : pos + 2;
    } else if ((next == '=' && (c == '=' || c == '~' || c == '<' || c == '>')) ||
               (next == c && (c == ':' || c == '/' || c == '<' || c == '>'))) {
      end = pos + 2;  // "==", "~=", "<=", ">=", "::", "//", "<<", ">>"
    }
    token.kind = kind;
    token.text = std::string_view(data + pos, end - pos);
    token.ambiguous_call = new_line_ && kind == TokenKind::kSymbol && end == pos + 1 && c == '(' &&
                           EndsCall(previous_kind_, previous_text_);
    previous_kind_ = kind;
    previous_text_ = token.text;
    new_line_ = false;
    pos_ = end;
    return true;
  }

  // Moves to `pos`, where a token ends; the token that ends there is of
  // `last_kind`, spelt `last_text`.
  void MoveTo(size_t pos, TokenKind last_kind, std::string_view last_text) {
    pos_ = pos;
    previous_kind_ = last_kind;
    previous_text_ = last_text;
    new_line_ = false;
  }

  std::string_view text() const { return text_; }
  LongBracketMemo& memo() { return memo_; }
  size_t pos() const { return pos_; }

 private:
  // A token after which "(" would continue a call: a name, a string, or ")",
  // "]" or "}".
  static bool EndsCall(TokenKind kind, std::string_view text) {
    if (kind == TokenKind::kName) return !IsKeyword(text);
    if (kind == TokenKind::kString) return true;
    return kind == TokenKind::kSymbol && (text == ")" || text == "]" || text == "}");
  }

  std::string_view text_;
  size_t pos_ = 0;
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

  // Takes in a stretch of tokens that both texts hold alike, from `from`
  // up to `pos` (SameTokens), whose last token ends in `last`.
  void AcceptSame(size_t pos, size_t from, char last) {
    last_was_close_brace_ = last == '}';
    last_was_open_or_separator_ = last == '{';
    const std::string_view text = raw_.text();
    if (last == '"' || last == '\'') {
      // SameTokens takes in only quoted strings its quote closes.
      raw_.MoveTo(pos, TokenKind::kString, text.substr(pos - 1, 1));
      return;
    }
    if (!IsWord(last)) {
      raw_.MoveTo(pos, TokenKind::kSymbol, text.substr(pos - 1, 1));
      return;
    }
    // The last token of a run of words, points and exponent signs, read as
    // RawTokens reads it: "1.e5", "x.1e5" and "1e+x" end in a numeral, "a.b"
    // and "a+x" in a name. The run is read from no further back than the
    // stretch's start, so that a long run is read once, not once per stretch.
    size_t start = pos - 1;
    while (start > from) {
      const char before = text[start - 1];
      if (IsWord(before) || before == '.') {
        --start;
      } else if ((before == '+' || before == '-') && start - from >= 2 &&
                 (text[start - 2] == 'e' || text[start - 2] == 'E')) {
        start -= 2;
      } else {
        break;
      }
    }
    TokenKind kind = TokenKind::kName;
    size_t token = start;
    for (size_t k = start; k < pos;) {
      token = k;
      const char c = text[k];
      const char next = k + 1 < pos ? text[k + 1] : '\0';
      if (IsDigit(c) || (c == '.' && IsDigit(next))) {
        kind = TokenKind::kNumber;
        k = std::min(NumeralEnd(text, k), pos);
      } else if (IsWord(c)) {
        kind = TokenKind::kName;
        while (k < pos && IsWord(text[k])) ++k;
      } else {
        kind = TokenKind::kSymbol;
        k += next == '.' ? (k + 2 < pos && text[k + 2] == '.' ? 3 : 2) : 1;
      }
    }
    raw_.MoveTo(pos, kind, text.substr(token, pos - token));
  }

  std::string& open() { return open_; }

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

// A numeral of digits and at most one point, split at the point, without
// the zeros that do not count: "007.50" gives "7" and "5". False for any
// other numeral. One pass: the check meets such numerals by the thousand.
bool TrimDecimal(std::string_view text, std::string_view& whole, std::string_view& fraction) {
  size_t point = text.size();
  for (size_t k = 0; k < text.size(); ++k) {
    if (IsDigit(text[k])) continue;
    if (text[k] != '.' || point != text.size()) return false;
    point = k;
  }
  size_t begin = 0;
  while (begin < point && text[begin] == '0') ++begin;
  size_t end = text.size();
  while (end > point + 1 && text[end - 1] == '0') --end;
  whole = text.substr(begin, point - begin);
  fraction = end > point + 1 ? text.substr(point + 1, end - point - 1) : std::string_view();
  return true;
}

// Numerals mean the same when they are spelt alike or have the same value.
// The clean-up's own respellings ("1.50", "3.0", ".5") are decided without
// reading the values.
bool SameNumeral(std::string_view a, std::string_view b) {
  if (a == b) return true;
  std::string_view whole_a, fraction_a, whole_b, fraction_b;
  if (TrimDecimal(a, whole_a, fraction_a) && TrimDecimal(b, whole_b, fraction_b) &&
      whole_a == whole_b && fraction_a == fraction_b) {
    return true;
  }
  double x = 0;
  double y = 0;
  return NumberValue(a, x) && NumberValue(b, y) && x == y;
}

// Whether a token that ends in byte `p` might go on, or join the token after
// it, when byte `c` follows with nothing between: then a token boundary
// between them is not certain. `p_began` says that a token began at `p`,
// which matters for a sign: one that began a token is an operator, and only
// an exponent's sign ("1e-5") goes on. It errs towards "might".
inline bool MayJoin(char p, bool p_began, char c) {
  if (IsWord(p)) {
    return IsWord(c) || c == '.' || ((c == '+' || c == '-') && (p == 'e' || p == 'E'));
  }
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
      // "--" starts a comment.
      if (c == '-') return true;
      [[fallthrough]];
    case '+':
      return !p_began && (IsWord(c) || c == '.');
    case '[':
      return c == '[' || c == '=';
    default:
      return false;
  }
}

// True when the innermost open bracket is a table constructor's.
bool InTable(const std::string& open) { return !open.empty() && open.back() == '{'; }

// What SameTokens asks of a byte, answered by one lookup.
enum WalkBits : uint8_t {
  // Walked over one at a time: printable ASCII but for white space and
  // quotes (strings are taken whole).
  kWalked = 1,
  // May start a numeral: a digit or a point.
  kNumeralStart = 2,
  // Wants a closer look: brackets, and what may start a comment or a long
  // bracket.
  kCloserLook = 4,
};

constexpr std::array<uint8_t, 256> MakeWalkBits() {
  std::array<uint8_t, 256> bits{};
  for (int c = 0; c < 256; ++c) {
    uint8_t b = 0;
    if (c >= 33 && c < 127 && c != '"' && c != '\'') b |= kWalked;
    if ((c >= '0' && c <= '9') || c == '.') b |= kNumeralStart;
    if (c == '(' || c == ')' || c == '[' || c == ']' || c == '{' || c == '}' || c == '-') {
      b |= kCloserLook;
    }
    bits[c] = b;
  }
  return bits;
}

constexpr std::array<uint8_t, 256> kWalkBits = MakeWalkBits();

uint8_t WalkBitsOf(char c) { return kWalkBits[static_cast<unsigned char>(c)]; }

// The first byte at or after `p` that is no white space.
inline const char* SkipSpace(const char* p, const char* end) {
  while (p < end && IsSpace(*p)) ++p;
  return p;
}

bool StartsComment(const char* p, const char* end) {
  return end - p >= 2 && p[0] == '-' && p[1] == '-';
}

// The first byte after the comments at `p` and the white space between and
// after them. Rare enough in the walk to stay out of line.
[[gnu::noinline]] const char* SkipComments(std::string_view text, const char* p,
                                           LongBracketMemo& memo) {
  const char* const end = text.data() + text.size();
  while (StartsComment(p, end)) {
    const size_t pos = static_cast<size_t>(p - text.data());
    p = text.data() + LiteralAt(text, pos, /*comments=*/true, &memo).end;
    p = SkipSpace(p, end);
  }
  return p;
}

// A quoted string that starts at `p` and its quote closes, alike in both
// texts: its length, or 0.
size_t SameQuotedString(std::string_view a, const char* p, const char* q, const char* q_end) {
  const size_t pos = static_cast<size_t>(p - a.data());
  const size_t length = LiteralAt(a, pos, /*comments=*/false).end - pos;
  // Only a string its quote closes: an odd count of backslashes before the
  // last quote would mean the string ran to its line's end.
  size_t backslashes = 0;
  while (length >= 2 + backslashes && p[length - 2 - backslashes] == '\\') ++backslashes;
  if (length < 2 || p[length - 1] != *p || backslashes % 2 != 0 ||
      static_cast<size_t>(q_end - q) < length || std::memcmp(p, q, length) != 0) {
    return 0;
  }
  return length;
}

// Reads both texts in step, from where each has its next token, for as long
// as they hold the same tokens in the same order: the same bytes, white space
// aside, where the white space of one text and not the other falls only
// where a token certainly ends (MayJoin). Tokens equal in bytes mean the
// same, and the separator rules of MeaningTokens decide alike for both texts
// as long as the token after a separator is alike too; so most of a check is
// this walk, with no tokens read. The formatting's commonest changes are
// taken in the walk too: numerals spelt otherwise ("1.50" and "1.5"), a ";"
// dropped after a statement, and a "," added after a table's last field. It
// stops before anything it cannot be sure of (a long string, an unfinished
// string, a "(" on a new line, bytes that differ) and gives the
// rest back to MeaningTokens at the last place where a token ends in both
// texts and no separator was the last token. Brackets go onto both stacks as
// they pass. `stop` gets where in the input it stopped. False when it moved
// neither text.
bool SameTokens(MeaningTokens& in, MeaningTokens& out, size_t& stop) {
  const std::string_view a = in.raw().text();
  const std::string_view b = out.raw().text();
  const char* const a_end = a.data() + a.size();
  const char* const b_end = b.data() + b.size();
  const char* p = a.data() + in.raw().pos();
  const char* q = b.data() + out.raw().pos();
  // Where a token surely begins in each text.
  const size_t walk_start_a = in.raw().pos();
  const size_t walk_start_b = out.raw().pos();
  // The last place where both texts end a token, and the byte before it.
  const char* kept_p = nullptr;
  const char* kept_q = nullptr;
  char kept_last = '\0';
  char last = '\0';   // the byte before p and q; none at the start
  bool began = true;  // whether a token began at `last`
  while (true) {
    // Where the token before p and q ends: white space, comments and
    // separators the output dropped or added lie between.
    const char* const end_p = p;
    const char* const end_q = q;
    if (last != '\0') {
      p = SkipSpace(p, a_end);
      q = SkipSpace(q, b_end);
    }
    char c = p < a_end ? *p : '\0';
    char d = q < b_end ? *q : '\0';
    if ((c != d || c == '-') && last != '\0') {
      // Comments part tokens as white space does; but a numeral's exponent
      // takes the first "-" of "1e--x".
      if (c == '-' && StartsComment(p, a_end) && (p != end_p || !MayJoin(last, began, c))) {
        p = SkipComments(a, p, in.raw().memo());
        c = p < a_end ? *p : '\0';
      }
      if (d == '-' && StartsComment(q, b_end) && (q != end_q || !MayJoin(last, began, d))) {
        q = SkipComments(b, q, out.raw().memo());
        d = q < b_end ? *q : '\0';
      }
      if (c == ';' && d != ';' && !InTable(in.open())) {
        // A ";" after a statement, which the output dropped.
        p = SkipSpace(p + 1, a_end);
        c = p < a_end ? *p : '\0';
      } else if (c == '}' && d == ',' && InTable(out.open()) && last != '{' && last != ',' &&
                 last != ';') {
        // A "," the output added after a table's last field.
        const char* const after = SkipSpace(q + 1, b_end);
        if (after < b_end && *after == '}') {
          q = after;
          d = '}';
        }
      }
    }
    // Does a token end before c and d, in both texts alike? Where both have
    // white space, surely; where neither has, c and d must be alike anyway.
    const bool blank_a = p != end_p || last == '\0';
    const bool blank_b = q != end_q || last == '\0';
    bool ends_a = true;
    bool ends_b = true;
    if (!blank_a) ends_a = !MayJoin(last, began, c);
    if (!blank_b) ends_b = c == d && !blank_a ? ends_a : !MayJoin(last, began, d);
    if (ends_a && ends_b && last != ',' && last != ';') {
      kept_p = end_p;
      kept_q = end_q;
      kept_last = last;
    }
    if (ends_a && ends_b && ((WalkBitsOf(c) | WalkBitsOf(d)) & kNumeralStart) != 0) {
      // A numeral in either text: the other must hold one of the same value,
      // ending in a byte alike for MayJoin.
      const size_t i = static_cast<size_t>(p - a.data());
      const size_t j = static_cast<size_t>(q - b.data());
      const size_t numeral_end_a = NumeralEnd(a, i);
      const size_t length = numeral_end_a - i;
      if (length != 0 && static_cast<size_t>(b_end - q) > length && std::equal(p, p + length, q) &&
          !IsWord(q[length]) && q[length] != '.' && q[length] != '+' && q[length] != '-') {
        // Spelt alike, and nothing after it in the output could make it longer.
        p += length;
        q += length;
        last = p[-1];
        began = false;
        continue;
      }
      const size_t numeral_end_b = NumeralEnd(b, j);
      if ((numeral_end_a == i) != (numeral_end_b == j)) break;
      if (numeral_end_a != i) {
        const char end_a = a[numeral_end_a - 1];
        const char end_b = b[numeral_end_b - 1];
        if ((end_a != end_b && !(IsDigit(end_a) && IsDigit(end_b))) ||
            !SameNumeral(a.substr(i, numeral_end_a - i), b.substr(j, numeral_end_b - j))) {
          break;
        }
        p = a.data() + numeral_end_a;
        q = b.data() + numeral_end_b;
        last = end_a;
        began = false;
        continue;
      }
    }
    if (c != d || c == '\0' || ends_a != ends_b) break;
    if (IsWord(c)) {
      // The bytes of a name or numeral, alike in both texts.
      do {
        ++p;
        ++q;
      } while (p < a_end && q < b_end && IsWord(*p) && *p == *q);
      last = p[-1];
      continue;
    }
    if (c == '"' || c == '\'') {
      const size_t length = SameQuotedString(a, p, q, b_end);
      if (length == 0) break;
      p += length;
      q += length;
      last = c;
      continue;
    }
    const uint8_t bits = WalkBitsOf(c);
    if ((bits & kWalked) == 0) break;
    if ((bits & kCloserLook) != 0) {
      // A "(" after a line end may start a call Lua 5.1 calls ambiguous: the
      // token reader decides.
      if (c == '(' && (last == '\0' || HasLineEnd(std::string_view(end_p, p - end_p)) ||
                       HasLineEnd(std::string_view(end_q, q - end_q)))) {
        break;
      }
      if (c == '-' || c == '[') {
        const char next_a = p + 1 < a_end ? p[1] : '\0';
        const char next_b = q + 1 < b_end ? q[1] : '\0';
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
    }
    ++p;
    ++q;
    last = c;
    began = ends_a;
  }
  stop = static_cast<size_t>(p - a.data());
  if (kept_last == '\0') return false;
  in.AcceptSame(static_cast<size_t>(kept_p - a.data()), walk_start_a, kept_last);
  out.AcceptSame(static_cast<size_t>(kept_q - b.data()), walk_start_b, kept_last);
  return true;
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
  if (a.kind == TokenKind::kNumber) return SameNumeral(a.text, b.text);
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

// The line of `text` that `token`, a part of it, starts on.
size_t LineOf(std::string_view text, std::string_view token) {
  return 1 + CountLineEnds(text.substr(0, static_cast<size_t>(token.data() - text.data())));
}

MeaningCheck Refusal(size_t input_line, std::string why) {
  MeaningCheck check;
  check.same = false;
  check.input_line = input_line;
  check.why = std::move(why);
  return check;
}

MeaningCheck Compare(std::string_view input, std::string_view output, bool walk_alike_bytes) {
  MeaningTokens in(input);
  MeaningTokens out(output);
  Token a;
  Token b;
  // Where the last walk stopped. The tokens from where it handed back up to
  // there are read one by one before the next walk starts: a walk that
  // started again at once would walk the same stretch again, once per token
  // of it (as in a long chain "a.b.c..." no place of which certainly ends a
  // token).
  size_t walk_from = 0;
  while (true) {
    if (walk_alike_bytes && in.Settled() && out.Settled()) {
      in.raw().SkipSeparators();
      out.raw().SkipSeparators();
      if (in.raw().pos() >= walk_from && SameTokens(in, out, walk_from)) continue;
    }
    const bool has_a = in.Next(a);
    const bool has_b = out.Next(b);
    if (!has_a && !has_b) return MeaningCheck{};
    if (!has_b) {
      return Refusal(LineOf(input, a.text), Shown(a.text) + " and the code after it would be lost");
    }
    if (!has_a) {
      return Refusal(LineOf(input, input.substr(input.size())),
                     Shown(b.text) + " would appear after the end of the code");
    }
    if (!SameToken(a, b)) {
      return Refusal(LineOf(input, a.text), Shown(a.text) + " would become " + Shown(b.text));
    }
    if (b.ambiguous_call && !a.ambiguous_call) {
      return Refusal(LineOf(input, a.text),
                     "a line would start with \"(\" right after a call, which Lua 5.1 rejects");
    }
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
