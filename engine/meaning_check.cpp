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

bool IsNameStart(char c) { return IsWord(c) && !IsDigit(c); }

// Lua's own tokens, comments skipped, lines counted (LF, CR LF or a lone CR).
class RawTokens {
 public:
  explicit RawTokens(std::string_view text) : text_(text) {}

  bool Next(Token& token) {
    bool new_line = false;
    while (true) {
      while (pos_ < text_.size() && IsSpace(text_[pos_])) {
        const char c = text_[pos_];
        if (c == '\n' || c == '\r') new_line |= CountLineEnd(pos_);
        ++pos_;
      }
      if (pos_ >= text_.size()) return false;
      const char c = text_[pos_];
      const bool may_start_literal =
          c == '"' || c == '\'' || c == '[' ||
          (c == '-' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '-');
      if (may_start_literal) {
        const LiteralSpan span = LiteralAt(text_, pos_, /*comments=*/true, &memo_);
        if (span.end != 0) {
          const bool comment = span.kind == LiteralKind::kLineComment ||
                               span.kind == LiteralKind::kBlockComment;
          if (!comment) Emit(token, TokenKind::kString, span.end, new_line);
          new_line |= CountLineEnds(span.begin, span.end);
          pos_ = span.end;
          if (!comment) return true;
          continue;
        }
      }
      break;
    }
    const char c = text_[pos_];
    size_t end = pos_ + 1;
    TokenKind kind = TokenKind::kSymbol;
    const char next = end < text_.size() ? text_[end] : '\0';
    if (IsNameStart(c)) {
      while (end < text_.size() && IsWord(text_[end])) ++end;
      kind = TokenKind::kName;
    } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
      // As Lua reads a numeral: digits and points, an exponent sign, then
      // any letters, digits and "_" (so "0x1F" and the malformed "1e" too).
      while (end < text_.size() && (IsDigit(text_[end]) || text_[end] == '.')) ++end;
      if (end < text_.size() && (text_[end] == 'e' || text_[end] == 'E')) {
        ++end;
        if (end < text_.size() && (text_[end] == '+' || text_[end] == '-')) ++end;
      }
      while (end < text_.size() && IsWord(text_[end])) ++end;
      kind = TokenKind::kNumber;
    } else if (c == '.' && next == '.') {
      end = end + 1 < text_.size() && text_[end + 1] == '.' ? pos_ + 3 : pos_ + 2;
    } else if ((next == '=' && (c == '=' || c == '~' || c == '<' || c == '>')) ||
               (next == c && (c == ':' || c == '/' || c == '<' || c == '>'))) {
      end = pos_ + 2;  // "==", "~=", "<=", ">=", "::", "//", "<<", ">>"
    }
    Emit(token, kind, end, new_line);
    return true;
  }

  size_t line() const { return line_; }

 private:
  // Counts the line ends in [begin, end); true when there was one.
  bool CountLineEnds(size_t begin, size_t end) {
    bool counted = false;
    for (size_t i = begin; i < end; ++i) {
      if (text_[i] == '\n' || text_[i] == '\r') counted |= CountLineEnd(i);
    }
    return counted;
  }

  // Counts the line end at `i`, if one is there; CR LF counts once, at its LF.
  bool CountLineEnd(size_t i) {
    const char c = text_[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= text_.size() || text_[i + 1] != '\n'))) {
      ++line_;
      return true;
    }
    return false;
  }

  void Emit(Token& token, TokenKind kind, size_t end, bool new_line) {
    token.kind = kind;
    token.text = text_.substr(pos_, end - pos_);
    token.line = line_;
    token.ambiguous_call = new_line && token.text.size() == 1 && token.text[0] == '(' &&
                           EndsCall(previous_kind_, previous_text_);
    previous_kind_ = kind;
    previous_text_ = token.text;
    pos_ = end;
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
      const bool in_table = !open_.empty() && open_.back() == '{';
      if (c == '{' || c == '(' || c == '[') {
        open_.push_back(c);
      } else if (c == '}' || c == ')' || c == ']') {
        if (!open_.empty()) open_.pop_back();
      } else if (c == ';' || c == ',') {
        if (c == ';' && !in_table) continue;
        // Only a separator after a field ends it: "{ , }" is no table.
        const bool next_closes = Peek() && IsSymbol(peeked_, '}');
        if (in_table && next_closes && !last_was_open_or_separator_) continue;
        if (c == ';' && in_table && last_was_close_brace_ && has_peeked_ && IsSymbol(peeked_, '{')) {
          token.text = ",";
        }
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
