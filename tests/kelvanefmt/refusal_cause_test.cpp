// kelvanefmt's words for the engine's refusals, derived from its verdict:
// the line, and excerpts that show where input and result part.

#include "kelvanefmt/refusal_cause.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvane::fmt {
namespace {

TEST(RefusalCauseTest, MeaningCheckReasonsBecomeLineAndExcerpts) {
  const std::string long_a = "\"" + std::string(50, 'a') + "x\"";
  const std::string long_b = "\"" + std::string(50, 'a') + "y\"";
  const struct {
    int line;
    std::string input;
    std::string reason;
    std::string refused_text;
    std::string expected;
  } rows[] = {
      {__LINE__, "a.b\n",
       "Error: Was unable to keep the meaning of line 1: \"a.b\" would become \"a. b\".", "",
       "would change the meaning at line 1: `a.b` / `a. b`"},
      {__LINE__, "x = 1\ny = f()\n",
       "Error: Was unable to keep the meaning of line 2: \"f\" and the code after it would be "
       "lost.",
       "", "would change the meaning at line 2: \"f\" and the code after it would be lost"},
      // Excerpts the engine cut to the same text are widened around the
      // first byte where the two strings part; the string is found on its
      // line (the second one there that starts alike).
      {__LINE__, "s = " + long_a + "\nt = " + long_a + " .. " + long_a + "\n",
       "Error: Was unable to keep the meaning of line 2: "
       "\"\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...\" "
       "would become \"\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...\".",
       "s = " + long_a + "\nt = " + long_a + " .. " + long_b + "\n",
       "would change the meaning at line 2: `...aaaaaaaaaaaax\"` / `...aaaaaaaaaaaay\"`"},
      // Not the engine's wording: shown as it is.
      {__LINE__, "x\n", "Error: something else.", "",
       "refused by the meaning check: Error: something else."},
  };
  for (const auto& row : rows) {
    FormatResult result;
    result.status = FormatStatus::kRefused;
    result.reason = row.reason;
    result.refused_text = row.refused_text;
    EXPECT_EQ(RefusalCause(row.input, result), row.expected) << "row at line " << row.line;
  }
}

TEST(RefusalCauseTest, SurplusBraceIsNamedByItsLine) {
  const struct {
    int line;
    std::string input;
    FormatStatus status;
    std::string expected;
  } rows[] = {
      {__LINE__, "x = 1 } }\n", FormatStatus::kGuardFired,
       "unbalanced braces: a \"}\" at line 1 closes nothing"},
      {__LINE__, "--[[ } ]]\ns = '}'\r\nt = {\r{}}}\n", FormatStatus::kRefused,
       "unbalanced braces: a \"}\" at line 4 closes nothing"},
      // The guard without a surplus the lexer sees: the engine's own words.
      {__LINE__, "x = 1\n", FormatStatus::kGuardFired, "refused by the brace guard: guard"},
  };
  for (const auto& row : rows) {
    FormatResult result;
    result.status = row.status;
    result.reason = row.status == FormatStatus::kGuardFired ? "guard" : "Error: x.";
    EXPECT_EQ(RefusalCause(row.input, result), row.expected) << "row at line " << row.line;
  }
  EXPECT_EQ(NotTextCause(std::string("ab\0c\0", 5)), "not a text file (NUL byte at offset 2)");
  EXPECT_EQ(NotTextCause("abc"), std::nullopt);
}

}  // namespace
}  // namespace kelvane::fmt
