// Operator spacing and bracket fix-ups on texts as the block passes leave them.

#include "engine/passes/operator_spacing.h"

#include <gtest/gtest.h>

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

std::string RunPasses(PassFunction first, PassFunction last, const std::string& input) {
  return test_support::RunRowsOnText(input, first, last);
}

TEST(OperatorSpacing, SurroundsOperatorsWithSpaces) {
  const Row rows[] = {
      {"\tf@a0a@..x..y\n", "\tf@a0a@ .. x .. y\n"},
      // Three points are the vararg, no operator.
      {"\tf@a0a@=...\n", "\tf@a0a@ = ...\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(
        Visible(RunPasses(SurroundOperatorsWithSpaces, SurroundOperatorsWithSpaces, row.input)),
        Visible(row.expected));
  }
  for (const test_support::PassExample& row : test_support::kOperatorExamples) {
    const std::string input(row.input);
    EXPECT_EQ(Visible(RunPasses(SurroundOperatorsWithSpaces, SurroundOperatorsWithSpaces, input)),
              Visible(std::string(row.expected)))
        << "input: " << Visible(input);
  }
}

TEST(OperatorSpacing, BreaksSignedEntriesAndBraces) {
  const Row rows[] = {
      {"\tt=\n\t{\n\t\t1,\n\t\t-2,\n\t\t+3,\n\t\tn=1.50,\n\t}\n",
       "\tt = \n\t{\n\t\t1,\n\t\t - 2,\n\t\t + 3,\n\t\tn = 1.50,\n\t}\n"},
      {"\tz=x\n\t^\n\t2\n", "\tz = x^2\n"},
      {"\t\tlocal n=p@i0i@\n\t\t+\n\t\tp@i1i@\n\t\t*\n\t\t2\n\t\t^\n\t\t3\n",
       "\t\tlocal n = p@i0i@ + p@i1i@ * 2^3\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Visible(RunPasses(SurroundOperatorsWithSpaces, BreakAfterRightBraces, row.input)),
              Visible(row.expected));
  }
}

TEST(OperatorSpacing, SinglePasses) {
  struct PassRow {
    PassFunction pass;
    const char* input;
    const char* expected;
  };
  const PassRow rows[] = {
      {SpaceBeforeLineEndEquals, "\tx = 1\n", "\tx = 1\n"},
      {SpaceBeforeLineEndEquals, "\tx =\n", "\tx  =\n"},
      {BreakUnarySigns, "\tt = { - 1,\n\t\t2,\n\t}\n", "\tt = {\n\t\t - 1,\n\t\t2,\n\t}\n"},
      {BreakUnarySigns, "\tt = {   - 1,\n", "\tt = {\n\t\t - 1,\n"},
      {BreakUnarySigns, "\tt = {\n\t\t1, - 2, + 3, - 4,\n",
       "\tt = {\n\t\t1,\n\t\t - 2,\n\t\t + 3,\n\t\t - 4,\n"},
      // M40: outside a table a "," ends no line.
      {BreakUnarySigns, "\tb = 1, - 2\n", "\tb = 1, - 2\n"},
      {BreakUnarySigns, "\t\t1, - 2, + 3,\n", "\t\t1, - 2, + 3,\n"},
      {BreakUnarySigns, "\ta = b - c, d\n", "\ta = b - c, d\n"},
      {BreakBeforeLeftBraces, "\t\t{\n", "\t\t{\n"},
      {BreakBeforeLeftBraces, "\ta = {b = {\n", "\ta = {b = \n\t{\n"},
      {BreakBeforeLeftBraces, "\tx =\n{\n", "\tx =\n\n\t{\n"},
      {BreakAfterRightBraces, "\t} + 2\n", "\t}\n\t+ 2\n"},
      {BreakAfterRightBraces, "\t} .. z\n", "\t}\n\t.. z\n"},
      {BreakAfterRightBraces, "\tx = {a} + 1\n", "\tx = {a}\n+ 1\n"},
      {BreakAfterRightBraces, "\t},\n", "\t},\n"},
      {BreakAfterRightBraces, "\t} \n", "\t}\n\t\n"},
  };
  for (const PassRow& row : rows) {
    EXPECT_EQ(Visible(RunPasses(row.pass, row.pass, row.input)), Visible(row.expected))
        << "input: " << Visible(row.input);
  }
}

TEST(OperatorSpacing, StoredGroupsLoseSpacesAroundBrackets) {
  const Row rows[] = {
      {"(-1)", "(- 1)"},  {"( a, b )", "(a, b)"},     {"(t [ 1 ], f)", "(t[1], f)"},
      {"(...)", "(...)"}, {"( ..., a )", "(..., a)"},
  };
  for (const Row& row : rows) {
    CodeState state;
    state.text = "\tf@a0a@\n";
    state.ArgumentsTable = {row.input};
    state.IndicesTable = {"[ 1 ]", "[-1]"};
    const auto result =
        RunRows(std::move(state), SurroundOperatorsWithSpaces, BreakAfterRightBraces).state;
    EXPECT_EQ(result.ArgumentsTable[0], row.expected) << row.input;
    EXPECT_EQ(result.IndicesTable, (std::vector<std::string>{"[1]", "[- 1]"}));
  }
}

}  // namespace
}  // namespace kelvane
