// Tests for building the engine's command line and its argument vector.
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

TEST(CommandLineTest, BuildsTheSameArgumentsAsAVector) {
  const struct {
    const char* name;
    const char* input;
    const char* output;
    signed char overwrite;
    signed char strip;
    std::vector<std::string> expected;
  } rows[] = {
      {"strip", "/w/a.lua", "/w/b.lua", 0, 1, {"E", "/w/a.lua", "/w/b.lua", "-s", "-verbose"}},
      {"overwrite replaces output",
       "/w/a.lua",
       "/w/b.lua",
       2,
       2,
       {"E", "/w/a.lua", "-o", "-verbose"}},
      {"empty output", "a", "", 0, 0, {"E", "a", "", "-verbose"}},
      // A quote in a path stays in its argument: it cannot add a switch.
      {"quotes and blanks kept",
       " a b ",
       R"(out" -o "x.lua)",
       0,
       0,
       {"E", " a b ", R"(out" -o "x.lua)", "-verbose"}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(BuildEngineArguments("E", row.input, row.output, row.overwrite, row.strip),
              row.expected)
        << "row: " << row.name;
  }
}

}  // namespace
}  // namespace kelvane::frontend
