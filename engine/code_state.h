// The working text and the four tables of protected sequences that live for
// one call of ProcessCode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/text_range.h"

namespace kelvane {

struct CodeState {
  std::string text;  // the working text every pass transforms in turn

  // Entry n of each table is the text that token n of its kind stands for:
  // @c<n>c@, @s<n>s@, @a<n>a@, @i<n>i@.
  std::vector<std::string> CommentsTable;
  std::vector<std::string> StringsTable;
  std::vector<std::string> ArgumentsTable;
  std::vector<std::string> IndicesTable;

  // Kept apart from the table: with "-s" the comments are deleted and the
  // count is set to -1, so that nothing is restored.
  int64_t CommentsCount = 0;

  // The input shows Lua 5.3 or later (ShowsIntegerNumerals): a numeral in
  // the code keeps the point that makes it a float ("2.0" stays).
  bool integer_numerals = false;

  // A byte the input does not hold that stands for each of its "@" from the
  // start of masking to the end of restoring, so that text such as "@a0a@"
  // in the input is never taken for a token; 0 when the input holds nothing
  // that could be.
  char at_sign_stand_in = 0;

  // A pass writes its result into this buffer and swaps it with `text`, so
  // that the two buffers keep their capacity from pass to pass instead of
  // every pass allocating (and the system zeroing) a fresh one.
  // A buffer too small is let go before the new one is taken, and the new
  // one is taken at the size asked (growing, a string would double), so that
  // at most the two texts are held at once.
  std::string& Scratch(size_t capacity) {
    scratch_.clear();
    if (scratch_.capacity() < capacity) {
      std::string().swap(scratch_);
      scratch_.reserve(capacity);
    }
    return scratch_;
  }
  // Lets the four tables go once every token is back in the text.
  void ReleaseTables() {
    for (auto* table : {&CommentsTable, &StringsTable, &ArgumentsTable, &IndicesTable}) {
      std::vector<std::string>().swap(*table);
    }
  }
  // Any pass that rewrites the text this way drops `string_literals`.
  void CommitScratch() {
    text.swap(scratch_);
    string_literals.reset();
  }

  // Where the string literals of `text` are, once a clean-up pass has looked
  // and as long as the passes after it carry them along (TextRewriter), so
  // that the text is scanned for them once rather than once per pass. Passes
  // that change `text` in place reset it.
  std::optional<std::vector<TextRange>> string_literals;

 private:
  std::string scratch_;
};

}  // namespace kelvane
