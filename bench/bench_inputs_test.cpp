// The benchmark's inputs: deterministic, of the asked size and shape, and
// formatted by the engine exactly as by the literal reference.

#include "bench/bench_inputs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/format_options.h"
#include "engine/format_text.h"
#include "engine/messages.h"
#include "engine/process_code.h"
#include "tests/differential/pipeline_compare.h"
#include "tests/support/lua_generator.h"

namespace kelvane::bench {
namespace {

using test_support::GenerateAfterMethodHeads;
using test_support::GenerateDeepTable;
using test_support::GenerateGameLua;
using test_support::GenerateLongChains;
using test_support::GenerateOneLongLine;

size_t MaxBraceDepth(const std::string& text) {
  size_t depth = 0;
  size_t deepest = 0;
  for (char c : text) {
    if (c == '{') deepest = std::max(deepest, ++depth);
    if (c == '}' && depth > 0) --depth;
  }
  return deepest;
}

TEST(BenchInputsTest, GameLuaIsDeterministicPerSeed) {
  EXPECT_EQ(GenerateGameLua(20000, 5), GenerateGameLua(20000, 5));
  EXPECT_NE(GenerateGameLua(20000, 5), GenerateGameLua(20000, 6));
}

TEST(BenchInputsTest, GameLuaStopsJustPastTheTargetSize) {
  for (size_t target : {size_t{1}, size_t{4096}, size_t{65536}, size_t{1} << 20}) {
    const std::string text = GenerateGameLua(target, 9);
    EXPECT_GE(text.size(), target) << "target " << target;
    EXPECT_LT(text.size(), target + 2048) << "target " << target;
  }
}

TEST(BenchInputsTest, GameLuaHasEveryFeatureTheIssueNames) {
  struct Row {
    const char* feature;
    const char* needle;
  };
  const Row rows[] = {
      {"decimal with trailing zero", "1.50"},
      {"negative decimal", "-0.75"},
      {"leading point", "=.5"},
      {"exponent", "2.5E-3"},
      {"escaped quote", "\\\""},
      {"escaped backslash", "\\\\"},
      {"comment", "-- "},
      {"nested table", "= { primary = {"},
      {"if block", " then "},
      {"for block", "for i=1,"},
      {"while block", "while t > 0 do"},
      {"repeat block", "repeat t=t+1 until"},
      {"method head", ":"},
      {"global function", "\nfunction Update"},
  };
  const std::string text = GenerateGameLua(64 * 1024, 1);
  for (const Row& row : rows) {
    EXPECT_NE(text.find(row.needle), std::string::npos) << row.feature;
  }
  EXPECT_NE(text.find("\nfunction Tank:"), std::string::npos) << "method head";
}

TEST(BenchInputsTest, AdversarialShapes) {
  const std::string one_line = GenerateOneLongLine(100000);
  EXPECT_GE(one_line.size(), 100000u);
  EXPECT_EQ(one_line.find_first_of("{}\n"), std::string::npos);

  const std::string deep = GenerateDeepTable(100000, 10000);
  EXPECT_GE(deep.size(), 100000u);
  EXPECT_EQ(MaxBraceDepth(deep), 10000u);

  const std::string after = GenerateAfterMethodHeads(100000, 5000);
  EXPECT_GE(after.size(), 100000u);
  EXPECT_GE(std::count(after.begin(), after.end(), '\n'), 5000);
  EXPECT_EQ(after.rfind("function ", 0), 0u) << "starts with a method head";

  const std::string chains = GenerateLongChains(100000, 20000);
  EXPECT_GE(chains.size(), 100000u);
  EXPECT_EQ(chains.find('\n'), 4 + 2 * 20000 + 3u) << "one chain to a line";
}

size_t MaxLeadingTabs(const std::string& text) {
  size_t deepest = 0;
  size_t tabs = 0;
  bool at_line_start = true;
  for (char c : text) {
    if (c == '\n') {
      tabs = 0;
      at_line_start = true;
    } else if (c == '\t' && at_line_start) {
      deepest = std::max(deepest, ++tabs);
    } else {
      at_line_start = false;
    }
  }
  return deepest;
}

// Speed figures are only worth having for inputs the engine formats right:
// small versions of every shape agree with the literal reference where it
// judges them (and keep their meaning elsewhere), with and without "-s" and
// "-unix", and their blocks and tables balance, so that the
// output does not drift ever deeper (which a stray "--" in generated code
// once caused, turning the rest of a line into a comment).
TEST(BenchInputsTest, EngineAgreesWithReferenceOnSmallVersions) {
  struct Row {
    const char* name;
    std::string text;
    size_t max_depth;  // deepest indentation of the formatted text
  };
  const Row rows[] = {
      {"game", GenerateGameLua(12000, 21), 4},
      {"one line", GenerateOneLongLine(3000), 1},
      {"deep table", GenerateDeepTable(3000, 40), 40},
      {"after method heads", GenerateAfterMethodHeads(12000, 100), 4},
      {"long chains", GenerateLongChains(3000, 500), 0},
  };
  for (const Row& row : rows) {
    for (int variant = 0; variant < 4; ++variant) {
      FormatOptions settings;
      settings.StripComments = (variant & 1) != 0;
      settings.UnixEndOfLine = (variant & 2) != 0;
      // Where the literal rules would break the input (a ";" between
      // table fields at a line end), the engine's mends and meaning check
      // judge it instead: the run must then not be refused.
      test_support::RowDifference difference =
          test_support::CompareWhereReferenceJudges(row.text, settings);
      if (!difference.judged) {
        NullMessages messages;
        EXPECT_EQ(FormatText(row.text, settings, messages).status, FormatStatus::kOk) << row.name;
      }
      EXPECT_FALSE(difference.differs)
          << row.name << " variant " << variant << ":\n"
          << test_support::DescribeRowDifference(difference, row.text, settings);
      EXPECT_EQ(difference.guard_message, nullptr) << row.name << ": the guard fired";
    }
    NullMessages messages;
    ProcessResult result = ProcessCode(row.text, FormatOptions{}, messages);
    ASSERT_EQ(result.status, FormatStatus::kOk) << row.name;
    EXPECT_LE(MaxLeadingTabs(result.text), row.max_depth) << row.name;
  }
}

}  // namespace
}  // namespace kelvane::bench
