// Spacing, breaking at braces and line joining, on the texts they are made
// for: what masking leaves, tokens in place.

#include <gtest/gtest.h>

#include "engine/passes/brace_breaking.h"
#include "engine/passes/joining.h"
#include "engine/passes/loop_heads.h"
#include "engine/passes/spacing.h"
#include "tests/passes/pass_rows.h"
#include "tests/support/pass_examples.h"

namespace kelvane {
namespace {

using test_support::RunRows;
using test_support::Visible;

struct Row {
  const char* input;
  const char* expected;
};

std::string Fix(const std::string& input) {
  return test_support::RunRowsOnText(input, CollapseWhitespaceRuns, JoinLoopHeads);
}

TEST(SpacingAndJoining, LaysOutTablesBlocksAndHeads) {
  const Row rows[] = {
      // Keywords whose white space the previous match consumed stay put.
      {"a and not x\n", "\ta and not\n\tx\n"},
      {"local function f@a0a@\n", "\tlocal function\n\tf@a0a@\n"},
      {"for i = 1, 10, 2 do x = i end\n", "\tfor i=1, 10, 2 do\n\tx=i\n\tend\n"},
      // A head is joined only when every part comes back as one line once the
      // operator spacing has spaced it: "n/2" becomes "n / 2", three lines on
      // the next run, which then left the head broken.
      {"for i = 1, n/2 do end\n", "\tfor i=1,\n\tn/2\n\tdo\n\tend\n"},
      {"for i = n/2, 10 do end\n", "\tfor i=n/2,\n\t10\n\tdo\n\tend\n"},
      {"for i = 4, 2, -1 do end\n", "\tfor i=4,\n\t2,\n\t-1\n\tdo\n\tend\n"},
      {"for i = -1, 0 do end\n", "\tfor i=-1,\n\t0\n\tdo\n\tend\n"},
      {"for k, v in a..b do end\n", "\tfor k,\n\tv\n\tin\n\ta..b\n\tdo\n\tend\n"},
      {"while a>0 do end\n", "\twhile a>0\n\tdo\n\tend\n"},
      // "=" and "==" between names, numbers or tokens, and exponent signs, are
      // joined again on the next run.
      {"for i = 1, x==y do end\n", "\tfor i=1, x==y do\n\tend\n"},
      {"for i = 1, 1e-5, .5 do end\n", "\tfor i=1, 1e-5, .5 do\n\tend\n"},
      {"for i = 1, t@i0i@==@s0s@ do end\n", "\tfor i=1, t@i0i@==@s0s@ do\n\tend\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Visible(Fix(row.input)), Visible(row.expected)) << "input: " << Visible(row.input);
  }
  for (const test_support::PassExample& row : test_support::kSpacingExamples) {
    const std::string input(row.input);
    EXPECT_EQ(Visible(Fix(input)), Visible(std::string(row.expected)))
        << "input: " << Visible(input);
  }
}

TEST(SpacingAndJoining, SurplusRightBracesAtDepthZeroFireTheGuard) {
  CodeState state;
  state.text = "x = 1 } }\n";
  const auto result = RunRows(std::move(state), CollapseWhitespaceRuns, JoinLoopHeads);
  ASSERT_NE(result.guard_message, nullptr);
  EXPECT_STREQ(result.guard_message,
               "Error: Was unable to break and outdent at every occurance of a right bracket.");
}

TEST(SpacingAndJoining, StoredGroupsGetSingleSpacesAndCommaSpacing) {
  const Row rows[] = {
      {"( a ,b )", "( a, b )"},
      {"(\ta ,\n\n b , c)", "( a, b, c)"},
      {"(a,)", "(a, )"},
      {"({ a = 1,\n b = 2 })", "({ a = 1, b = 2 })"},
  };
  for (const Row& row : rows) {
    CodeState state;
    state.text = "f@a0a@\n";
    state.ArgumentsTable = {row.input};
    const auto result = RunRows(std::move(state), CollapseWhitespaceRuns, JoinLoopHeads);
    EXPECT_EQ(result.state.text, "\tf@a0a@\n");
    EXPECT_EQ(Visible(result.state.ArgumentsTable[0]), Visible(row.expected))
        << "entry: " << Visible(row.input);
  }
}

}  // namespace
}  // namespace kelvane
