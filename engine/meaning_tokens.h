// The meaning check's definition: Lua's tokens read from a text, and the one
// list of the differences between two token streams that are formatting
// only. The check by tokens (meaning_check.cpp) and the byte walk that
// reaches the same verdict faster (meaning_walk.cpp) both ask it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/lua_lexer.h"
#include "engine/lua_nesting.h"
#include "engine/meaning_check.h"

namespace kelvane::meaning {

enum class TokenKind { kName, kNumber, kString, kSymbol };

struct Token {
  TokenKind kind = TokenKind::kSymbol;
  std::string_view text;
  // A "(" that starts its line right after a name, call or index.
  bool ambiguous_call = false;
};

using Rules = MeaningRules;

// The end of the numeral that starts at `pos`, read as Lua reads one: digits
// and points, an exponent with its sign, then any letters, digits and "_"
// (so "0x1F" and the malformed "1e" too); in a hexadecimal numeral the
// binary exponent "p" takes a sign too ("0x1p-4", Lua 5.2 and later). `pos`
// itself when none starts there.
size_t NumeralEnd(std::string_view text, size_t pos);

// Numerals mean the same when they are spelt alike or have the same value
// (and, under `integer_numerals`, the same subtype).
bool SameNumeral(std::string_view a, std::string_view b, const Rules& rules);

// The formatting's own changes to separators, in one place:
//   - a ";" that separates no fields (outside a table constructor, or in a
//     block inside one) only ends a statement: dropped or kept alike;
//   - a "," right after a table's last field, before its "}": added or not.
// A ";" between fields is a token of its own: Lua 4.0 allows one, between
// the list part and the record part, and a "," there is another program.
// `after_field`: the token before the separator ends a field (it is no "{"
// and no separator); `next_closes`: the token after it is "}".
bool SeparatorIsLayout(char separator, bool in_table, bool after_field, bool next_closes);

// Lua's own tokens, comments skipped. Line numbers are not kept: only a
// refusal needs one, and LineOf finds it then.
class RawTokens {
 public:
  explicit RawTokens(std::string_view text) : text_(text) {}

  // Moves past white space and comments to where the next token starts,
  // noting whether a line ended on the way.
  void SkipSeparators();
  bool Next(Token& token);
  // Moves to `pos`, where a token ends; the token that ends there is of
  // `last_kind`, spelt `last_text`.
  void MoveTo(size_t pos, TokenKind last_kind, std::string_view last_text);

  std::string_view text() const { return text_; }
  LongBracketMemo& memo() { return memo_; }
  size_t pos() const { return pos_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  bool new_line_ = false;  // a line ended since the last token
  TokenKind previous_kind_ = TokenKind::kSymbol;
  std::string_view previous_text_;
  LongBracketMemo memo_;
};

// The tokens with the formatting's own changes taken out (SeparatorIsLayout).
class MeaningTokens {
 public:
  explicit MeaningTokens(std::string_view text) : raw_(text) {}

  bool Next(Token& token);

  // True when no token has been read ahead, so that the next one starts at
  // raw().pos() once the separators are skipped.
  bool Settled() const { return !has_peeked_; }
  RawTokens& raw() { return raw_; }
  Nesting& nesting() { return nesting_; }

  // Takes in a stretch of tokens that both texts hold alike, from `from`
  // up to `pos` (the walk), whose last token ends in `last`.
  void AcceptSame(size_t pos, size_t from, char last);

 private:
  bool Take(Token& token);
  bool Peek();

  RawTokens raw_;
  Token peeked_;
  bool has_peeked_ = false;
  Nesting nesting_;
  bool last_was_open_or_separator_ = false;
};

bool IsSymbol(const Token& token, char c);
bool HasLineEnd(std::string_view text);

// Reads both texts from where their MeaningTokens stand, for as long as
// they hold alike bytes that are alike tokens (meaning_walk.cpp), and hands
// back at the last place where a token ends in both. `stop` gets where in
// the input it stopped. False when it moved neither text.
bool WalkAlikeBytes(MeaningTokens& in, MeaningTokens& out, const Rules& rules, size_t& stop);

}  // namespace kelvane::meaning
