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
      // M41, M35: "not" and "function" left without the white space before
      // them take what follows anyway.
      {"a and not x\n", "\ta and not x\n"},
      {"local function f@a0a@\n", "\tlocal function f@a0a@\n"},
      // M38: a statement broken at its commas, a call at its string, access
      // or "%" joins again; a loop head is left to its own join.
      {"if a == 1 and not b then x = -1 end\n", "\tif a==1 and not b then\n\tx=-1\n\tend\n"},
      {"local a, b = 1, 2\n", "\tlocal a, b=1, 2\n"},
      {"return r, s\n", "\treturn\n\tr, s\n"},
      {"require @s0s@\n", "\trequire @s0s@\n"},
      {"x = @a0a@:\nformat@a1a@\n", "\tx=@a0a@:format@a1a@\n"},
      {"x = i % n\n", "\tx=i % n\n"},
      // A numeral takes no field, an access no "=", and a head keyword no
      // ")": junk stays apart.
      {"x = 8 .t\n", "\tx=8\n\t.t\n"},
      {"x = a: = 1\n", "\tx=a:\n\t=1\n"},
      // An unclosed "(" takes no block word: "then" stays its own line.
      {"x = ( then w = 1 end\n", "\tx=\n\t( then\n\tw=1\n\tend\n"},
      {"elseif )\n", "\telseif )\n"},
      // M43: comments glued to "then" or "do" join the head with them.
      {"if c then@c0c@\ny@a0a@\nend\n", "\tif c then@c0c@\n\ty@a0a@\n\tend\n"},
      {"while c do@c0c@@c1c@\nend\n", "\twhile c do@c0c@@c1c@\n\tend\n"},
      {"for i = 1, n/2 do end\n", "\tfor i=1,\n\tn/2\n\tdo\n\tend\n"},
      {"t = { a, b }\n", "\tt=\n\t{\n\t\ta,\n\t\tb\n\t}\n"},
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
