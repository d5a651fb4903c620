// The meaning check: two token streams read in step, each normalised as it
// is read, so that the check keeps no token list and costs one pass over
// each text.

#include "engine/meaning_check.h"

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
    "and",   "break", "do",     "else", "elseif", "end",   "false", "for",
    "function", "goto", "if",   "in",   "local",  "nil",   "not",   "or",
    "repeat", "return", "then", "true", "until",  "while"};

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

// Lua's own tokens, comments skipped, lines counted (LF, CR LF or a lone CR).
// Tokens are read in batches into an array: a call per token, and stores to
// a token that might alias the reader's position, cost more than reading it.
class RawTokens {
 public:
  explicit RawTokens(std::string_view text) : text_(text) {}

  // Reads up to `room` tokens into `out`; fewer only at the end of the text.
  size_t Fill(Token* out, size_t room) {
    Cursor at = at_;
    size_t count = 0;
    while (count < room && Read(at, out[count])) ++count;
    at_ = at;
    return count;
  }

  size_t line() const { return at_.line; }

 private:
  struct Cursor {
    size_t pos = 0;
    size_t line = 1;
    TokenKind previous_kind = TokenKind::kSymbol;
    std::string_view previous_text;
  };

  __attribute__((always_inline)) bool Read(Cursor& at, Token& token) {
    const char* const data = text_.data();
    const size_t size = text_.size();
    size_t pos = at.pos;
    bool new_line = false;
    size_t end = 0;
    size_t lines_inside = 0;  // line ends inside a string token
    TokenKind kind = TokenKind::kSymbol;
    while (true) {
      uint8_t role = kBlank;
      while (pos < size && (role = RoleOf(data[pos])) <= kLineEnd) {
        if (role == kLineEnd && CountsLine(pos)) {
          ++at.line;
          new_line = true;
        }
        ++pos;
      }
      if (pos >= size) {
        at.pos = pos;
        return false;
      }
      if (role != kMayStartLiteral) break;
      if (data[pos] == '-' && (pos + 1 >= size || data[pos + 1] != '-')) break;
      const LiteralSpan span = LiteralAt(text_, pos, /*comments=*/true, &memo_);
      if (span.end == 0) break;
      const size_t lines = LineEndsIn(span.begin, span.end);
      if (span.kind == LiteralKind::kQuotedString || span.kind == LiteralKind::kLongString) {
        kind = TokenKind::kString;
        end = span.end;
        lines_inside = lines;
        break;
      }
      at.line += lines;
      new_line |= lines != 0;
      pos = span.end;
    }
    if (kind != TokenKind::kString) {
      const char c = data[pos];
      const char next = pos + 1 < size ? data[pos + 1] : '\0';
      const uint8_t role = RoleOf(c);
      end = pos + 1;
      if (role == kNameStart) {
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
    }
    token.kind = kind;
    token.text = std::string_view(data + pos, end - pos);
    token.line = at.line;
    token.ambiguous_call = new_line && kind == TokenKind::kSymbol && end == pos + 1 &&
                           data[pos] == '(' && EndsCall(at.previous_kind, at.previous_text);
    at.previous_kind = kind;
    at.previous_text = token.text;
    at.line += lines_inside;
    at.pos = end;
    return true;
  }

  // True when the line end at `i` counts: CR LF counts once, at its LF.
  bool CountsLine(size_t i) const {
    return text_[i] == '\n' || i + 1 >= text_.size() || text_[i + 1] != '\n';
  }

  // The count of line ends in [begin, end), found with memchr since most
  // literals hold none.
  size_t LineEndsIn(size_t begin, size_t end) const {
    const std::string_view span = text_.substr(begin, end - begin);
    if (span.find('\n') == std::string_view::npos && span.find('\r') == std::string_view::npos) {
      return 0;
    }
    size_t lines = 0;
    for (size_t i = begin; i < end; ++i) {
      if ((text_[i] == '\n' || text_[i] == '\r') && CountsLine(i)) ++lines;
    }
    return lines;
  }

  // A token after which "(" would continue a call: a name, a string, or ")",
  // "]" or "}".
  static bool EndsCall(TokenKind kind, std::string_view text) {
    if (kind == TokenKind::kName) return !IsKeyword(text);
    if (kind == TokenKind::kString) return true;
    return kind == TokenKind::kSymbol && (text == ")" || text == "]" || text == "}");
  }

  std::string_view text_;
  Cursor at_;
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
          const Token* next = Peek();
          if (in_table && next != nullptr && IsSymbol(*next, '}') && !last_was_open_or_separator_) {
            continue;
          }
          if (c == ';' && in_table && last_was_close_brace_ && next != nullptr && IsSymbol(*next, '{')) {
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

  size_t line() const { return raw_.line(); }

 private:
  bool Take(Token& token) {
    if (next_ == count_ && !Refill()) return false;
    token = batch_[next_++];
    return true;
  }

  const Token* Peek() {
    if (next_ == count_ && !Refill()) return nullptr;
    return &batch_[next_];
  }

  bool Refill() {
    count_ = raw_.Fill(batch_.data(), batch_.size());
    next_ = 0;
    return count_ != 0;
  }

  RawTokens raw_;
  std::array<Token, 256> batch_;
  size_t next_ = 0;
  size_t count_ = 0;
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

}  // namespace

MeaningCheck CompareMeaning(std::string_view input, std::string_view output) {
  MeaningTokens in(input);
  MeaningTokens out(output);
  MeaningCheck check;
  Token a;
  Token b;
  while (true) {
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

}  // namespace kelvane
