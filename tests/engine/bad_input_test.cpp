// zorv_kelvane run for real on hostile input: binary bytes, odd line ends,
// broken brackets and strings, token-like text, huge files and lines, too
// little memory. Every run ends in a formatted file, or in one line on
// standard error, a non-zero exit, nothing written and the input untouched.
// Paths and files that cannot work are in file_errors_test.cpp.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/app_text.h"
#include "engine/meaning_check.h"
#include "tests/differential/pipeline_compare.h"
#include "tests/reference/reference_stages.h"
#include "tests/support/cli_runner.h"
#include "tests/support/lua_generator.h"
#include "tests/support/text_diff.h"

namespace kelvane {
namespace {

using test_support::CliResult;
using test_support::CliSandbox;

// Set (to anything but "0") to skip the 200 MB file and the 50 MB line, e.g.
// under the sanitizers, where they take minutes.
bool HugeInputsSkipped() {
  const char* value = std::getenv("KELVANE_SKIP_HUGE_INPUTS");
  return value != nullptr && *value != '\0' && std::string(value) != "0";
}

// AddressSanitizer reserves far more address space than any limit we could
// set, so memory-limit runs make no sense under it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// Runs the program in the sandbox's working folder with its address space
// limited to `bytes`; only the exit status and standard error are kept.
CliResult RunWithMemoryLimit(const CliSandbox& sandbox, const std::vector<std::string>& args,
                             rlim_t bytes) {
  const std::string program = test_support::EnginePath();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int err_pipe[2];
  if (pipe(err_pipe) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    const int null_fd = open("/dev/null", O_RDWR);
    if (null_fd < 0 || chdir(sandbox.work().c_str()) != 0) _exit(126);
    dup2(null_fd, 0);
    dup2(null_fd, 1);
    dup2(err_pipe[1], 2);
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_AS, &limit);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(err_pipe[1]);
  CliResult result;
  char buffer[4096];
  for (ssize_t got; (got = read(err_pipe[0], buffer, sizeof buffer)) > 0;) {
    result.err.append(buffer, static_cast<size_t>(got));
  }
  close(err_pipe[0]);
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    result.exit_status = WEXITSTATUS(status);
  }
  return result;
}

// What the program must write for `input`: the literal reference's result
// with the header line, or nothing (guard_message set) when its guard fires.
struct Expected {
  std::string file;
  const char* guard_message = nullptr;
};

Expected FromReference(const std::string& input, bool strip, bool unix_end_of_line) {
  FormatOptions settings;
  settings.StripComments = strip;
  settings.UnixEndOfLine = unix_end_of_line;
  Expected expected;
  std::optional<std::string> file = test_support::LiteralOutputFile(input, settings);
  if (file) {
    expected.file = std::move(*file);
  } else {
    expected.guard_message = reference::ReferenceProcessCode(input, settings).guard_message;
  }
  return expected;
}

TEST(BadInputTest, SmallHostileTextsFormatLikeTheReference) {
  std::string all_bytes;
  for (int byte = 0; byte < 256; ++byte) all_bytes += static_cast<char>(byte);
  const char kNulText[] = "x\0=\0{\0a=1,\0}\0\0\n-- \0\n\"\0\"";
  const std::string nul_text(kNulText, sizeof kNulText - 1);
  const struct {
    int line;
    std::string name;
    std::string input;
  } rows[] = {
      {__LINE__, "all 256 byte values", all_bytes},
      {__LINE__, "all 256 byte values behind code", "t = { 1, 2 }\n" + all_bytes + "\nend\n"},
      {__LINE__, "NUL bytes in code, comments and strings", nul_text},
      {__LINE__, "only NUL bytes", std::string(64, '\0')},
      {__LINE__, "only LF", std::string(40, '\n')},
      {__LINE__, "only CR LF", "\r\n\r\n\r\n\r\n"},
      {__LINE__, "only CR", "\r\r\r\r\r"},
      {__LINE__, "mixed line ends only", "\n\r\r\n\n\r"},
      {__LINE__, "white space only", " \t\v\f \n\t\r\n "},
      {__LINE__, "CR-only line ends", "a=1\rb={c=2}\rfunction f(x)\rreturn x\rend\r"},
      {__LINE__, "a BOM before code", "\xEF\xBB\xBFx=1\ny={2}\n"},
      {__LINE__, "a BOM before a comment", "\xEF\xBB\xBF-- note\nx=1\n"},
      {__LINE__, "a BOM alone", "\xEF\xBB\xBF"},
      {__LINE__, "unopened right braces", "x = 1 }\n"},
      {__LINE__, "surplus right braces after a table", "t = { a = 1 } } }\n"},
      {__LINE__, "unclosed left braces", "t = { { { a = 1\n"},
      {__LINE__, "unbalanced parentheses", "f((((a)\ng(b)))))\n"},
      {__LINE__, "unbalanced square brackets", "a[[[1]\nb[2]]]]\n"},
      {__LINE__, "crossed brackets", "f(a[1)]\nt = {(}) [}]\n"},
      {__LINE__, "brackets inside strings and comments", "s = \"{{(\" -- }})]\nx = '}'\n"},
      {__LINE__, "deep table nesting", std::string(400, '{') + "1" + std::string(400, '}')},
      {__LINE__, "deep parentheses", "x = " + std::string(400, '(') + "1" + std::string(400, ')')},
      {__LINE__, "deep mixed nesting",
       "t = " + std::string(100, '{') + "f(" + std::string(100, '[') + "1" + std::string(100, ']') +
           ")" + std::string(100, '}')},
      {__LINE__, "unterminated double-quoted string", "x = \"abc\ny = 1\n"},
      {__LINE__, "unterminated single-quoted string", "x = 'abc\ny = {1}\n"},
      {__LINE__, "unterminated string at the end", "x = \"abc"},
      {__LINE__, "string ending in a backslash", "x = \"abc\\\"\ny = 2\n"},
      {__LINE__, "unterminated long bracket", "x = [[abc\ny = 1\n"},
      {__LINE__, "lone quote characters", "\"\n'\n\"'\"\n"},
      {__LINE__, "a 1500-byte string", "x = \"" + std::string(1500, 'a') + "\"\n"},
      {__LINE__, "a 1500-byte comment", "-- " + std::string(1500, '=') + "\nx = 1\n"},
      {__LINE__, "token-like text in code", "x = @a0a@ + @i0i@\ny = @qdq@ @qsq@ @tet@ @c0c@\n"},
      {__LINE__, "token-like text in strings",
       "x = \"@a0a@\" .. '@qdq@' .. \"@c0c@ @tet@\" .. \"@s0s@\"\n"},
      {__LINE__, "token-like text in comments", "-- @a0a@ @qdq@ @c0c@ @tet@ @qlq@ @qrq@\nx = 1\n"},
      {__LINE__, "token-like text in arguments and indices",
       "f(@a0a@, \"@c0c@\")\nt[@i0i@] = g(@tet@)\n"},
      {__LINE__, "token-like text with large numbers",
       "x = @a99999999a@ .. @c18446744073709551616c@\n"},
      {__LINE__, "half tokens", "x = @a0 a@ @qd q@ @ @@ @c@ @tet\n"},
      {__LINE__, "the header words inside a string",
       "s = \"-- Pretty-Printed using Zorv Kelvane\"\nx = 1\n"},
  };
  for (const auto& row : rows) {
    for (int variant = 0; variant < 4; ++variant) {
      const bool strip = (variant & 1) != 0;
      const bool unix_end_of_line = (variant & 2) != 0;
      SCOPED_TRACE("row at line " + std::to_string(row.line) + " (" + row.name + ")" +
                   (strip ? " -s" : "") + (unix_end_of_line ? " -unix" : ""));
      std::vector<std::string> args = {"in.lua", "out.lua"};
      if (strip) args.push_back("-s");
      if (unix_end_of_line) args.push_back("-unix");
      CliSandbox sandbox;
      sandbox.WriteFile("in.lua", row.input);
      const CliResult result = sandbox.Run(args);
      FormatOptions settings;
      settings.StripComments = strip;
      settings.UnixEndOfLine = unix_end_of_line;
      if (!test_support::LiteralReferenceJudges(row.input, settings)) {
        // The literal rules are unsound here: the program keeps the meaning
        // or refuses, writing nothing.
        if (result.exit_status == 0) {
          std::string written = sandbox.ReadFile("out.lua");
          if (!strip && written.starts_with(AppComment)) written.erase(0, AppComment.size());
          const MeaningCheck check = CompareMeaning(row.input, written);
          EXPECT_TRUE(check.same) << "line " << check.input_line << ": " << check.why;
        } else {
          EXPECT_EQ(result.exit_status, 2) << result.err;
          EXPECT_EQ(sandbox.List(), std::vector<std::string>{"in.lua"});
        }
        EXPECT_TRUE(sandbox.ReadFile("in.lua") == row.input) << "the input was changed";
        continue;
      }
      const Expected expected = FromReference(row.input, strip, unix_end_of_line);
      if (expected.guard_message != nullptr) {
        EXPECT_EQ(result.exit_status, 2);
        EXPECT_NE(result.out.find(expected.guard_message), std::string::npos) << result.out;
        EXPECT_EQ(sandbox.List(), std::vector<std::string>{"in.lua"});
      } else {
        EXPECT_EQ(result.exit_status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        ASSERT_TRUE(sandbox.Exists("out.lua"));
        const std::string written = sandbox.ReadFile("out.lua");
        EXPECT_TRUE(written == expected.file)
            << test_support::DescribeDifference(expected.file, written, "reference", "program");
        EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua", "out.lua"}));
      }
      EXPECT_TRUE(sandbox.ReadFile("in.lua") == row.input) << "the input was changed";
    }
  }
}

// Structures too big for the reference: the program must finish them without
// running out of stack and keep every bracket. Tables are indented one TAB per
// level, so their result grows with the square of the depth: 3,000 levels
// already give 9 MB.
TEST(BadInputTest, VeryDeepNestingFinishes) {
  const struct {
    int line;
    std::string name;
    std::string input;
    char bracket;
  } rows[] = {
      {__LINE__, "3,000 nested tables",
       "t = " + std::string(3'000, '{') + "1" + std::string(3'000, '}') + "\n", '{'},
      {__LINE__, "200,000 nested parentheses",
       "x = " + std::string(200'000, '(') + "1" + std::string(200'000, ')') + "\n", '('},
      {__LINE__, "200,000 nested indices",
       "x = a" + std::string(200'000, '[') + "1" + std::string(200'000, ']') + "\n", '['},
      {__LINE__, "100,000 unclosed parentheses", "f" + std::string(100'000, '(') + "\n", '('},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line) + " (" + row.name + ")");
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", row.input);
    const CliResult result = sandbox.Run({"in.lua", "out.lua", "-unix"});
    ASSERT_EQ(result.exit_status, 0) << result.err;
    const std::string written = sandbox.ReadFile("out.lua");
    const auto count = [](const std::string& text, char c) {
      return std::count(text.begin(), text.end(), c);
    };
    EXPECT_EQ(count(written, row.bracket), count(row.input, row.bracket));
    EXPECT_TRUE(sandbox.ReadFile("in.lua") == row.input);
  }
}

// Game-like data of at least `size` bytes.
std::string GameData(size_t size) { return test_support::GenerateGameLua(size, 1); }

TEST(BadInputTest, HugeInputsFinish) {
  if (HugeInputsSkipped()) GTEST_SKIP() << "KELVANE_SKIP_HUGE_INPUTS is set";
  const std::string statement = "value = value + 1; ";
  std::string long_line;
  long_line.reserve(50'000'100);
  while (long_line.size() < 50'000'000) long_line += statement;
  const struct {
    int line;
    std::string name;
    std::string input;
    std::string expected_part;  // a piece of the formatted result
  } rows[] = {
      {__LINE__, "a 200 MB file", GameData(200'000'000), "\tspawn = \r\n"},
      {__LINE__, "a 50 MB line of statements", "x = 1\n" + long_line + "\n",
       "value = value + 1\r\n"},
      {__LINE__, "a 50 MB comment line", "-- " + std::string(50'000'000, 'c') + "\nx = 1\n",
       "ccc\t\r\n"},
      {__LINE__, "a 50 MB string", "s = \"" + std::string(50'000'000, 's') + "\"\n", "sss\"\r\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line) + " (" + row.name + ")");
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", row.input);
    const CliResult result = sandbox.Run({"in.lua", "-o"});
    ASSERT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string written = sandbox.ReadFile("in.lua");
    EXPECT_TRUE(written.starts_with(AppComment));
    EXPECT_NE(written.find(row.expected_part), std::string::npos);
    EXPECT_GE(written.size(), row.input.size() / 2);
    EXPECT_EQ(sandbox.List(), std::vector<std::string>{"in.lua"});
  }
}

// A result past the input limit (a deep nested table whose result would be
// 266 MiB) is not written, so that a run never writes what the next one
// cannot read.
TEST(BadInputTest, AResultPastTheInputLimitIsNotWritten) {
  if (HugeInputsSkipped()) GTEST_SKIP() << "KELVANE_SKIP_HUGE_INPUTS is set";
  const size_t depth = 16'700;  // its result has about depth * depth / 2 TABs
  const std::string input = "t=" + std::string(depth, '{') + std::string(depth, '}') + "\n";
  CliSandbox sandbox;
  sandbox.WriteFile("in.lua", input);
  const CliResult result = sandbox.Run({"in.lua", "-o", "-unix"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err,
            "zorv_kelvane: cannot write 'in.lua': the formatted text would be 266 MiB, larger "
            "than the input limit of 256 MiB; nothing was written\n");
  EXPECT_TRUE(sandbox.ReadFile("in.lua") == input);
  EXPECT_EQ(sandbox.List(), std::vector<std::string>{"in.lua"});
}

// Out of memory, while reading or while formatting: one line, exit status 1,
// nothing written and the input untouched, never an abort.
TEST(BadInputTest, OutOfMemoryIsAnError) {
  if (kAddressSanitizer) GTEST_SKIP() << "no memory limits under AddressSanitizer";
  const std::string deep = "t = " + std::string(8'000, '{') + std::string(8'000, '}') + "\n";
  const struct {
    int line;
    std::string input;
    rlim_t limit;
    std::string expected_err;
  } rows[] = {
      {__LINE__, GameData(64'000'000), 48 << 20,
       "zorv_kelvane: cannot read 'in.lua': Cannot allocate memory\n"},
      // 8,000 levels make a result of 64 MB.
      {__LINE__, deep, 48 << 20, "zorv_kelvane: cannot format 'in.lua': Cannot allocate memory\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", row.input);
    const CliResult result = RunWithMemoryLimit(sandbox, {"in.lua", "-o"}, row.limit);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, row.expected_err);
    EXPECT_EQ(sandbox.List(), std::vector<std::string>{"in.lua"});
    EXPECT_TRUE(sandbox.ReadFile("in.lua") == row.input) << "the input was changed";
  }
}

}  // namespace
}  // namespace kelvane
