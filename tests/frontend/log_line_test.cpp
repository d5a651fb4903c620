// Tests for the log's line filter and TAB expansion.
#include "frontend/log_line.h"

#include <gtest/gtest.h>

namespace kelvane::frontend {
namespace {

TEST(LogLineTest, DropsEmptyLinesAndTheFilterWord) {
  const struct {
    const char* line;
    bool shown;
  } rows[] = {
      {"", false},
      {" ", true},
      {"Parsing file...\t[C:\\Work\\a.lua]", true},
      {"Parsing file...\t[C:\\Microsoft\\a.lua]", false},
      {"Microsoft (R) Windows Script Host", false},
      {"MICROSOFT", false},
      {"xxmicrosoftxx", false},
      {"Micro soft", true},
      {"micros\xC3\xB6"
       "ft",
       true},
  };
  for (const auto& row : rows) EXPECT_EQ(IsLineShown(row.line), row.shown) << "line: " << row.line;
}

TEST(LogLineTest, ExpandsEachTabToFourSpaces) {
  const struct {
    const char* line;
    const char* expected;
  } rows[] = {
      {"\tx\t", "    x    "},
      {"\t\tPass...", "        Pass..."},
      {"a\tb", "a    b"},
      {"no tabs", "no tabs"},
      {"", ""},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ExpandTabs(row.line), row.expected) << "line: " << row.line;
}

}  // namespace
}  // namespace kelvane::frontend
