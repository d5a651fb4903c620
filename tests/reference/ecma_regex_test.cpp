// The ECMAScript behaviour of the PCRE2 wrapper: global replacement after
// empty matches, replacement expansion, line anchors and character classes.

#include "tests/reference/ecma_regex.h"

#include <gtest/gtest.h>

#include "tests/support/text_diff.h"

namespace kelvane::reference {
namespace {

struct ReplaceRow {
  const char* name;
  std::string_view text;
  std::string_view pattern;
  RegexFlags flags;
  std::string_view replacement;
  std::string_view expected;
};

void CheckReplaceAll(const ReplaceRow& row) {
  SCOPED_TRACE(row.name);
  EXPECT_EQ(test_support::Escape(ReplaceAll(row.text, row.pattern, row.flags, row.replacement)),
            test_support::Escape(row.expected));
}

constexpr RegexFlags kM = RegexFlags::kMultiline;
constexpr RegexFlags kS = RegexFlags::kNone;

TEST(EcmaRegexTest, GlobalReplacementResumesLikeEcmascript) {
  const ReplaceRow rows[] = {
      {"empty matches between every character", "abc", "x*", kS, "-", "-a-b-c-"},
      {"empty match after a non-empty one", "aaa", "a*", kS, "-", "--"},
      {"non-empty match at an empty match's place is not tried", "b", "|b", kS, "[$&]", "[]b[]"},
      {"matches do not overlap", "aaaa", "aa", kS, "b", "bb"},
      {"no match leaves the text", "abc", "z", kS, "-", "abc"},
      {"multiline ^ after a final line feed", "\nx\n", "^(.*)$", kM, "\t$1", "\t\n\tx\n\t"},
      {"outdent keeps lines without a TAB", "\tx\ny\n\t\tz", "^(\\t)(.*)$", kM, "$2", "x\ny\n\tz"},
      {"$ without multiline only at the very end", "a\nb\n", "\\w$", kS, "#", "a\nb\n"},
      {"$ with multiline before every line feed", "a\nb", "\\w$", kM, "#", "#\n#"},
      {"\\s spans VT and FF, not 0xA0", "a\v\f b\xa0", "\\s+", kS, "_", "a_b\xa0"},
      {"\\w is ASCII only", "\xe9t\xe9_1", "\\w", kS, ".", "\xe9.\xe9.."},
      {"[^\\w] matches a line feed", "1.0\n", "(\\d)(\\.0+)([^\\w])", kM, "$1$3", "1\n"},
      {"alternatives tried in the order written", "x~=y", "(\\~\\=|\\=)", kS, " $1 ", "x ~= y"},
      {"greedy [^\\t]+ crosses line feeds", "\ta = {b = {\n", "(\\t*)([^\\t]+)(\\{)", kM,
       "$1$2\n$1$3", "\ta = {b = \n\t{\n"},
  };
  for (const ReplaceRow& row : rows) CheckReplaceAll(row);
}

TEST(EcmaRegexTest, ReplacementTextsExpandLikeEcmascript) {
  const ReplaceRow rows[] = {
      {"$10 with two groups is group 1 then 0", " .5", "([^\\w])(\\.\\d)", kS, "$10$2", " 0.5"},
      {"$01 is group 1", "ab", "(a)(b)", kS, "$01$02", "ab"},
      {"$12 with twelve groups is group 12", "abcdefghijkl", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)",
       kS, "$12$11", "lk"},
      {"$3 naming no group stays literal", "ab", "(a)(b)", kS, "$3", "$3"},
      {"$0 and $00 stay literal", "a", "(a)", kS, "$0$00", "$0$00"},
      {"$05 with one group is $0 then 5", "a", "(a)", kS, "$05", "$05"},
      {"$$ is a dollar", "a", "a", kS, "$$", "$"},
      {"$& is the match", "abc", "b", kS, "[$&]", "a[b]c"},
      {"$` and $' are the text around the match", "abc", "b", kS, "$`$'", "aacc"},
      {"a group that took no part is empty", "b", "(a)?(b)", kS, "<$1>", "<>"},
      {"a lone dollar at the end stays", "a", "a", kS, "x$", "x$"},
      {"a dollar before another character stays", "a", "a", kS, "$x", "$x"},
      {"backslashes are plain text", "a", "a", kS, "\\\"", "\\\""},
  };
  for (const ReplaceRow& row : rows) CheckReplaceAll(row);
}

TEST(EcmaRegexTest, FirstMatchAndTest) {
  EXPECT_EQ(ReplaceFirst("a1b2", "\\d", kS, "#"), "a#b2");
  EXPECT_EQ(ReplaceFirst("ab", "z", kS, "#"), "ab");
  EXPECT_TRUE(reference::Test("x\n-- c\n", "\\-\\-[^\\n]*$", kM));
  EXPECT_FALSE(reference::Test("x\n-- c\n", "\\-\\-[^\\n]*$", kS));
  std::optional<RegexMatch> match = FindFirst("xaby", "(a)(z)?(b)", kS);
  ASSERT_TRUE(match.has_value());
  EXPECT_EQ(match->begin, 1u);
  EXPECT_EQ(match->end, 3u);
  EXPECT_FALSE(match->groups[1].has_value());
  EXPECT_EQ(match->groups[2].value(), "b");
}

// Patterns with the pipeline's heaviest backtracking, with and without JIT.
TEST(EcmaRegexTest, JitAndInterpreterAgree) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "\tt = {a, - 1, {b}, c}\n\t\tx = 1, + 2\n";
  const ReplaceRow rows[] = {
      {"unary signs after a comma", text, "(\\t*)(.*\\,)([ \\t]*)(\\s[\\+\\-])", kM, "$1$2\n$1$4",
       ""},
      {"left braces", text, "(\\t*)([^\\t]+)(\\{)", kM, "$1$2\n$1$3", ""},
      {"operators", text,
       "(\\s*)(\\~\\=|\\<\\=|\\>\\=|\\=\\=|\\<|\\>|\\=|\\+|\\-|\\*|\\/|\\.\\.)(\\s*)", kM, " $2 ",
       ""},
  };
  for (const ReplaceRow& row : rows) {
    SCOPED_TRACE(row.name);
    SetReferenceJit(true);
    std::string with_jit = ReplaceAll(row.text, row.pattern, row.flags, row.replacement);
    SetReferenceJit(false);
    std::string without_jit = ReplaceAll(row.text, row.pattern, row.flags, row.replacement);
    SetReferenceJit(true);
    EXPECT_EQ(with_jit, without_jit);
  }
}

}  // namespace
}  // namespace kelvane::reference
