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

namespace kelvane {

// Asked at places in increasing order.
class MaskedNesting {
 public:
  explicit MaskedNesting(std::string_view text) : text_(text) {}

  // Whether the innermost construct open at `pos` (no word character) is a
  // table constructor.
  bool InTableAt(size_t pos) {
    while (scanned_ < pos) {
      const char c = text_[scanned_];
      if (IsWord(c)) {
        size_t end = scanned_ + 1;
        while (end < text_.size() && IsWord(text_[end])) ++end;
        if (scanned_ == 0 || !IsWord(text_[scanned_ - 1])) {
          nesting_.Word(text_.substr(scanned_, end - scanned_));
        }
        scanned_ = end;
        continue;
      }
      if (c == '{' || c == '(' || c == '[') {
        nesting_.Open(c);
      } else if (c == '}' || c == ')' || c == ']') {
        nesting_.Close();
      }
      ++scanned_;
    }
    return nesting_.InTable();
  }

 private:
  std::string_view text_;
  size_t scanned_ = 0;
  Nesting nesting_;
};

}  // namespace kelvane
