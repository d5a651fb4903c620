// The working text and the four tables of protected sequences that live for
// one call of ProcessCode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvane {

struct CodeState {
  std::string text;  // the working text every pass transforms in turn

  std::vector<std::string> comments_table;   // CommentsTable: entry n is token @c<n>c@
  std::vector<std::string> strings_table;    // StringsTable:  @s<n>s@
  std::vector<std::string> arguments_table;  // ArgumentsTable: @a<n>a@
  std::vector<std::string> indices_table;    // IndicesTable:  @i<n>i@

  // CommentsCount is kept apart from the table: with "-s" the comments are
  // deleted and the count is set to -1, so that nothing is restored.
  int64_t comments_count = 0;

  // A pass writes its result into this buffer and swaps it with `text`, so
  // that the two buffers keep their capacity from pass to pass instead of
  // every pass allocating (and the system zeroing) a fresh one.
  std::string& Scratch(size_t capacity) {
    scratch_.clear();
    scratch_.reserve(capacity);
    return scratch_;
  }
  void CommitScratch() { text.swap(scratch_); }

 private:
  std::string scratch_;
};

}  // namespace kelvane
