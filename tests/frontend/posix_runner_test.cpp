// Tests for the runner on POSIX: the real probe, the pipe's edge cases with a
// stand-in child, and whole runs of the embedded engine. Each test gets its
// own temporary folder (TMPDIR), which must be empty again after every run.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "frontend/log_line.h"
#include "frontend/platform_runner.h"
#include "frontend/posix/posix_platform.h"
#include "tests/frontend/runner_test_support.h"

namespace kelvane::frontend {
namespace {

namespace fs = std::filesystem;

struct RunOutcome {
  int result = 0;
  std::vector<std::string> log;
  std::vector<std::string> errors;
};

class PosixRunnerTest : public TempFolderTest {
 protected:
  // Runs `engine_image` as the engine, or the embedded engine when none.
  RunOutcome RunWith(const fs::path& input, const fs::path& output, signed char overwrite = 0,
                     signed char strip = 0, const std::string* engine_image = nullptr) {
    RunOutcome outcome;
    const LogCallback log = [&](std::string_view line) {
      outcome.log.emplace_back(line);
      return 0;
    };
    const ErrorBox error_box = [&](std::string_view message) {
      outcome.errors.emplace_back(message);
    };
    if (engine_image == nullptr) {
      outcome.result = RunEngine(input.string(), output.string(), overwrite, strip, log, error_box);
    } else {
      NativeRunnerPlatform platform(
          {reinterpret_cast<const unsigned char*>(engine_image->data()), engine_image->size()});
      outcome.result = RunEngineWith(platform, input.string(), output.string(), overwrite, strip,
                                     log, error_box);
    }
    EXPECT_TRUE(fs::is_empty(temp_)) << "the run left something in the temporary folder";
    return outcome;
  }

