// Tests for the steps of one run over a fake platform: which services are
// used in which order, what reaches the log and the error box, the result.
#include "frontend/runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace kelvane::frontend {
namespace {

using Events = std::vector<std::string>;

// A child whose whole output is already in its pipe.
class FakeChild : public ChildProcess, public ByteSource {
 public:
  FakeChild(std::string output, bool ended, Events& events)
      : output_(std::move(output)), ended_(ended), events_(events) {}
  ~FakeChild() override { events_.push_back("close child"); }

  bool HasEnded() override { return ended_; }
  void WaitForEnd() override {
    events_.push_back("wait");
    ended_ = true;
  }
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
  Events& events_;
};

class FakePlatform : public RunnerPlatform {
 public:
  int64_t probe_result = 10;
  bool can_write = true;
  bool can_start = true;
  bool child_ended = true;
  std::string child_output;
  Events events;

  int64_t ProbeFileSize(std::string_view path) override {
    events.push_back("probe " + std::string(path));
    return probe_result;
  }
  std::optional<std::string> WriteEngineFile() override {
    events.push_back("write");
    if (!can_write) return std::nullopt;
    return "/t/E";
  }
  void RemoveEngineFile(const std::string& engine_path) override {
    events.push_back("remove " + engine_path);
  }
  std::unique_ptr<ChildProcess> StartChild(const std::string& engine_path,
                                           const std::string& command_line,
                                           const std::string& working_folder) override {
    events.push_back("start " + engine_path + " | " + command_line + " | " + working_folder);
    if (!can_start) return nullptr;
    return std::make_unique<FakeChild>(child_output, child_ended, events);
  }
};

struct RunOutcome {
  int result = 0;
  std::vector<std::string> log;
  std::vector<std::string> errors;
};

RunOutcome RunOnFake(FakePlatform& platform, signed char overwrite = 0, signed char strip = 0) {
  RunOutcome outcome;
  outcome.result = RunEngineWith(
      platform, "/w/in.lua", "/w/out.lua", overwrite, strip,
      [&](std::string_view line) {
        outcome.log.emplace_back(line);
        return 0;
      },
      [&](std::string_view message) { outcome.errors.emplace_back(message); });
  return outcome;
}

TEST(RunnerTest, RelaysShownLinesAndCleansUp) {
  FakePlatform platform;
  platform.child_output = "Parsing file...\t[/w/in.lua]\r\n\r\n\t\tPass...\r\nMicrosoft banner\r\n  \r\nlast";
  const RunOutcome outcome = RunOnFake(platform, 0, 1);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.log, (std::vector<std::string>{"Parsing file...\t[/w/in.lua]", "\t\tPass...",
                                                   "  ", "last", "+OK Ready..."}));
  EXPECT_TRUE(outcome.errors.empty());
  EXPECT_EQ(platform.events,
            (Events{"probe /w/in.lua", "write",
                    R"(start /t/E | "/t/E" "/w/in.lua" "/w/out.lua" -s -verbose | /w/)",
                    "wait", "close child", "remove /t/E"}));
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
      {"input missing", -1, true, true, 0, {"Selected file could not be found!"},
       {"probe /w/in.lua"}},
      {"input is a folder", -2, true, true, 0, {"Selected file could not be found!"},
       {"probe /w/in.lua"}},
      {"engine cannot be written", 0, false, true, -1, {}, {"probe /w/in.lua", "write"}},
      {"engine cannot be started", 0, true, false, -1, {"Could not start the formatting engine."},
       {"probe /w/in.lua", "write", R"(start /t/E | "/t/E" "/w/in.lua" -o -verbose | /w/)",
        "remove /t/E"}},
  };
  for (const auto& row : rows) {
    FakePlatform platform;
    platform.probe_result = row.probe_result;
    platform.can_write = row.can_write;
    platform.can_start = row.can_start;
    platform.child_output = "never shown\n";
    const RunOutcome outcome = RunOnFake(platform, 1);
    EXPECT_EQ(outcome.result, row.expected_result) << "row: " << row.name;
    EXPECT_TRUE(outcome.log.empty()) << "row: " << row.name;
    EXPECT_EQ(outcome.errors, row.expected_errors) << "row: " << row.name;
    EXPECT_EQ(platform.events, row.expected_events) << "row: " << row.name;
  }
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
