// Tests for the steps of one run over a fake platform: which services are
// used in which order, what reaches the log and the error box, the result.
#include "frontend/runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>

namespace kelvane::frontend {
namespace {

using Events = std::vector<std::string>;

// A child whose whole output is already in its pipe.
class FakeChild : public ChildProcess, public ByteSource {
 public:
  FakeChild(std::string output, bool ended, ChildExit exit, Events& events)
      : output_(std::move(output)), ended_(ended), exit_(exit), events_(events) {}
  ~FakeChild() override { events_.push_back("close child"); }

  bool HasEnded() override { return ended_; }
  void WaitForEnd() override {
    events_.push_back("wait");
    ended_ = true;
  }
  ChildExit Exit() override { return exit_; }
  int64_t BytesWaiting() override { return static_cast<int64_t>(output_.size()); }
  ByteSource& Output() override { return *this; }
  int64_t Read(char* buffer, size_t capacity) override {
    const size_t count = std::min(capacity, output_.size());
    std::memcpy(buffer, output_.data(), count);
    output_.erase(0, count);
    return static_cast<int64_t>(count);
  }

 private:
  std::string output_;
  bool ended_;
  ChildExit exit_;
  Events& events_;
};

class FakePlatform : public RunnerPlatform {
 public:
  int64_t probe_result = 10;
  bool can_write = true;
  bool can_start = true;
  bool child_ended = true;
  bool one_command_line = false;
  ChildExit child_exit;
  std::string child_output;
  std::vector<std::string> arguments;  // as the last start received them
  Events events;

