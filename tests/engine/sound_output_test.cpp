// Where the literal rules would break a program or change what it does, the
// engine mends them: one row per class of fault found in real files, each
// with the output the engine gives now. And the meaning check, the safety net
// for the classes nobody has seen yet.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/app_text.h"
#include "engine/char_class.h"
#include "engine/format_text.h"
#include "engine/meaning_check.h"
#include "tests/support/lua40_constructors.h"
#include "tests/support/lua_generator.h"
#include "tests/support/text_diff.h"

namespace kelvane {
namespace {

std::string FormatUnix(const std::string& input, FormatStatus& status) {
  FormatOptions settings;
  settings.UnixEndOfLine = true;
  NullMessages messages;
  FormatResult result = FormatText(input, settings, messages);
  status = result.status;
  return result.status == FormatStatus::kOk ? result.text : result.reason;
}

TEST(SoundOutput, MendedCasesKeepTheirMeaning) {
  struct Row {
    int line;
    const char* input;
    const char* body;  // the output after the header line, "-unix"
  };
  const Row rows[] = {
      // M02: "--" inside a string is no comment.
      {__LINE__, "a = \"--\"\nb = \"c-d\"\n", "a = \"--\"\nb = \"c-d\"\n"},
      {__LINE__, "local url = \"http://x--y\"\n", "local url = \"http://x--y\"\n"},
      // M02: an escaped backslash before the closing quote; a quote of the other kind.
      {__LINE__, "a = \"\\\\\"\nb = \"c-d\"\n", "a = \"\\\\\"\nb = \"c-d\"\n"},
      {__LINE__, "q = '\"'\nb = \"c-d\"\n", "q = '\"'\nb = \"c-d\"\n"},
      // M02: brackets inside long strings, level long strings, block comments.
      {__LINE__, "s = [[a[1]-b]]\n", "s = [[a[1]-b]]\n"},
      {__LINE__, "s = [==[ a-b ]==]\n", "s = [==[ a-b ]==]\n"},
      {__LINE__, "--[[ a \"quote\"\nline ]]\nx = 1\n", "--[[ a \"quote\"\nline ]]\t\nx = 1\n"},
      // M22: a block comment as a table's only content gets no comma after it.
      {__LINE__, "s{--[[]]\n}\n", "s\n{\n\t--[[]]\t\n}\n\n"},
      // M17: a long string as a table key keeps a space after "[".
      {__LINE__, "t[ [[k]] ] = 1\n", "t[ [[k]]] = 1\n"},
      // M07: the vararg stays whole.
      {__LINE__, "function f(...) return ... end\n", "function f(...)\t\n\treturn\n\t...\nend\n\n"},
      // M13: a comment never swallows the code the layout puts after it.
      {__LINE__, "l(--\n)\n", "l(--\n)\n"},
      {__LINE__, "class(function(a)\n  --\nend)\n", "class(function(a)\t\n\t--\t\nend)\n"},
      {__LINE__, "s = \"a\" -- first\n  .. \"b\"\n", "s = \"a\"\n-- first\t\n.. \"b\"\n"},
      {__LINE__, "s{\"\"--\n,\"\"}\n", "s\n{\n\t\"\"--\n\t,\n\t\"\",\n}\n\n"},
      // M29: a ";" between table fields stays; so does one before a line with "(".
      {__LINE__, "y{e;\nd}\n", "y\n{\n\te;\n\td,\n}\n\n"},
      {__LINE__, "t = {\n  a = 1;\n}\n", "t = \n{\n\ta = 1;\n}\n\n"},
      {__LINE__, "x = f\n;(g)()\n", "x = f\n;(g)()\n"},
      {__LINE__, "f(); -- c\n(g)()\n", "f();\n-- c\t\n(g)()\n"},
      // M08: Lua 5.3's two-character operators stay whole.
      {__LINE__, "x = a//b >> 1 << c\n", "x = a // b >> 1 << c\n"},
      // M09: an argument list after a string stays on its line.
      {__LINE__, "require\"x\" ()\n", "require\"x\"()\n"},
      // M01: a lone CR ends a line.
      {__LINE__, "a = 1\rb = 2\r", "a = 1\nb = 2\n"},
      // M03: text that looks like a token comes back as it was.
      {__LINE__, "x = \"@c0c@\"\n-- c\n", "x = \"@c0c@\"\n-- c\t\n"},
      {__LINE__, "x = \"@qdq@\" .. @a0a@\n", "x = \"@qdq@\" .. @a0a@\n"},
      // M25: the clean-up leaves string literals alone.
      {__LINE__, "v = \"3.0.1\"\n", "v = \"3.0.1\"\n"},
      {__LINE__, "f(\"%.2f\")\n", "f(\"%.2f\")\n"},
      {__LINE__, "s = [[\nint a;\n]]\n", "s = [[\nint a;\n]]\n"},
      {__LINE__, "s = [[\n\tx]]\n", "s = [[\n\tx]]\n"},
      {__LINE__, "s = [[a\n\n\nb]]\n", "s = [[a\n\n\nb]]\n"},
      // M10: "and" and "or" stay apart from a following "(".
      {__LINE__, "x = a and (b) or (c)\n", "x = a and (b) or (c)\n"},
      // M21, M29 (Lua 4.0): a ";" in a table constructor stays a ";", the mark between
      // the list part and the record part; it joins the field before it.
      {__LINE__, "t = {\n  size = { 1, 2 };\n  { 3 },\n}\n",
       "t = \n{\n\tsize = \n\t{\n\t\t1,\n\t\t2,\n\t};\n\t{\n\t\t3,\n\t},\n}\n\n"},
      {__LINE__, "t = { name = {1}; 2, 3 }\n",
       "t = \n{\n\tname = \n\t{\n\t\t1,\n\t};\n\t2,\n\t3,\n}\n\n"},
      {__LINE__, "t = { 1, 2; n = 2 }\n", "t = \n{\n\t1,\n\t2;\n\tn = 2,\n}\n\n"},
      {__LINE__, "t = { n = 2 ; }\n", "t = \n{\n\tn = 2;\n}\n\n"},
      {__LINE__, "t = { 1, 2, ; n = 1, }\n", "t = \n{\n\t1,\n\t2,\n\t;\n\tn = 1,\n}\n\n"},
      {__LINE__, "t = { ; n = 1 }\n", "t = \n{\n\t;\n\tn = 1,\n}\n\n"},
      {__LINE__, "t = { {1; n=1}; x = {2} }\n",
       "t = \n{\n\t{\n\t\t1;\n\t\tn = 1,\n\t};\n\tx = \n\t{\n\t\t2,\n\t},\n}\n\n"},
      {__LINE__, "t = { 1 -- c\n ; n = 1 }\n", "t = \n{\n\t1\n\t-- c\t\n\t;\n\tn = 1,\n}\n\n"},
      {__LINE__, "t = { n = 1; -- c\n 2 }\n", "t = \n{\n\tn = 1;\n\t-- c\t\n\t2,\n}\n\n"},
      // M29: a ";" that ends a statement in a function inside a table goes.
      {__LINE__, "t = { f = function() g(); x = 1; end; 1 }\n",
       "t = \n{\n\tf = function()\t\n\t\tg()\n\t\tx = 1\n\tend;\n\t1,\n}\n\n"},
      // M01, M02: string literals keep their line ends: LF CR is one line end to Lua
      // (Lua 4.0 keeps the CR in the string), and a backslash takes a whole
      // line end.
      {__LINE__, "x=[[\n\r]]\n", "x = [[\n\r]]\n"},
      {__LINE__, "x = [[a\r\nb]]\r\ny = 1\r\n", "x = [[a\r\nb]]\ny = 1\n"},
      {__LINE__, "x=\"\\\n\r\"\n", "x = \"\\\n\r\"\n"},
      {__LINE__, "a = 1\n\rb = 2\n", "a = 1\nb = 2\n"},
      // M02, M31 (Lua 5.2 and later): a hexadecimal numeral's binary exponent, and "\z",
      // which takes the line end after it into the string.
      {__LINE__, "x = 0x1p-4 + 0x.8P+1\n", "x = 0x1p-4 + 0x.8P+1\n"},
      {__LINE__, "x = \"a b\\z\n   c d\"\n", "x = \"a b\\z\n   c d\"\n"},
      // M28 (Lua 5.3 and later): a float keeps its point, in code, not in comments.
      {__LINE__, "x = 2.0 // 1 -- 3.0\n", "x = 2.0 // 1\n-- 3\t\n"},
      {__LINE__, "x = 2.0 -- 3.0\n", "x = 2\n-- 3\t\n"},
      // M05: the header words in a string are the file's own.
      {__LINE__, "local h = \"-- Pretty-Printed using Zorv Kelvane\"\n",
       "local h = \"-- Pretty-Printed using Zorv Kelvane\"\n"},
      // M02: a "[[" that Lua 4.0's nesting never closes ends at its first "]]", as
      // Lua 5.2 reads it; one that it closes nests.
      {__LINE__, "x = [[ a [[ b ]]\nprint(x)\n", "x = [[ a [[ b ]]\nprint(x)\n"},
      {__LINE__, "x = [[ a [[ b ]] c ]]\n", "x = [[ a [[ b ]] c ]]\n"},
      // M09: a call on a table, or across a block comment, stays on one line.
      {__LINE__, "f{} (x)\nx = f{} (1)\n", "f{}(x)\nx = f{}(1)\n"},
      {__LINE__, "f --[[c]](x)\nf() --[[c]](x)\nfunction f --[[c]] () end\n",
       "f--[[c]](x)\nf()--[[c]](x)\n\nfunction f--[[c]]()\t\nend\n\n"},
      // M22: no comma after a block comment whose table entry has one already.
      {__LINE__, "t = {0,--\n--[[]]}\n", "t = \n{\n\t0,\n\t--\t\n\t--[[]]\n}\n\n"},
      // M02: an escaped bracket pair in a long string takes none of its brackets.
      {__LINE__, "f(x[[\"\\]\\]]'\"\t')\n", "f(x[[\"\\]\\]]'\"\t')\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    FormatStatus status;
    const std::string output = FormatUnix(row.input, status);
    ASSERT_EQ(status, FormatStatus::kOk) << output;
    const std::string expected = std::string(AppComment) + row.body;
    EXPECT_TRUE(output == expected)
        << test_support::DescribeDifference(expected, output, "expected", "engine");
    // With every combination of "-s" and "-unix": formatted, its table
    // constructors Lua 4.0's where the input's are, and the same once more.
    const bool lua40_constructors = test_support::Lua40ConstructorFault(row.input).empty();
    for (int variant = 0; variant < 4; ++variant) {
      FormatOptions settings;
      settings.StripComments = (variant & 1) != 0;
      settings.UnixEndOfLine = (variant & 2) != 0;
      NullMessages messages;
      const FormatResult once = FormatText(row.input, settings, messages);
      ASSERT_EQ(once.status, FormatStatus::kOk) << "variant " << variant << ": " << once.reason;
      if (lua40_constructors) {
        EXPECT_EQ(test_support::Lua40ConstructorFault(once.text), "");
      }
      const FormatResult twice = FormatText(once.text, settings, messages);
      EXPECT_TRUE(twice.status == FormatStatus::kOk && twice.text == once.text)
          << "variant " << variant << " is unstable:\n"
          << test_support::DescribeDifference(once.text, twice.text, "first", "second");
    }
  }
}

// A byte-order mark and a "#" first line stay in front of the header: Lua
// 5.2 and later skip the mark only as the first bytes, and every Lua skips
// the first line up to its first LF, a lone CR included.
TEST(SoundOutput, PreludeStaysFirst) {
  const std::string header(AppComment);
  const struct {
    int line;
    std::string input;
    std::string expected;
  } rows[] = {
      {__LINE__, "#!/usr/bin/env lua\r\nprint(1)\n",
       "#!/usr/bin/env lua\n" + header + "print(1)\n"},
      {__LINE__, "#!/usr/bin/lua\rprint(\"hidden\")\nx = 1\n",
       "#!/usr/bin/lua\rprint(\"hidden\")\n" + header + "x = 1\n"},
      {__LINE__, "\xEF\xBB\xBFprint(1)\n", "\xEF\xBB\xBF" + header + "print(1)\n"},
      {__LINE__, "\xEF\xBB\xBF#!lua\nprint(1)\n", "\xEF\xBB\xBF#!lua\n" + header + "print(1)\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    FormatStatus status;
    EXPECT_EQ(FormatUnix(row.input, status), row.expected);
  }
}

TEST(SoundOutput, MeaningCheckAllowsTheRulesChangesAndNothingElse) {
  struct Row {
    int line;
    const char* input;
    const char* output;
    size_t refused_at_line;         // 0: the check passes
    bool integer_numerals = false;  // the input shows Lua 5.3
  };
  const Row rows[] = {
      // What the formatting changes on purpose.
      {__LINE__, "x=1 y={a=1,b=2}", "x = 1\ny =\n{\n\ta = 1,\n\tb = 2,\n}\n", 0},
      {__LINE__, "v = 1.50 + .5 + 1e-5", "v = 1.5 + 0.5 + 1e-5", 0},
      {__LINE__, "print(x);\nf();", "print(x)\nf()", 0},
      {__LINE__, "t = {{1};{2}}", "t = {{1,};{2,},}", 0},
      {__LINE__, "t = {f = function() g(); end; 1}", "t = {f = function() g() end; 1}", 0},
      {__LINE__, "x = 1 -- a note;", "x = 1 -- a note", 0},
      {__LINE__, "x = 1 -- c\n", "x = 1\n", 0},
      {__LINE__, "s = \"a\\\r\nb\"", "s = \"a\\\r\nb\"", 0},
      {__LINE__, "x = f\n(g)()", "x = f\n(g)()", 0},
      // Faults of the kinds the layout passes can make.
      {__LINE__, "function f(...) end", "function f(.. .) end", 1},
      {__LINE__, "a = \"--\"\nb = \"c-d\"", "a = \"--\"\nb = \"c - d\"", 2},
      {__LINE__, "f(a --c\n, b)", "f(a --c, b)", 2},
      {__LINE__, "s = \"a\" -- first\n  .. \"b\"", "s = \"a\" -- first .. \"b\"", 2},
      {__LINE__, "y{e;\nd}", "y{e\nd,}", 1},
      {__LINE__, "t = {1,2}", "t = {1,2,,}", 1},
      {__LINE__, "s{--[[]]\n}", "s{--[[]],\n}", 2},
      {__LINE__, "x = f(g)\n()", "x = f\n(g)\n()", 1},
      {__LINE__, "x = 1e-5", "x = 1e - 5", 1},
      {__LINE__, "v = \"3.0.1\"", "v = \"3.1\"", 1},
      {__LINE__, "goto continue\n::continue::", "goto continue\n: : continue: :", 2},
      {__LINE__, "x = a // b", "x = a / / b", 1},
      // Alike bytes with the blanks between them moved: tokens must part
      // where they parted.
      {__LINE__, "local x = a .. b", "local x=a..b", 0},
      {__LINE__, "local x = a .. b", "localx = a .. b", 1},
      {__LINE__, "x = a - -b", "x = a --b", 1},
      {__LINE__, "x = a == b", "x = a = = b", 1},
      {__LINE__, "x = 1 .. 2", "x = 1..2", 1},
      {__LINE__, "x = t[ [[k]] ]", "x = t[[[k]] ]", 1},
      {__LINE__, "s = \"a\\\" b\"", "s = \"a\\\"  b\"", 1},
      {__LINE__, "s = 'it\\'s' .. x", "s = 'it\\'s'..x", 0},
      {__LINE__, "f(x)\n(g)()", "f(x)(g)()", 0},
      {__LINE__, "f(x)(g)()", "f(x)\n(g)()", 1},
      {__LINE__, "t = {a = 1, b = 2}", "t = {a = 1, b = 2,}", 0},
      {__LINE__, "t = {a = 1, b = 2}", "t = {a = 1; b = 2}", 1},
      // A ";" between fields is no ",": Lua 4.0 reads another program.
      {__LINE__, "t = {{1};{2}}", "t = {{1},{2}}", 1},
      {__LINE__, "t = {a = {1};\n{2}}", "t = {a = {1},\n{2}}", 1},
      {__LINE__, "t = {1, 2; n = 2}", "t = {1, 2, n = 2}", 1},
      {__LINE__, "t = {n = 2;}", "t = {n = 2}", 1},
      {__LINE__, "t = {f = function() end; 1}", "t = {f = function() end 1}", 1},
      // String literals must keep their bytes, line ends included.
      {__LINE__, "s = \"a\\\r\nb\"", "s = \"a\\\nb\"", 1},
      {__LINE__, "s = [[a\r\nb]]", "s = [[a\nb]]", 1},
      {__LINE__, "s = [[a\n\rb]]", "s = [[a\n\nb]]", 1},
      // Lua 5.2's numerals and escapes, read as Lua 5.2 reads them.
      {__LINE__, "x = 0x1p-4", "x = 0x1p - 4", 1},
      {__LINE__, "x = 0x1p-4", "x = 0x1p-4", 0},
      {__LINE__, "x = 0x10", "x = 0x10.0", 0},
      {__LINE__, "x = \"a\\z\n b\"", "x = \"a\\z\nb\"", 1},
      // Lua 5.3's integers and floats are numerals of different subtypes.
      {__LINE__, "x = 2.0 // 1", "x = 2 // 1", 1, true},
      {__LINE__, "x = 1e2", "x = 100", 1, true},
      {__LINE__, "x = 2.50 + .5", "x = 2.5 + 0.5", 0, true},
      {__LINE__, "x = 0x10", "x = 16", 0, true},
      {__LINE__, "x = 2.0", "x = 2", 0, false},
      {__LINE__, "x = 1\ny = 2\nz = 3", "x = 1\ny = 2\nz = 4", 3},
      // The walk's own handling of numerals, separators, signs and comments.
      {__LINE__, "x = a-1+b", "x = a - 1 + b", 0},
      {__LINE__, "x = 1e-5", "x = 1e- 5", 1},
      {__LINE__, "x = a.b.e+1", "x = a . b . e + 1", 0},
      {__LINE__, "x = a.e5 .. b", "x = a. e5..b", 0},
      {__LINE__, "x = 1.e5", "x = 1. e5", 1},
      {__LINE__, "x = a1.5", "x = a1 .5", 0},
      {__LINE__, "x = a .. .5", "x = a...5", 1},
      // A numeral's exponent takes a sign: "5E--" is "5E-" and "-", no comment.
      {__LINE__, "x = a..5E)", "x = a..5E--[[c\n]])", 1},
      {__LINE__, "y = 1e+x(g)", "y = 1e+x\n(g)", 0},
      {__LINE__, "x = 0x10 + 1.0", "x = 16 + 1", 0},
      {__LINE__, "x = 1.50", "x = 1.51", 1},
      {__LINE__, "x = 007.50 + 10 + .0", "x = 7.5 + 10. + 0", 0},
      {__LINE__, "x = 10 + 1.5", "x = 1.0 + 15", 1},
      {__LINE__, "t = {1;2}", "t = {1;2,}", 0},
      {__LINE__, "t = {}", "t = {,}", 1},
      {__LINE__, "f(x)", "f(x,)", 1},
      {__LINE__, "t = {1; 2}", "t = {1 2}", 1},
      {__LINE__, "x = 1 --[[ a\nb ]] + 2", "x = 1 + 2", 0},
      {__LINE__, "x = a --c\n-b", "x = a - b", 0},
      {__LINE__, "x = a--[[c]]b", "x = ab", 1},
      {__LINE__, "f(x) --[[\n]] (g)()", "f(x) (g)()", 0},
      {__LINE__, "f(x) (g)()", "f(x) --[[\n]] (g)()", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    MeaningRules rules;
    rules.integer_numerals = row.integer_numerals;
    const MeaningCheck check = CompareMeaning(row.input, row.output, rules);
    EXPECT_EQ(check.same, row.refused_at_line == 0) << check.why;
    EXPECT_EQ(CompareMeaningByTokens(row.input, row.output, rules).same, check.same);
    if (!check.same) {
      EXPECT_EQ(check.input_line, row.refused_at_line) << check.why;
    }
  }
}

// The check walks alike bytes rather than reading them as tokens: on
// formatted programs and on outputs with one byte changed, it must say
// exactly what reading every token says.
TEST(SoundOutput, MeaningCheckWalkAgreesWithReadingEveryToken) {
  test_support::GeneratorOptions options;
  options.style = test_support::GeneratedStyle::kValidProgram;
  options.target_size = 300;
  constexpr std::string_view kBytes = " \n\t\r()[]{}-=.,;:\"'\\a1e+~<";
  int disagreements = 0;
  for (uint64_t seed = 1; seed <= 60; ++seed) {
    const std::string input = test_support::GenerateLua(seed, options);
    FormatStatus status;
    const std::string output = FormatUnix(input, status);
    std::vector<std::string> outputs = {input, output};
    uint64_t random = seed * 0x9E3779B97F4A7C15u;
    auto next = [&random](size_t bound) {
      random ^= random << 13;
      random ^= random >> 7;
      random ^= random << 17;
      return static_cast<size_t>(random % bound);
    };
    for (int mutation = 0; mutation < 40; ++mutation) {
      std::string changed = output;
      const size_t at = next(changed.size());
      switch (next(3)) {
        case 0:
          changed.erase(at, 1);
          break;
        case 1:
          changed.insert(at, 1, kBytes[next(kBytes.size())]);
          break;
        default:
          changed[at] = kBytes[next(kBytes.size())];
      }
      outputs.push_back(std::move(changed));
    }
    for (const std::string& candidate : outputs) {
      const MeaningCheck walked = CompareMeaning(input, candidate);
      const MeaningCheck read = CompareMeaningByTokens(input, candidate);
      if (walked.same != read.same ||
          (!read.same && (walked.input_line != read.input_line || walked.why != read.why))) {
        ++disagreements;
        ADD_FAILURE() << "seed " << seed << ": walked says " << walked.same << " "
                      << walked.input_line << " " << walked.why << ", read says " << read.same
                      << " " << read.input_line << " " << read.why << "\ninput:\n"
                      << input << "\noutput:\n"
                      << candidate;
      }
      if (disagreements > 3) return;
    }
  }
}

// Token soups over every operator and separator of Lua 4.0 to 5.4, joined by
// random white space, against the same soup with its white space moved and
// a token dropped, doubled or swapped: the walk says what reading every
// token says.
TEST(SoundOutput, MeaningCheckWalkAgreesOnTokenSoups) {
  constexpr std::string_view kTokens[] = {
      "+",     "-",     "*",   "/",     "//",    "%",       "^",        "#",   "&",    "~",
      "|",     "<<",    ">>",  "==",    "~=",    "<=",      ">=",       "<",   ">",    "=",
      "(",     ")",     "{",   "}",     "[",     "]",       "::",       ";",   ":",    ",",
      ".",     "..",    "...", "a",     "e",     "x1",      "1",        "1.5", "1.0",  ".5",
      "1e5",   "2E",    "0x1", "0x1p",  "do",    "end",     "function", "if",  "then", "repeat",
      "until", "\"s\"", "'q'", "[[l]]", "--c\n", "--[[b]]", "%u"};
  constexpr std::string_view kBlanks[] = {"", "", "", " ", " ", "\n", "\t"};
  uint64_t random = 0x2545F4914F6CDD1Du;
  auto next = [&random](size_t bound) {
    random ^= random << 13;
    random ^= random >> 7;
    random ^= random << 17;
    return static_cast<size_t>(random % bound);
  };
  int disagreements = 0;
  for (int round = 0; round < 20000 && disagreements < 3; ++round) {
    std::vector<std::string_view> soup;
    for (size_t k = 1 + next(12); k > 0; --k) soup.push_back(kTokens[next(std::size(kTokens))]);
    std::vector<std::string_view> changed = soup;
    switch (next(4)) {
      case 0:
        changed.erase(changed.begin() + static_cast<ptrdiff_t>(next(changed.size())));
        break;
      case 1:
        changed.insert(changed.begin() + static_cast<ptrdiff_t>(next(changed.size())),
                       kTokens[next(std::size(kTokens))]);
        break;
      case 2:
        changed[next(changed.size())] = kTokens[next(std::size(kTokens))];
        break;
      default:
        break;  // the white space alone
    }
    auto join = [&](const std::vector<std::string_view>& tokens) {
      std::string text;
      for (std::string_view token : tokens) {
        text += kBlanks[next(std::size(kBlanks))];
        text += token;
      }
      return text;
    };
    const std::string input = join(soup);
    const std::string output = join(changed);
    for (const bool integers : {false, true}) {
      MeaningRules rules;
      rules.integer_numerals = integers;
      const MeaningCheck walked = CompareMeaning(input, output, rules);
      const MeaningCheck read = CompareMeaningByTokens(input, output, rules);
      if (walked.same != read.same) {
        ++disagreements;
        ADD_FAILURE() << "walked says " << walked.same << ", read says " << read.same << " ("
                      << read.why << ")\ninput:  " << test_support::Escape(input)
                      << "\noutput: " << test_support::Escape(output);
      }
    }
  }
}

// docs/mends.md lists every place where the engine differs from the literal
// rules: each "Mend Mnn" in the engine has its row there, each row its code,
// and the notes of the literal reference cite only listed mends.
TEST(SoundOutput, EveryMendHasItsRowInTheRegister) {
  namespace fs = std::filesystem;
  const fs::path source = KELVANE_SOURCE_DIR;
  auto read = [](const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  // Every "M" and two digits after `marker` in `text`.
  auto ids_after = [](const std::string& text, std::string_view marker,
                      std::set<std::string>& ids) {
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1)) {
      for (size_t k = at + marker.size();
           k + 3 <= text.size() && text[k] == 'M' && IsDigit(text[k + 1]) && IsDigit(text[k + 2]);
           k += 5) {
        ids.insert(text.substr(k, 3));
        if (text.compare(k + 3, 2, ", ") != 0) break;
      }
    }
  };
  std::set<std::string> listed;
  ids_after(read(source / "docs" / "mends.md"), "\n| ", listed);
  ASSERT_FALSE(listed.empty());
  std::set<std::string> in_code;
  std::set<std::string> in_reference;
  for (const auto& entry : fs::recursive_directory_iterator(source / "engine")) {
    if (entry.is_regular_file()) ids_after(read(entry.path()), "Mend ", in_code);
  }
  for (const auto& entry : fs::directory_iterator(source / "tests" / "reference")) {
    if (entry.is_regular_file()) ids_after(read(entry.path()), "differs here: ", in_reference);
  }
  EXPECT_EQ(in_code, listed) << "each mend in the engine and its row in docs/mends.md";
  for (const std::string& id : in_reference) EXPECT_TRUE(listed.contains(id)) << id;
}

TEST(SoundOutput, RefusalWritesNoOutputAndNamesTheLine) {
  // A "}" that closes nothing would get a comma before it, as the last
  // entry of a table.
  FormatStatus status;
  const std::string reason = FormatUnix("x = 1\ny = 2 }\n", status);
  EXPECT_EQ(status, FormatStatus::kRefused);
  EXPECT_EQ(reason, "Error: Was unable to keep the meaning of line 2: \"}\" would become \",\".");
}

// Generated programs that Lua 4.0 compiles, formatted with each combination of
// "-s" and "-unix": never refused, the same tokens, Lua 4.0's constructors,
// and the same once more.
TEST(SoundOutput, GeneratedLua40ProgramsKeepTheirMeaning) {
  test_support::GeneratorOptions options;
  options.style = test_support::GeneratedStyle::kValidLua40;
  for (uint64_t seed = 1; seed <= 150; ++seed) {
    options.target_size = 100 + seed * 7 % 800;
    const std::string input = test_support::GenerateLua(seed, options);
    ASSERT_EQ(test_support::Lua40ConstructorFault(input), "") << input;
    for (int variant = 0; variant < 4; ++variant) {
      SCOPED_TRACE("seed " + std::to_string(seed) + ", variant " + std::to_string(variant));
      FormatOptions settings;
      settings.StripComments = (variant & 1) != 0;
      settings.UnixEndOfLine = (variant & 2) != 0;
      NullMessages messages;
      const FormatResult once = FormatText(input, settings, messages);
      ASSERT_EQ(once.status, FormatStatus::kOk) << once.reason << "\n" << input;
      EXPECT_EQ(test_support::Lua40ConstructorFault(once.text), "") << once.text;
      const MeaningCheck check = CompareMeaningByTokens(input, once.text);
      EXPECT_TRUE(check.same) << check.why;
      const FormatResult twice = FormatText(once.text, settings, messages);
      EXPECT_TRUE(twice.text == once.text) << "unstable:\n" << once.text;
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// Generated programs that Lua 5.1 compiles, formatted with each combination
// of "-s" and "-unix": every result compiles to the same bytecode as its
// input (first and last line numbers aside), or the engine refuses it.
TEST(SoundOutput, GeneratedProgramsKeepTheirMeaning) {
  if (std::system("command -v luac5.1 >/dev/null 2>&1 && command -v lua5.1 >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "luac5.1 and lua5.1 are not installed (scripts/setup --deps installs them)";
  }
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("kelvane-meaning-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string script = KELVANE_SOURCE_DIR "/tests/tools/bytecode_without_lines.lua";
  // Compiles NAME.lua into NAME.key; false when it does not compile.
  auto compile = [&](const std::string& name, const std::string& text) {
    std::ofstream(folder / (name + ".lua"), std::ios::binary) << text;
    const std::string command = "cd '" + folder.string() + "' && luac5.1 -s -o " + name + ".luac " +
                                name + ".lua 2>/dev/null && lua5.1 '" + script + "' " + name +
                                ".luac " + name + ".key";
    return std::system(command.c_str()) == 0;
  };
  auto read = [&](const std::string& name) {
    std::ifstream file(folder / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  test_support::GeneratorOptions options;
  options.style = test_support::GeneratedStyle::kValidProgram;
  options.target_size = 400;
  int runs = 0;
  int refused = 0;
  for (uint64_t seed = 1; seed <= 80; ++seed) {
    const std::string input = test_support::GenerateLua(seed, options);
    ASSERT_TRUE(compile("in", input)) << "the generator wrote no Lua 5.1:\n" << input;
    const std::string input_key = read("in.key");
    for (int variant = 0; variant < 4; ++variant) {
      FormatOptions settings;
      settings.StripComments = (variant & 1) != 0;
      settings.UnixEndOfLine = (variant & 2) != 0;
      NullMessages messages;
      const FormatResult result = FormatText(input, settings, messages);
      ++runs;
      if (result.status == FormatStatus::kRefused) {
        ++refused;
        continue;
      }
      ASSERT_EQ(result.status, FormatStatus::kOk) << result.reason;
      const bool compiles = compile("out", result.text);
      EXPECT_TRUE(compiles && read("out.key") == input_key)
          << "seed " << seed << ", variant " << variant
          << (compiles ? ": meaning changed" : ": does not compile") << "\ninput:\n"
          << input << "\noutput:\n"
          << result.text;
      if (::testing::Test::HasFailure()) break;
    }
    if (::testing::Test::HasFailure()) break;
  }
  std::filesystem::remove_all(folder);
  std::printf("%d of %d runs refused by the meaning check\n", refused, runs);
  EXPECT_LE(refused * 100, runs) << "more than 1% of the runs refused";
}

}  // namespace
}  // namespace kelvane
