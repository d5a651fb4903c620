// The constructs open at a place of the masked text (comments, strings and
// the argument lists without a function body stand as tokens): brackets and
// blocks, as the clean-up counts them in the restored text when it decides
// whether a ";" may go. The passes that must tell a table constructor from a
// block or a call ask it.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/char_class.h"
#include "engine/lua_nesting.h"
#include "engine/scan.h"

namespace kelvane {

// Asked at places in increasing order.
class MaskedNesting {
 public:
  explicit MaskedNesting(std::string_view text) : text_(text) {}

  // Whether the innermost construct open at `pos` (no word character) is a
  // table constructor.
  bool InTableAt(size_t pos) {
    // Only brackets and the words that may open or close a block count: the
    // scan goes from one of their first letters to the next.
    static constexpr ByteSet kStarts = ByteSet::Of([](char c) {
      return c == '{' || c == '(' || c == '[' || c == '}' || c == ')' || c == ']' || c == 'i' ||
             c == 'd' || c == 'r' || c == 'f' || c == 'e' || c == 'u';
    });
    while (scanned_ < pos) {
      // Looked for before `pos` only: past it, the next question looks again.
      const size_t at = FindInSet(text_.substr(0, pos), scanned_, kStarts);
      if (at >= pos) {
        scanned_ = pos;
        break;
      }
      const char c = text_[at];
      if (!IsWord(c)) {
        if (c == '{' || c == '(' || c == '[') {
          nesting_.Open(c);
        } else {
          nesting_.Close();
        }
        scanned_ = at + 1;
        continue;
      }
      size_t end = at + 1;
      while (end < text_.size() && IsWord(text_[end])) ++end;
      if (at == 0 || !IsWord(text_[at - 1])) nesting_.Word(text_.substr(at, end - at));
      scanned_ = end;
    }
    return nesting_.InTable();
  }

 private:
  std::string_view text_;
  size_t scanned_ = 0;
  Nesting nesting_;
};

}  // namespace kelvane