  int64_t ProbeFileSize(std::string_view path) override {
    events.push_back("probe " + std::string(path));
    return probe_result;
  }
  // Relative paths are taken against the folder /cwd.
  std::string AbsolutePath(std::string_view path) override {
    if (path.empty() || path.front() == '/') return std::string(path);
    return "/cwd/" + std::string(path);
  }
  bool PassesOneCommandLine() const override { return one_command_line; }
  std::optional<EngineFile> WriteEngineFile(std::string& error) override {
    events.push_back("write");
    if (!can_write) {
      error = "Cannot write the formatting engine into '/t/': No space left on device";
      return std::nullopt;
    }
    return EngineFile{"/t/E", 7};
  }
  void RemoveEngineFile(const EngineFile& engine) override {
    events.push_back("remove " + engine.path + " " + std::to_string(engine.handle));
  }
  std::unique_ptr<ChildProcess> StartChild(const EngineFile& engine, const EngineCommand& command,
                                           const std::string& working_folder) override {
    events.push_back("start " + engine.path + " | " + command.line + " | " + working_folder);
    arguments = command.arguments;
    if (!can_start) return nullptr;
    return std::make_unique<FakeChild>(child_output, child_ended, child_exit, events);
  }
};

struct RunOutcome {
  int result = 0;
  std::vector<std::string> log;
  std::vector<std::string> errors;
};

RunOutcome RunOnFake(FakePlatform& platform, signed char overwrite = 0, signed char strip = 0,
                     std::string_view input = "/w/in.lua", std::string_view output = "/w/out.lua") {
  RunOutcome outcome;
  outcome.result = RunEngineWith(
      platform, input, output, overwrite, strip,
      [&](std::string_view line) {
        outcome.log.emplace_back(line);
        return 0;
      },
      [&](std::string_view message) { outcome.errors.emplace_back(message); });
  return outcome;
}

TEST(RunnerTest, RelaysShownLinesAndCleansUp) {
  FakePlatform platform;
  platform.child_output =
      "Parsing file...\t[/w/in.lua]\r\n\r\n\t\tPass...\r\nMicrosoft banner\r\n  \r\nlast";
  const RunOutcome outcome = RunOnFake(platform, 0, 1);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.log, (std::vector<std::string>{"Parsing file...\t[/w/in.lua]", "\t\tPass...",
                                                   "  ", "last", "+OK Ready..."}));
  EXPECT_TRUE(outcome.errors.empty());
  EXPECT_EQ(platform.events,
            (Events{"probe /w/in.lua", "write",
                    R"(start /t/E | "/t/E" "/w/in.lua" "/w/out.lua" -s -verbose | /w/)", "wait",
                    "close child", "remove /t/E 7"}));
}

TEST(RunnerTest, StopsAtTheEndOfThePipeAndWaitsForTheChild) {
  FakePlatform platform;
  platform.child_ended = false;
  platform.child_output = "a\nb";
  const RunOutcome outcome = RunOnFake(platform);
  EXPECT_EQ(outcome.log, (std::vector<std::string>{"a", "b", "+OK Ready..."}));
  EXPECT_NE(std::find(platform.events.begin(), platform.events.end(), "wait"),
            platform.events.end());
}

TEST(RunnerTest, ReportsEachFailure) {
  const struct {
    const char* name;
    int64_t probe_result;
    bool can_write;
    bool can_start;
    int expected_result;
    std::vector<std::string> expected_errors;
    Events expected_events;
  } rows[] = {
      {"input missing",
       -1,
       true,
       true,
       0,
       {"Selected file could not be found!"},
       {"probe /w/in.lua"}},
      {"input is a folder",
       -2,
       true,
       true,
       0,
       {"Selected file could not be found!"},
       {"probe /w/in.lua"}},
      // The engine cannot be written: which folder and why, in the box and
      // as the log's last line.
      {"engine cannot be written",
       0,
       false,
       true,
       -1,
       {"Cannot write the formatting engine into '/t/': No space left on device"},
       {"probe /w/in.lua", "write"}},
      {"engine cannot be started",
       0,
       true,
       false,
       -1,
       {"Could not start the formatting engine."},
       {"probe /w/in.lua", "write", R"(start /t/E | "/t/E" "/w/in.lua" -o -verbose | /w/)",
        "remove /t/E 7"}},
  };
  for (const auto& row : rows) {
    FakePlatform platform;
    platform.probe_result = row.probe_result;
    platform.can_write = row.can_write;
    platform.can_start = row.can_start;
    platform.child_output = "never shown\n";
    const RunOutcome outcome = RunOnFake(platform, 1);
    EXPECT_EQ(outcome.result, row.expected_result) << "row: " << row.name;
    std::vector<std::string> expected_log;
    if (row.expected_result < 0) expected_log.push_back("-ERR Failed: " + row.expected_errors[0]);
    EXPECT_EQ(outcome.log, expected_log) << "row: " << row.name;
    EXPECT_EQ(outcome.errors, row.expected_errors) << "row: " << row.name;
    EXPECT_EQ(platform.events, row.expected_events) << "row: " << row.name;
  }
}

// A failed engine ends the log with "-ERR Failed:" and why, never with
// "+OK Ready...", and the run fails.
TEST(RunnerTest, AFailedEngineEndsTheLogWithWhy) {
  const struct {
    const char* name;
    ChildExit exit;
    std::string expected_last;
  } rows[] = {
      {"file error",
       {.by_signal = false, .code = 1},
       "-ERR Failed: the engine ended with exit status 1"},
      {"guard",
       {.by_signal = false, .code = 2},
       "-ERR Failed: the engine ended with exit status 2"},
      {"killed", {.by_signal = true, .code = 9}, "-ERR Failed: the engine was ended by signal 9"},
      {"Windows crash",
       {.by_signal = false, .code = 0xC0000005},
       "-ERR Failed: the engine ended with exit status 0xC0000005"},
  };
  for (const auto& row : rows) {
    FakePlatform platform;
    platform.child_exit = row.exit;
    platform.child_output = "zorv_kelvane: cannot write 'out.lua': Permission denied\n";
    const RunOutcome outcome = RunOnFake(platform);
    EXPECT_EQ(outcome.result, kRunFailed) << "row: " << row.name;
    EXPECT_EQ(outcome.log,
              (std::vector<std::string>{"zorv_kelvane: cannot write 'out.lua': Permission denied",
                                        row.expected_last}))
        << "row: " << row.name;
    EXPECT_TRUE(outcome.errors.empty()) << "row: " << row.name;
    EXPECT_EQ(platform.events.back(), "remove /t/E 7") << "row: " << row.name;
  }
}

// "kelvane_run in.lua 'out\" -o \"x.lua'" leaves in.lua alone: the paths reach
// the engine as they are, and where they must go on one command line, a path
// with a quote is refused rather than split apart.
TEST(RunnerTest, QuotesInPaths) {
  {
    SCOPED_TRACE("an argument vector carries the path as it is");
    FakePlatform platform;
    const RunOutcome outcome = RunOnFake(platform, 0, 0, "/w/in.lua", R"(/w/out" -o "x.lua)");
    EXPECT_EQ(outcome.result, kRunDone);
    EXPECT_EQ(platform.arguments,
              (std::vector<std::string>{"/t/E", "/w/in.lua", R"(/w/out" -o "x.lua)", "-verbose"}));
  }
  for (const auto& [input, output, overwrite] :
       {std::tuple{"/w/in.lua", R"(/w/out" -o "x.lua)", 0}, std::tuple{R"(/w/a"b.lua)", "", 1}}) {
    SCOPED_TRACE("one command line: refused");
    FakePlatform platform;
    platform.one_command_line = true;
    const RunOutcome outcome =
        RunOnFake(platform, static_cast<signed char>(overwrite), 0, input, output);
    EXPECT_EQ(outcome.result, kRunNoInput);
    EXPECT_TRUE(outcome.log.empty());
    EXPECT_EQ(outcome.errors, std::vector<std::string>{std::string(kQuoteInPathMessage)});
    EXPECT_EQ(platform.events, Events{"probe " + std::string(input)});
  }
  {
    SCOPED_TRACE("with overwrite the output path is not passed, so its quotes do not matter");
    FakePlatform platform;
    platform.one_command_line = true;
    EXPECT_EQ(RunOnFake(platform, 1, 0, "/w/in.lua", R"(x"y)").result, kRunDone);
  }
}

// "kelvane_run sub/rel.lua x 1" formats sub/rel.lua, not sub/sub/rel.lua: the
// engine starts in the input's folder, so it gets the paths made absolute.
TEST(RunnerTest, RelativePathsGoToTheEngineAbsolute) {
  FakePlatform platform;
  const RunOutcome outcome = RunOnFake(platform, 0, 0, "sub/rel.lua", "out.lua");
  EXPECT_EQ(outcome.result, kRunDone);
  EXPECT_EQ(platform.arguments,
            (std::vector<std::string>{"/t/E", "/cwd/sub/rel.lua", "/cwd/out.lua", "-verbose"}));
  EXPECT_EQ(platform.events[2],
            R"(start /t/E | "/t/E" "/cwd/sub/rel.lua" "/cwd/out.lua" -verbose | /cwd/sub/)");
}

TEST(RunnerTest, RunsWithoutCallbacks) {
  FakePlatform platform;
  platform.child_output = "a\n";
  EXPECT_EQ(RunEngineWith(platform, "/w/in.lua", "", 0, 0, nullptr, nullptr), 1);
  platform.probe_result = -1;
  EXPECT_EQ(RunEngineWith(platform, "/w/in.lua", "", 0, 0, nullptr, nullptr), 0);
}

}  // namespace
}  // namespace kelvane::frontend