  std::string echo_child_ = ReadFile(KELVANE_ECHO_CHILD);
};

TEST_F(PosixRunnerTest, ProbesFilesAndFolders) {
  WriteFile(work_ / "empty.lua", "");
  WriteFile(work_ / "five.lua", "12345");
  const struct {
    std::string path;
    int64_t expected;
  } rows[] = {
      {(work_ / "empty.lua").string(), 0},
      {(work_ / "five.lua").string(), 5},
      {(work_ / "five.lua").string() + "/", -1},
      {work_.string(), -2},
      {work_.string() + "/", -2},
      {work_.string() + "\\", -2},
      {(work_ / "missing.lua").string(), -1},
      {"", -1},
      {"/dev/null", -1},
  };
  for (const auto& row : rows) EXPECT_EQ(ProbeFileSize(row.path), row.expected) << row.path;
}

TEST_F(PosixRunnerTest, ReadsThePipeToTheEnd) {
  const std::string long_line(10'000, 'q');
  const struct {
    const char* name;
    std::string output;
    std::vector<std::string> expected;
  } rows[] = {
      {"line ends", "a\r\nb\re\nd", {"a", "b", "e", "d"}},
      {"empty line dropped", "x\n\ny\n", {"x", "y"}},
      {"CR and LF in separate reads", "a\r\x01\nb", {"a", "b"}},
      {"no output", "", {}},
      {"long line without a line end", long_line, {long_line}},
      {"long line in pieces",
       long_line + "\x01" + long_line + "\n\x01z",
       {long_line + long_line, "z"}},
      {"filter word and spaces", "Microsoft banner\n \n\tx\t\n", {" ", "\tx\t"}},
  };
  for (const auto& row : rows) {
    WriteFile(work_ / "in.lua", row.output);
    RunOutcome outcome = RunWith(work_ / "in.lua", work_ / "out.lua", 0, 0, &echo_child_);
    EXPECT_EQ(outcome.result, 1) << "row: " << row.name;
    std::vector<std::string> expected = row.expected;
    expected.emplace_back(kReadyLine);
    EXPECT_EQ(Summary(outcome.log), Summary(expected)) << "row: " << row.name;
    EXPECT_TRUE(outcome.log == expected) << "row: " << row.name;
  }
}

TEST_F(PosixRunnerTest, StartsTheEngineWithItsArgumentsInTheInputFolder) {
  const fs::path folder = work_ / "my scripts";
  fs::create_directories(folder);
  WriteFile(folder / "in put.lua", "#args");
  const RunOutcome outcome = RunWith(folder / "in put.lua", "", 0, 1, &echo_child_);
  ASSERT_EQ(outcome.log.size(), 7u);
  EXPECT_TRUE(outcome.log[0].ends_with("/Zorv_Kelvane")) << outcome.log[0];
  EXPECT_EQ(outcome.log[1], "arg: " + (folder / "in put.lua").string());
  EXPECT_EQ(outcome.log[2], "arg: ");
  EXPECT_EQ(outcome.log[3], "arg: -s");
  EXPECT_EQ(outcome.log[4], "arg: -verbose");
  EXPECT_EQ(outcome.log[5], "cwd: " + folder.string());
}

TEST_F(PosixRunnerTest, ReportsAnEngineThatCannotStart) {
  WriteFile(work_ / "in.lua", "x");
  const std::string not_a_program = "this is no program";
  const RunOutcome outcome = RunWith(work_ / "in.lua", work_ / "out.lua", 0, 0, &not_a_program);
  EXPECT_EQ(outcome.result, -1);
  EXPECT_EQ(outcome.log,
            std::vector<std::string>{"-ERR Failed: Could not start the formatting engine."});
  EXPECT_EQ(outcome.errors, std::vector<std::string>{"Could not start the formatting engine."});
}

TEST_F(PosixRunnerTest, StartsTheEngineFromARelativeTemporaryFolder) {
  fs::create_directories(work_ / "sub");
  WriteFile(work_ / "sub" / "in.lua", "ok\n");
  const fs::path saved_folder = fs::current_path();
  fs::current_path(root_);
  setenv("TMPDIR", "tmp", 1);
  const RunOutcome outcome = RunWith(work_ / "sub" / "in.lua", "", 0, 0, &echo_child_);
  fs::current_path(saved_folder);
  EXPECT_EQ(outcome.log, (std::vector<std::string>{"ok", std::string(kReadyLine)}));
}

// A missing, read-only or full temporary folder ends the run with result -1,
// and the log and the error box say which folder and why.
TEST_F(PosixRunnerTest, SaysWhyTheEngineCannotBeWritten) {
  WriteFile(work_ / "in.lua", "x");
  fs::create_directories(root_ / "read-only");
  fs::permissions(root_ / "read-only", fs::perms::owner_read | fs::perms::owner_exec);
  const struct {
    fs::path folder;
    std::string why;
  } rows[] = {
      {root_ / "no such folder", "No such file or directory"},
      {root_ / "read-only", "Permission denied"},
      {work_ / "in.lua", "Not a directory"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.folder);
    if (row.why == "Permission denied" && geteuid() == 0) continue;  // root writes anyway
    setenv("TMPDIR", row.folder.c_str(), 1);
    const RunOutcome outcome = RunWith(work_ / "in.lua", work_ / "out.lua");
    const std::string reason =
        "Cannot write the formatting engine into '" + row.folder.string() + "/': " + row.why;
    EXPECT_EQ(outcome.result, -1);
    EXPECT_EQ(outcome.log, std::vector<std::string>{"-ERR Failed: " + reason});
    EXPECT_EQ(outcome.errors, std::vector<std::string>{reason});
  }
}

TEST_F(PosixRunnerTest, RunsTheEmbeddedEngine) {
  WriteFile(work_ / "in.lua", "x=1\n");
  const RunOutcome outcome = RunWith(work_ / "in.lua", work_ / "out.lua");
  EXPECT_EQ(outcome.result, 1);
  EXPECT_TRUE(outcome.errors.empty());
  ASSERT_GE(outcome.log.size(), 3u);
  // As the log list shows them: each TAB as four spaces.
  std::vector<std::string> shown;
  for (const std::string& line : outcome.log) shown.push_back(ExpandTabs(line));
  EXPECT_EQ(shown.front(), "Parsing file...    [" + (work_ / "in.lua").string() + "]");
  EXPECT_NE(std::find(shown.begin(), shown.end(), "    Clean-up..."), shown.end());
  EXPECT_NE(std::find(shown.begin(), shown.end(), "        Removing double-blank lines..."),
            shown.end());
  EXPECT_EQ(outcome.log.back(), kReadyLine);
  EXPECT_TRUE(outcome.log[outcome.log.size() - 2].starts_with("Time elapsed: "));
  EXPECT_NE(ReadFile(work_ / "out.lua").find("x = 1"), std::string::npos);
}

TEST_F(PosixRunnerTest, DropsTheParsingLineForAMicrosoftPath) {
  const fs::path folder = work_ / "Microsoft";
  fs::create_directories(folder);
  WriteFile(folder / "in.lua", "x=1\n");
  const RunOutcome outcome = RunWith(folder / "in.lua", folder / "out.lua");
  EXPECT_EQ(outcome.result, 1);
  for (const std::string& line : outcome.log)
    EXPECT_FALSE(line.starts_with("Parsing file...")) << line;
  EXPECT_EQ(outcome.log.back(), kReadyLine);
}

TEST_F(PosixRunnerTest, AVanishedInputRunsNothing) {
  const RunOutcome outcome = RunWith(work_ / "gone.lua", work_ / "out.lua");
  EXPECT_EQ(outcome.result, 0);
  EXPECT_TRUE(outcome.log.empty());
  EXPECT_EQ(outcome.errors, std::vector<std::string>{"Selected file could not be found!"});
  EXPECT_FALSE(fs::exists(work_ / "out.lua"));
}

}  // namespace
}  // namespace kelvane::frontend
