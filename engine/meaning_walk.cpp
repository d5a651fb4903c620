// The meaning check's walk over alike bytes: most of an input and its
// formatted output are alike byte for byte, white space aside. The walk
// passes such stretches without reading them as tokens, which makes the
// check several times cheaper, and gives the rest back to the token streams
// (meaning_check.cpp) wherever the texts part or it cannot be sure. It asks
// the same questions as the token streams (SeparatorIsLayout, SameNumeral,
// Nesting), so its verdict is theirs.

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "engine/char_class.h"
#include "engine/lua_lexer.h"
#include "engine/meaning_tokens.h"

namespace kelvane::meaning {
namespace {

// Whether a token that ends in byte `p` might go on, or join the token after
// it, when byte `c` follows with nothing between: then a token boundary
// between them is not certain. `p_began` says that a token began at `p`,
// which matters for a sign: one that began a token is an operator, and only
// an exponent's sign ("1e-5", "0x1p-4") goes on. It errs towards "might".
inline bool MayJoin(char p, bool p_began, char c) {
  if (IsWord(p)) {
    return IsWord(c) || c == '.' ||
           ((c == '+' || c == '-') && (p == 'e' || p == 'E' || p == 'p' || p == 'P'));
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

// What the walk asks of a byte, answered by one lookup.
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

// The first byte after a separator at `p`, past white space: whether it is
// the "}" that closes the table.
bool ClosesNext(const char* p, const char* end) {
  p = SkipSpace(p + 1, end);
  return p < end && *p == '}';
}

}  // namespace

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
// texts and no separator was the last token. Brackets and block keywords go
// into both Nestings as they pass.
bool WalkAlikeBytes(MeaningTokens& in, MeaningTokens& out, const Rules& rules, size_t& stop) {
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
  // A block keyword just walked, whose effect waits until its end is certain.
  std::string_view pending_block_keyword;
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
    if (!pending_block_keyword.empty()) {
      // The keyword just walked counts only where it certainly ended (no
      // block keyword ends in a letter that takes a sign), and before the
      // separators after it are judged; else the token streams read it again
      // from the last kept place.
      auto may_go_on = [](char next) { return IsWord(next) || next == '.'; };
      if ((p == end_p && may_go_on(c)) || (q == end_q && may_go_on(d))) break;
      in.nesting().Word(pending_block_keyword);
      out.nesting().Word(pending_block_keyword);
      pending_block_keyword = {};
    }
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
      const bool after_field = last != '{' && last != ',' && last != ';';
      if (c == ';' && d != ';' &&
          SeparatorIsLayout(';', in.nesting().InTable(), after_field, ClosesNext(p, a_end))) {
        // A ";" the output dropped.
        p = SkipSpace(p + 1, a_end);
        c = p < a_end ? *p : '\0';
      } else if (d == ',' && c != ',' &&
                 SeparatorIsLayout(',', out.nesting().InTable(), after_field,
                                   ClosesNext(q, b_end))) {
        // A "," the output added.
        q = SkipSpace(q + 1, b_end);
        d = q < b_end ? *q : '\0';
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
            !SameNumeral(a.substr(i, numeral_end_a - i), b.substr(j, numeral_end_b - j), rules)) {
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
      const char* const word = p;
      do {
        ++p;
        ++q;
      } while (p < a_end && q < b_end && IsWord(*p) && *p == *q);
      last = p[-1];
      const std::string_view walked(word, static_cast<size_t>(p - word));
      if (Nesting::BlockEffect(walked) != 0) pending_block_keyword = walked;
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
        in.nesting().Open(c);
        out.nesting().Open(c);
      } else if (c == '}' || c == ')' || c == ']') {
        in.nesting().Close();
        out.nesting().Close();
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

}  // namespace kelvane::meaning
