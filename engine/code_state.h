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
};

}  // namespace kelvane
