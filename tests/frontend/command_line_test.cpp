// Tests for building the engine's command line and splitting it into arguments.
#include "frontend/command_line.h"

#include <gtest/gtest.h>

namespace kelvane::frontend {
namespace {

struct BuildRow {
  const char* name;
  const char* input;
  const char* output;
  signed char overwrite;
  signed char strip;
  const char* expected;
};

TEST(CommandLineTest, BuildsQuotedPathsAndSwitches) {
  const BuildRow rows[] = {
      {"strip", R"(C:\Work\a.lua)", R"(C:\Work\b.lua)", 0, 1,
       R"("E.exe" "C:\Work\a.lua" "C:\Work\b.lua" -s -verbose)"},
      {"plain", R"(C:\Work\a.lua)", R"(C:\Work\b.lua)", 0, 0,
       R"("E.exe" "C:\Work\a.lua" "C:\Work\b.lua" -verbose)"},
      {"overwrite replaces output", R"(C:\Work\a.lua)", R"(C:\Work\b.lua)", 1, 1,
       R"("E.exe" "C:\Work\a.lua" -o -s -verbose)"},
      {"overwrite 2", "a", "b", 2, 0, R"("E.exe" "a" -o -verbose)"},
      {"overwrite -1", "a", "b", -1, 0, R"("E.exe" "a" -o -verbose)"},
      {"strip 2 is no strip", "a", "b", 0, 2, R"("E.exe" "a" "b" -verbose)"},
      {"strip -1 is no strip", "a", "b", 0, -1, R"("E.exe" "a" "b" -verbose)"},
      {"empty output", "a", "", 0, 0, R"("E.exe" "a" "" -verbose)"},
      {"paths unchanged", " a b ", R"(x"y\)", 0, 0, R"("E.exe" " a b " "x"y\" -verbose)"},
  };
  for (const BuildRow& row : rows) {
    EXPECT_EQ(BuildEngineCommandLine("E.exe", row.input, row.output, row.overwrite, row.strip),
              row.expected)
        << "row: " << row.name;
  }
}

struct SplitRow {
  const char* name;
  const char* line;
  std::vector<std::string> expected;
};

TEST(CommandLineTest, SplitsAtBlanksOutsideQuotes) {
  const SplitRow rows[] = {
      {"built line", R"("/t/E" "/w/a b.lua" "" -s -verbose)",
       {"/t/E", "/w/a b.lua", "", "-s", "-verbose"}},
      {"bare words and runs of blanks", "a  b\t\tc ", {"a", "b", "c"}},
      {"quote inside a word", R"(ab"c d"e)", {"abc de"}},
      {"unterminated quote", R"(a "b c)", {"a", "b c"}},
      {"backslashes are plain", R"("C:\dir\" x)", {R"(C:\dir\)", "x"}},
      {"empty line", "", {}},
  };
  for (const SplitRow& row : rows) {
    EXPECT_EQ(SplitCommandLine(row.line), row.expected) << "row: " << row.name;
  }
}

}  // namespace
}  // namespace kelvane::frontend
