// The language server's edits: the changed lines only, at positions an
// editor reads the same way, whatever the line ends and characters.

#include "kelvanefmt/lsp_text_edits.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvane::fmt {
namespace {

TEST(LspTextEditsTest, ReplacesTheLinesBetweenTheCommonOnes) {
  const struct {
    int line;
    std::string before;
    std::string after;
    bool utf8;
    LspPosition start;
    LspPosition end;
    std::string new_text;
  } rows[] = {
      {__LINE__, "a\nb\nc\n", "a\nB\nc\n", false, {1, 0}, {2, 0}, "B\n"},
      {__LINE__, "x=1\n", "-- h\nx = 1\n", false, {0, 0}, {1, 0}, "-- h\nx = 1\n"},
      // CR LF and a lone CR end lines as LF does.
      {__LINE__, "a\r\nb\rc\n", "a\r\nb\rC\n", false, {2, 0}, {3, 0}, "C\n"},
      // The last line has no line end: the edit ends at its last character,
      // counted in UTF-16 units ("é" one, "😀" two) or in bytes.
      {__LINE__, "a\nx=\"é😀\"", "a\nx = \"é😀\"\n", false, {1, 0}, {1, 7}, "x = \"é😀\"\n"},
      {__LINE__, "a\nx=\"é😀\"", "a\nx = \"é😀\"\n", true, {1, 0}, {1, 10}, "x = \"é😀\"\n"},
      {__LINE__, "", "x\n", false, {0, 0}, {0, 0}, "x\n"},
      {__LINE__, "x\n\n\n", "x\n", false, {1, 0}, {3, 0}, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    const std::optional<LspEdit> edit = EditBetween(row.before, row.after, row.utf8);
    ASSERT_TRUE(edit.has_value());
    EXPECT_EQ(edit->start.line, row.start.line);
    EXPECT_EQ(edit->start.character, row.start.character);
    EXPECT_EQ(edit->end.line, row.end.line);
    EXPECT_EQ(edit->end.character, row.end.character);
    EXPECT_EQ(edit->new_text, row.new_text);
  }
  EXPECT_FALSE(EditBetween("same\n", "same\n", false).has_value());
}

}  // namespace
}  // namespace kelvane::fmt
