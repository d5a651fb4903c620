// The clean-up passes on restored text, and whole runs of the pipeline.

#include "engine/passes/clean_up.h"

#include <gtest/gtest.h>

#include "tests/passes/pass_rows.h"

namespace kelvane {
namespace {

using test_support::RunRowsOnText;
using test_support::Visible;

std::string RunPasses(PassFunction first, PassFunction last, const std::string& input,
                      bool unix_end_of_line = false) {
  FormatOptions settings;
  settings.UnixEndOfLine = unix_end_of_line;
  return RunRowsOnText(input, first, last, settings);
}

TEST(CleanUp, SinglePasses) {
  struct Row {
    PassFunction pass;
    const char* input;
    const char* expected;
  };
  const Row rows[] = {
      {OutdentEveryLine, "\tx = 1\n\t\ty\n\nz\n", "x = 1\n\ty\n\nz\n"},
      // Inside a block comment every leading TAB goes: one a run took one
      // more on every later run. Inside a string all stay.
      {OutdentEveryLine, "\t--[[ a\n\t\t\tb\n\t]] x\n\t\tc\n", "--[[ a\nb\n]] x\n\tc\n"},
      {OutdentEveryLine, "\ts = [[\n\t\tb]]\n\t-- [[\n\t\tc\n", "s = [[\n\t\tb]]\n-- [[\n\tc\n"},
      {RemoveZeroDecimals, "x = 1.0\n", "x = 1\n"},
      {RemoveZeroDecimals, "\t1.00,\n\t2.0,\n", "\t1,\n\t2,\n"},
      {RemoveZeroDecimals, "z =  - 0.000,\n", "z =  - 0,\n"},
      {RemoveZeroDecimals, "-- version 2.0\n", "-- version 2\n"},
      {RemoveZeroDecimals, "v = 1.05\nv = 1.0e5\nv = 1.0_\nx = 1.0",
       "v = 1.05\nv = 1.0e5\nv = 1.0_\nx = 1.0"},
      // A chain of zero decimals goes in one run; run once as written, the
      // rule took one ".0" per run ("127.0.0.1" -> "127.0.1" -> "127.1").
      {RemoveZeroDecimals, "1.0.0\n", "1\n"},
      {RemoveZeroDecimals, "-- '127.0.0.1'\n", "-- '127.1'\n"},
      {RemoveZeroDecimals, "a.0.0\n1.0.00x\n", "a.0\n1.00x\n"},
      {RemoveTrailingDecimalZeros, "0.50,\n1.0500)\n10.50\n", "0.5,\n1.05)\n10.5\n"},
      {RemoveTrailingDecimalZeros, "2.50e - 3\nx = .50\n", "2.50e - 3\nx = .50\n"},
      {AddMissingDecimalZeros, "x = .5\n(.5,.5)\nx =  - .5\na.5\n",
       "x = 0.5\n(0.5,0.5)\nx =  - 0.5\na.5\n"},
      // The next run would tidy "0.50", "0.0" and "1.0.9" ("1..9" in a
      // comment): that is done at once.
      {AddMissingDecimalZeros, "x = .50\nx = .0\n-- 1..9\nx = .50e3\n",
       "x = 0.5\nx = 0\n-- 1.9\nx = 0.50e3\n"},
      // A chain loses all its trailing zeros in one run, not one number a run.
      {RemoveTrailingDecimalZeros, "-- v1.10.20\n", "-- v1.1.2\n"},
      // A ";" alone on its line goes with its line: the empty line or line of
      // TABs it left went on the next run.
      {RemoveLineEndSemicolons, "print(x);\na = 1 ;\nend\n;\n-- note;\n",
       "print(x)\na = 1 \nend\n-- note\n"},
      {RemoveLineEndSemicolons, "\t}\n\t;\n\tx\n\t}\n\t ;\n", "\t}\n\tx\n\t}\n"},
      {RemoveLineEndSemicolons, "a;;\na,;\nx = 1; y = 2\nx = 1;", "a;\na,;\nx = 1; y = 2\nx = 1;"},
      {CloseExponentSigns, "x = 1e - 5\nx = 2.5E + 10\nx = 3e\n - 5\n",
       "x = 1e-5\nx = 2.5E+10\nx = 3e-5\n"},
      {CloseExponentSigns, "y = x5e - 3\nz = 1e - n\n", "y = x5e - 3\nz = 1e - n\n"},
      {CollapseBlankLines, "a\n\n\n\n\nb\n", "a\n\nb\n"},
      {CollapseBlankLines, "a\n\t\n\n\nb\n", "a\n\t\n\nb\n"},
      {RemoveLeadingBlankLines, "\n\nfunction f()\t\nend\n\n", "function f()\t\nend\n\n"},
      {AddFinalLineEnd, "x = 1", "x = 1\n"},
      {AddFinalLineEnd, "", "\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Visible(RunPasses(row.pass, row.pass, row.input)), Visible(row.expected))
        << "input: " << Visible(row.input);
  }
}

TEST(CleanUp, WholeStage) {
  const char* input =
      "\tx =  - 5\n\n\n\tt = \n\t{\n\t\t0.50,\n\t\t.5,\n\t\t2e - 3,\n\t\tz =  - "
      "0.000,\n\t}\n\n\n\tprint(x);\n\n";
  EXPECT_EQ(
      Visible(RunPasses(OutdentEveryLine, UseCrLfLineEnds, input)),
      Visible("x =  - 5\r\n\r\nt = \r\n{\r\n\t0.5,\r\n\t0.5,\r\n\t2e-3,\r\n\tz =  - 0,\r\n}\r\n\r\n"
              "print(x)\r\n\r\n"));
  EXPECT_EQ(
      Visible(RunPasses(OutdentEveryLine, UseCrLfLineEnds, input, /*unix_end_of_line=*/true)),
      Visible("x =  - 5\n\nt = \n{\n\t0.5,\n\t0.5,\n\t2e-3,\n\tz =  - 0,\n}\n\nprint(x)\n\n"));
  EXPECT_EQ(RunPasses(OutdentEveryLine, UseCrLfLineEnds, ""), "\r\n");
  // Each pass edits ahead of strings and hands their places on to the next:
  // every string stays as it is, every match after one is still tidied.
  EXPECT_EQ(
      Visible(RunPasses(OutdentEveryLine, UseCrLfLineEnds,
                        "\tv = 1.0\n\ts = \"3.0.1\"\n\tw = 2.50, '.5'\n\tl = [[\n\t1.0\n\n\n\n]]\n"
                        "\tx = 1e - 5 .. \"1e - 5\";\n\n\n\ty = .5;\n",
                        /*unix_end_of_line=*/true)),
      Visible("v = 1\ns = \"3.0.1\"\nw = 2.5, '.5'\nl = [[\n\t1.0\n\n\n\n]]\n"
              "x = 1e-5 .. \"1e - 5\"\n\ny = 0.5\n"));
}

}  // namespace
}  // namespace kelvane
