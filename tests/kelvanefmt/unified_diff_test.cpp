// Unified diffs as `diff -u` prints them, down to the last line without LF.

#include "kelvanefmt/unified_diff.h"

#include <gtest/gtest.h>

namespace kelvane::fmt {
namespace {

TEST(UnifiedDiffTest, HunksAsDiffPrintsThem) {
  const struct {
    int line;
    const char* before;
    const char* after;
    const char* expected_hunks;
  } rows[] = {
      {__LINE__, "a\nb\n", "a\nb\n", ""},
      {__LINE__, "a\n", "b\n", "@@ -1,1 +1,1 @@\n-a\n+b\n"},
      {__LINE__, "", "a\nb\n", "@@ -0,0 +1,2 @@\n+a\n+b\n"},
      {__LINE__, "a\nb\n", "", "@@ -1,2 +0,0 @@\n-a\n-b\n"},
      // Three lines of context; changes further apart make two hunks.
      {__LINE__, "1\n2\n3\n4\n5\n6\n7\n8\n9\n", "x\n2\n3\n4\n5\n6\n7\n8\ny\n",
       "@@ -1,4 +1,4 @@\n-1\n+x\n 2\n 3\n 4\n@@ -6,4 +6,4 @@\n 6\n 7\n 8\n-9\n+y\n"},
      {__LINE__, "a\nb", "a\nb\n", "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n"},
      {__LINE__, "a\r\n", "a\n", "@@ -1,1 +1,1 @@\n-a\r\n+a\n"},
  };
  for (const auto& row : rows) {
    const std::string expected =
        *row.expected_hunks == '\0' ? "" : std::string("--- f\n+++ f\n") + row.expected_hunks;
    EXPECT_EQ(UnifiedDiff(row.before, row.after, "f"), expected) << "row at line " << row.line;
  }
}

// As GNU diff 3.8 writes them, so that `patch` reads back the very name.
TEST(UnifiedDiffTest, NamesInHeadersAreQuotedAsDiffQuotesThem) {
  const struct {
    int line;
    const char* name;
    const char* header_name;
  } rows[] = {
      {__LINE__, "mods/a.lua", "mods/a.lua"},
      {__LINE__, "a$b.lua", "a$b.lua"},
      {__LINE__, "a b.lua", "\"a b.lua\""},
      {__LINE__, "a\"b.lua", "\"a\\\"b.lua\""},
      {__LINE__, "a\\b.lua", "\"a\\\\b.lua\""},
      {__LINE__, "a\tt.lua", "\"a\\tt.lua\""},
      {__LINE__, "x\n+++ y.lua", "\"x\\n+++ y.lua\""},
      {__LINE__, "q\033.lua", "\"q\\033.lua\""},
      {__LINE__, "\xc3\xa9.lua", "\"\\303\\251.lua\""},
  };
  for (const auto& row : rows) {
    const std::string header = UnifiedDiff("a\n", "b\n", row.name);
    const std::string expected =
        std::string("--- ") + row.header_name + "\n+++ " + row.header_name + "\n";
    EXPECT_TRUE(header.starts_with(expected)) << "row at line " << row.line << ": " << header;
  }
}

}  // namespace
}  // namespace kelvane::fmt
