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
#include <string>
#include <string_view>
#include <vector>

#include "engine/app_text.h"
#include "engine/format_text.h"
#include "engine/meaning_check.h"
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
      // "--" inside a string is no comment.
      {__LINE__, "a = \"--\"\nb = \"c-d\"\n", "a = \"--\"\nb = \"c-d\"\n"},
      {__LINE__, "local url = \"http://x--y\"\n", "local url = \"http://x--y\"\n"},
      // An escaped backslash before the closing quote; a quote of the other kind.
      {__LINE__, "a = \"\\\\\"\nb = \"c-d\"\n", "a = \"\\\\\"\nb = \"c-d\"\n"},
      {__LINE__, "q = '\"'\nb = \"c-d\"\n", "q = '\"'\nb = \"c-d\"\n"},
      // Brackets inside long strings, level long strings, block comments.
      {__LINE__, "s = [[a[1]-b]]\n", "s = [[a[1]-b]]\n"},
      {__LINE__, "s = [==[ a-b ]==]\n", "s = [==[ a-b ]==]\n"},
      {__LINE__, "--[[ a \"quote\"\nline ]]\nx = 1\n", "--[[ a \"quote\"\nline ]]\t\nx = 1\n"},
      // A block comment as a table's only content gets no comma after it.
      {__LINE__, "s{--[[]]\n}\n", "s\n{\n\t--[[]]\t\t\n}\n\n"},
      // A long string as a table key keeps a space after "[".
      {__LINE__, "t[ [[k]] ] = 1\n", "t[ [[k]]] = 1\n"},
      // The vararg stays whole.
      {__LINE__, "function f(...) return ... end\n", "function f(...)\t\n\treturn\n\t...\nend\n\n"},
      // A comment never swallows the code the layout puts after it.
      {__LINE__, "l(--\n)\n", "l(--\n)\n"},
      {__LINE__, "class(function(a)\n  --\nend)\n", "class(function(a) --\nend)\n"},
      {__LINE__, "s = \"a\" -- first\n  .. \"b\"\n", "s = \"a\"\n-- first\t\n.. \"b\"\n"},
      {__LINE__, "s{\"\"--\n,\"\"}\n", "s\n{\n\t\"\"--\n\t,\n\t\"\",\n}\n\n"},
      // A ";" between table fields stays; so does one before a line with "(".
      {__LINE__, "y{e;\nd}\n", "y\n{\n\te;\n\td,\n}\n\n"},
      {__LINE__, "t = {\n  a = 1;\n}\n", "t = \n{\n\ta = 1;\n}\n\n"},
      {__LINE__, "x = f\n;(g)()\n", "x = f\n;(g)()\n"},
      {__LINE__, "f(); -- c\n(g)()\n", "f();\n-- c\t\n(g)()\n"},
      // Lua 5.3's two-character operators stay whole.
      {__LINE__, "x = a//b >> 1 << c\n", "x = a // b >> 1 << c\n"},
      // An argument list after a string stays on its line.
      {__LINE__, "require\"x\" ()\n", "require\"x\"()\n"},
      // A lone CR ends a line.
      {__LINE__, "a = 1\rb = 2\r", "a = 1\nb = 2\n"},
      // Text that looks like a token comes back as it was.
      {__LINE__, "x = \"@c0c@\"\n-- c\n", "x = \"@c0c@\"\n-- c\t\n"},
      {__LINE__, "x = \"@qdq@\" .. @a0a@\n", "x = \"@qdq@\" .. @a0a@\n"},
      // The clean-up leaves string literals alone.
      {__LINE__, "v = \"3.0.1\"\n", "v = \"3.0.1\"\n"},
      {__LINE__, "f(\"%.2f\")\n", "f(\"%.2f\")\n"},
      {__LINE__, "s = [[\nint a;\n]]\n", "s = [[\nint a;\n]]\n"},
      {__LINE__, "s = [[\n\tx]]\n", "s = [[\n\tx]]\n"},
      {__LINE__, "s = [[a\n\n\nb]]\n", "s = [[a\n\n\nb]]\n"},
      // "and" and "or" stay apart from a following "(".
      {__LINE__, "x = a and (b) or (c)\n", "x = a and (b) or (c)\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    FormatStatus status;
    const std::string output = FormatUnix(row.input, status);
    ASSERT_EQ(status, FormatStatus::kOk) << output;
    const std::string expected = std::string(AppComment) + row.body;
    EXPECT_TRUE(output == expected)
        << test_support::DescribeDifference(expected, output, "expected", "engine");
  }
}

TEST(SoundOutput, LoaderLineStaysFirst) {
  FormatStatus status;
  const std::string output = FormatUnix("#!/usr/bin/env lua\r\nprint(1)\n", status);
  EXPECT_EQ(output, "#!/usr/bin/env lua\n" + std::string(AppComment) + "print(1)\n");
}

TEST(SoundOutput, MeaningCheckAllowsTheRulesChangesAndNothingElse) {
  struct Row {
    int line;
    const char* input;
    const char* output;
    size_t refused_at_line;  // 0: the check passes
  };
  const Row rows[] = {
      // What the formatting changes on purpose.
      {__LINE__, "x=1 y={a=1,b=2}", "x = 1\ny =\n{\n\ta = 1,\n\tb = 2,\n}\n", 0},
      {__LINE__, "v = 1.50 + .5 + 1e-5", "v = 1.5 + 0.5 + 1e-5", 0},
      {__LINE__, "print(x);\nf();", "print(x)\nf()", 0},
      {__LINE__, "t = {{1};{2}}", "t = {{1,},{2,},}", 0},
      {__LINE__, "x = 1 -- a note;", "x = 1 -- a note", 0},
      {__LINE__, "x = 1 -- c\n", "x = 1\n", 0},
      {__LINE__, "s = \"a\\\r\nb\"", "s = \"a\\\nb\"", 0},
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
    const MeaningCheck check = CompareMeaning(row.input, row.output);
    EXPECT_EQ(check.same, row.refused_at_line == 0) << check.why;
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

TEST(SoundOutput, RefusalWritesNoOutputAndNamesTheLine) {
  // The layout would start a line with the argument list of a call on a
  // table constructor.
  FormatStatus status;
  const std::string reason = FormatUnix("x = 1\ny = f{} ()\n", status);
  EXPECT_EQ(status, FormatStatus::kRefused);
  EXPECT_EQ(
      reason,
      "Error: Was unable to keep the meaning of line 2: a line would start with \"(\" right after "
      "a call, which Lua 5.1 rejects.");
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
