// Masking and restoring: the tables, token numbering and the round trip.

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

#include "engine/passes/masking.h"
#include "engine/passes/pre_processing.h"
#include "engine/passes/restoring.h"
#include "tests/passes/pass_rows.h"

namespace kelvane {
namespace {

using test_support::RunRows;
using test_support::Visible;

CodeState Mask(const std::string& input, bool strip = false) {
  CodeState state;
  state.text = input;
  FormatOptions settings;
  settings.StripComments = strip;
  return RunRows(std::move(state), RemoveCarriageReturns, MaskIndices, settings).state;
}

std::string RoundTrip(const std::string& input) {
  CodeState masked = Mask(input);
  return RunRows(std::move(masked), RestoreIndices, RestoreComments).state.text;
}

TEST(ProtectedSequences, MasksEveryKindWithItsTable) {
  const CodeState s =
      Mask("-- demo\nt = { name = \"a b\", list = { }, f = g(x[1], 'q'), [k] = 1 }\n");
  EXPECT_EQ(s.text, "@c0c@\nt = { name = @s0s@, list = @tet@, f = g@a0a@, @i0i@ = 1 }\n");
  EXPECT_EQ(s.CommentsTable, std::vector<std::string>{"-- demo"});
  EXPECT_EQ(s.StringsTable, (std::vector<std::string>{"\"a b\"", "'q'"}));
  EXPECT_EQ(s.ArgumentsTable, std::vector<std::string>{"(x[1], @s1s@)"});
  EXPECT_EQ(s.IndicesTable, std::vector<std::string>{"[k]"});
}

TEST(ProtectedSequences, GroupsAreNumberedInnermostFirst) {
  struct Row {
    const char* input;
    const char* text;
    std::vector<std::string> arguments, indices, strings;
  };
  const Row rows[] = {
      {"f(g(x))\n", "f@a1a@\n", {"(x)", "(g@a0a@)"}, {}, {}},
      {"t[u[1]]\n", "t@i1i@\n", {}, {"[1]", "[u@i0i@]"}, {}},
      // A long string is one string to its closing brackets, nested as in Lua 4.
      {"s = [[ a [[ b ]] c ]]\n", "s = @s0s@\n", {}, {}, {"[[ a [[ b ]] c ]]"}},
      {"f(a)(b) g((c))\n", "f@a0a@@a1a@ g@a3a@\n", {"(a)", "(b)", "(c)", "(@a2a@)"}, {}, {}},
      {"x = [[ t[1] ]]\n", "x = @s0s@\n", {}, {}, {"[[ t[1] ]]"}},
      {"a ) (b\n", "a ) (b\n", {}, {}, {}},
      // Escaped quotes inside quoted strings; a long string keeps its bytes,
      // and ends at its first "]]" as Lua reads it, an escaped pair before it
      // or not.
      {"s = [[a\\\"b]] .. \"c\\\"d\" .. 'e'\n",
       "s = @s0s@ .. @s1s@ .. @s2s@\n",
       {},
       {},
       {"[[a\\\"b]]", "\"c@qdq@d\"", "'e'"}},
      {"s = [[a\\]\\]]] .. \"b\"\n", "s = @s0s@] .. @s1s@\n", {}, {}, {"[[a\\]\\]]", "\"b\""}},
      // Line ends: CR LF, LF CR and a lone CR are one LF each, outside strings;
      // an unfinished string ends with its line end, and the CR after it is
      // one of its own.
      {"a\r\n\rb\n\r\n\rc\rx = \"\\\r\n\ry\n", "a\n\nb\n\nc\nx = @s0s@\ny\n", {}, {}, {"\"\\\r\n"}},
  };
  for (const Row& row : rows) {
    const CodeState s = Mask(row.input);
    EXPECT_EQ(Visible(s.text), Visible(row.text)) << row.input;
    EXPECT_EQ(s.ArgumentsTable, row.arguments) << row.input;
    EXPECT_EQ(s.IndicesTable, row.indices) << row.input;
    EXPECT_EQ(s.StringsTable, row.strings) << row.input;
  }
}

// The comment and escape passes hand the string literals they found on to
// the pass after them, which then does not scan: it must make of the text
// exactly what it makes of it when it scans.
TEST(ProtectedSequences, HandedOnLiteralsAreTheOnesAScanFinds) {
  const std::string pieces[] = {
      "x",    " = ", "\"a\\\"b\"", "'c\\'d'", "\"\\\\\"", "[[l]]",  "[==[m]==]", "--[[k]]",
      "-- n", "\n",  "[[",         "]]",      "\\[\\[",   "\\]\\]", "\"",        "'",
      "-",    "--",  "[",          "]",       "\\",       "@c0c@",  "\r",        "=",
  };
  std::mt19937 random(7);
  auto run = [](CodeState state, PassFunction first, PassFunction last, bool strip) {
    FormatOptions settings;
    settings.StripComments = strip;
    return RunRows(std::move(state), first, last, settings).state;
  };
  for (int round = 0; round < 4000; ++round) {
    CodeState input;
    for (size_t k = random() % 14; k > 0; --k) input.text += pieces[random() % std::size(pieces)];
    const bool strip = round % 2 == 1;
    const CodeState handed = run(input, MaskComments, MaskStrings, strip);
    CodeState scanned = run(input, MaskComments, MaskComments, strip);
    scanned.string_literals.reset();
    scanned = run(std::move(scanned), MaskEscapedQuotes, MaskEscapedQuotes, strip);
    scanned.string_literals.reset();
    scanned = run(std::move(scanned), MaskStrings, MaskStrings, strip);
    ASSERT_EQ(Visible(handed.text), Visible(scanned.text)) << Visible(input.text);
    ASSERT_EQ(handed.StringsTable, scanned.StringsTable) << Visible(input.text);
  }
}

TEST(ProtectedSequences, StrippedCommentsLeaveCountMinusOne) {
  const CodeState s = Mask("x = 1 -- note\n-- whole line\ny = 2\n", /*strip=*/true);
  EXPECT_EQ(Visible(s.text), Visible("x = 1 \n\ny = 2\n"));
  EXPECT_EQ(s.CommentsCount, -1);
  EXPECT_EQ(Mask("x = 1\n", true).CommentsCount, 0);
}

TEST(ProtectedSequences, RoundTripGivesTheTextBack) {
  const char* inputs[] = {
      "s = \"a--b\"\nt = \"x\"\n",
      "s = \"a\\\\\"\nt = \"x y\"\n",
      "print(\"$&\", '$$', [[$1]]) -- $1 and \\\"\n",
      "f(g(x), t[u[1]]) -- c\n",
      "x = \"it's\" -- don't\n",
  };
  for (const char* input : inputs) {
    EXPECT_EQ(Visible(RoundTrip(input)), Visible(input));
  }
}

TEST(ProtectedSequences, TokenLikeTextComesBackAsItWas) {
  struct Row {
    const char* input;
    const char* expected;
  };
  const Row rows[] = {
      {"x = \"@c0c@\"\n-- c\n", "x = \"@c0c@\"\n-- c\n"},
      {"-- has @qdq@ and @s0s@\n", "-- has @qdq@ and @s0s@\n"},
      {"x = \"@qdq@\"\n", "x = \"@qdq@\"\n"},
      // White space between the braces of an empty table does not come back.
      {"f({ }, {\n}) -- c\n", "f({}, {}) -- c\n"},
      // First comment followed by one copy of its TABs per comment.
      {"a = 1 -- one\nb = 2 -- two\n", "a = 1 -- one\nb = 2 -- two\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Visible(RoundTrip(row.input)), Visible(row.expected)) << Visible(row.input);
  }
}

// M36: the first comment gets one TAB, however many comments follow.
TEST(ProtectedSequences, FirstCommentGetsOneTab) {
  CodeState state;
  state.text = "\t\t@c0c@\n\tx\n\t@c1c@\n";
  state.CommentsTable = {"-- a", "-- b"};
  state.CommentsCount = 2;
  const auto result = RunRows(std::move(state), RestoreComments, RestoreComments);
  EXPECT_EQ(Visible(result.state.text), Visible("\t\t-- a\t\n\tx\n\t-- b\n"));
}

}  // namespace
}  // namespace kelvane
