// The meaning check by its definition: two token streams read in step, each
// normalised as it is read, so that the check keeps no token list and costs
// one pass over each text. The walk over alike bytes (meaning_walk.cpp)
// takes most of both texts faster; it hands back to the token streams
// wherever the texts part or it cannot be sure.

#include "engine/meaning_check.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <utility>

#include "engine/char_class.h"
#include "engine/lua_lexer.h"
#include "engine/meaning_tokens.h"
#include "engine/shown_bytes.h"

namespace kelvane {
namespace meaning {
namespace {

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

// A token after which "(" would continue a call: a name, a string, or ")",
// "]" or "}".
bool EndsCall(TokenKind kind, std::string_view text) {
  if (kind == TokenKind::kName) return !IsLuaKeyword(text);
  if (kind == TokenKind::kString) return true;
  return kind == TokenKind::kSymbol && (text == ")" || text == "]" || text == "}");
}

bool IsHexNumeral(std::string_view text) {
  return text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// The value of a numeral, or false when it is none Lua would read.
bool NumberValue(std::string_view text, double& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (IsHexNumeral(text)) {
    const auto [ptr, ec] = std::from_chars(begin + 2, end, value, std::chars_format::hex);
    return ec == std::errc() && ptr == end;
  }
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  return ec == std::errc() && ptr == end;
}

// Whether Lua 5.3 reads the numeral as a float: a point or an exponent.
bool IsFloatNumeral(std::string_view text) {
  const bool hex = IsHexNumeral(text);
  for (size_t k = hex ? 2 : 0; k < text.size(); ++k) {
    const char c = text[k];
    if (c == '.' || (hex ? (c == 'p' || c == 'P') : (c == 'e' || c == 'E'))) return true;
  }
  return false;
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

// The count of line ends in a text, as Lua counts them: LF, CR, and the
// pairs CR LF and LF CR as one.
size_t CountLineEnds(std::string_view text) {
  size_t lines = 0;
  for (size_t k = 0; k < text.size(); ++k) {
    const char c = text[k];
    if (c != '\n' && c != '\r') continue;
    ++lines;
    if (k + 1 < text.size() && (text[k + 1] == '\n' || text[k + 1] == '\r') && text[k + 1] != c)
      ++k;
  }
  return lines;
}

}  // namespace

bool HasLineEnd(std::string_view text) {
  return text.find_first_of("\n\r") != std::string_view::npos;
}

size_t NumeralEnd(std::string_view text, size_t pos) {
  const size_t size = text.size();
  if (pos >= size) return pos;
  const char c = text[pos];
  if (!IsDigit(c) && !(c == '.' && pos + 1 < size && IsDigit(text[pos + 1]))) return pos;
  if (IsHexNumeral(text.substr(pos))) {
    size_t end = pos + 2;
    while (end < size && (IsWord(text[end]) || text[end] == '.')) {
      const char e = text[end++];
      if ((e == 'p' || e == 'P') && end < size && (text[end] == '+' || text[end] == '-')) ++end;
    }
    return end;
  }
  size_t end = pos + 1;
  while (end < size && (IsDigit(text[end]) || text[end] == '.')) ++end;
  if (end < size && (text[end] == 'e' || text[end] == 'E')) {
    ++end;
    if (end < size && (text[end] == '+' || text[end] == '-')) ++end;
  }
  while (end < size && IsWord(text[end])) ++end;
  return end;
}

// The clean-up's own respellings ("1.50", "3.0", ".5") are decided without
// reading the values.
bool SameNumeral(std::string_view a, std::string_view b, const Rules& rules) {
  if (a == b) return true;
  if (rules.integer_numerals && IsFloatNumeral(a) != IsFloatNumeral(b)) return false;
  std::string_view whole_a, fraction_a, whole_b, fraction_b;
  if (TrimDecimal(a, whole_a, fraction_a) && TrimDecimal(b, whole_b, fraction_b) &&
      whole_a == whole_b && fraction_a == fraction_b) {
    return true;
  }
  double x = 0;
  double y = 0;
  return NumberValue(a, x) && NumberValue(b, y) && x == y;
}

bool SeparatorIsLayout(char separator, bool in_table, bool after_field, bool next_closes) {
  if (separator == ';') return !in_table;
  return separator == ',' && in_table && after_field && next_closes;
}

bool IsSymbol(const Token& token, char c) {
  return token.kind == TokenKind::kSymbol && token.text.size() == 1 && token.text[0] == c;
}

void RawTokens::SkipSeparators() {
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

bool RawTokens::Next(Token& token) {
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

void RawTokens::MoveTo(size_t pos, TokenKind last_kind, std::string_view last_text) {
  pos_ = pos;
  previous_kind_ = last_kind;
  previous_text_ = last_text;
  new_line_ = false;
}

bool MeaningTokens::Next(Token& token) {
  while (Take(token)) {
    const char c =
        token.kind == TokenKind::kSymbol && token.text.size() == 1 ? token.text[0] : '\0';
    switch (c) {
      case '{':
      case '(':
      case '[':
        nesting_.Open(c);
        break;
      case '}':
      case ')':
      case ']':
        nesting_.Close();
        break;
      case ';':
      case ',': {
        const bool in_table = nesting_.InTable();
        const bool next_closes = c == ',' && in_table && Peek() && IsSymbol(peeked_, '}');
        if (SeparatorIsLayout(c, in_table, !last_was_open_or_separator_, next_closes)) continue;
        break;
      }
      default:
        if (token.kind == TokenKind::kName) nesting_.Word(token.text);
        break;
    }
    last_was_open_or_separator_ = c == '{' || c == ',' || c == ';';
    return true;
  }
  return false;
}

void MeaningTokens::AcceptSame(size_t pos, size_t from, char last) {
  last_was_open_or_separator_ = last == '{';
  const std::string_view text = raw_.text();
  if (last == '"' || last == '\'') {
    // The walk takes in only quoted strings their quote closes.
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
               (text[start - 2] == 'e' || text[start - 2] == 'E' || text[start - 2] == 'p' ||
                text[start - 2] == 'P')) {
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

bool MeaningTokens::Take(Token& token) {
  if (has_peeked_) {
    has_peeked_ = false;
    token = peeked_;
    return true;
  }
  return raw_.Next(token);
}

bool MeaningTokens::Peek() {
  if (!has_peeked_) has_peeked_ = raw_.Next(peeked_);
  return has_peeked_;
}

namespace {

bool SameToken(const Token& a, const Token& b, const Rules& rules) {
  if (a.kind != b.kind) return false;
  if (a.kind == TokenKind::kNumber) return SameNumeral(a.text, b.text, rules);
  return a.text == b.text;
}

// A token as a message shows it: quoted, cut short, control bytes escaped.
std::string Shown(std::string_view text) {
  constexpr size_t kMost = 40;
  std::string shown = "\"";
  AppendShownBytes(shown, text.substr(0, kMost));
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

MeaningCheck Compare(std::string_view input, std::string_view output, const Rules& rules,
                     bool walk_alike_bytes) {
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
      if (in.raw().pos() >= walk_from && WalkAlikeBytes(in, out, rules, walk_from)) continue;
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
    if (!SameToken(a, b, rules)) {
      return Refusal(LineOf(input, a.text), Shown(a.text) + " would become " + Shown(b.text));
    }
    if (b.ambiguous_call && !a.ambiguous_call) {
      return Refusal(LineOf(input, a.text),
                     "a line would start with \"(\" right after a call, which Lua 5.1 rejects");
    }
  }
}

}  // namespace
}  // namespace meaning

MeaningCheck CompareMeaning(std::string_view input, std::string_view output,
                            const MeaningRules& rules) {
  return meaning::Compare(input, output, rules, /*walk_alike_bytes=*/true);
}

MeaningCheck CompareMeaningByTokens(std::string_view input, std::string_view output,
                                    const MeaningRules& rules) {
  return meaning::Compare(input, output, rules, /*walk_alike_bytes=*/false);
}

}  // namespace kelvane
