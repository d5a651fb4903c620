// Whole runs on real Lua files and our examples, compared byte for byte with
// the stored results (header line and CR LF line ends, as the program writes
// them), both through the library and through the zorv_kelvane program.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/header_line.h"
#include "engine/messages.h"
#include "engine/process_code.h"
#include "engine/run_settings.h"
#include "tests/engine/cli_runner.h"
#include "tests/support/text_diff.h"

namespace kelvane::testing {
namespace {

namespace fs = std::filesystem;

struct GoldenCase {
  std::string name;  // shown in failures
  fs::path input;
  fs::path expected;
};

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

std::vector<fs::path> LuaFilesIn(const fs::path& folder) {
  std::vector<fs::path> paths;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file() && entry.path().extension() == ".lua")
      paths.push_back(entry.path());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// tests/golden/NAME.lua with NAME.expected beside it, and examples/NAME.lua
// with tests/golden/examples/NAME.expected.
std::vector<GoldenCase> GoldenCases() {
  const fs::path source = KELVANE_SOURCE_DIR;
  const fs::path golden = source / "tests" / "golden";
  std::vector<GoldenCase> cases;
  for (const fs::path& input : LuaFilesIn(golden)) {
    cases.push_back({input.filename().string(), input,
                     golden / input.filename().replace_extension(".expected")});
  }
  for (const fs::path& input : LuaFilesIn(source / "examples")) {
    cases.push_back({"examples/" + input.filename().string(), input,
                     golden / "examples" / input.filename().replace_extension(".expected")});
  }
  return cases;
}

// What the program writes with default settings: ProcessCode's text, earlier
// header lines removed, the header line in front.
std::string FormatLikeTheProgram(const std::string& input, std::string& error) {
  NullMessages messages;
  ProcessResult result = ProcessCode(input, RunSettings{}, messages);
  if (result.status != ProcessStatus::kOk) {
    error = result.guard_message != nullptr ? result.guard_message : "ProcessCode failed";
    return {};
  }
  return ReplaceHeaderLines(result.text, /*strip_comments=*/false);
}

TEST(GoldenTest, EveryInputHasItsExpectedResult) {
  const std::vector<GoldenCase> cases = GoldenCases();
  ASSERT_GE(cases.size(), 4u) << "golden files not found under " << KELVANE_SOURCE_DIR;
  for (const GoldenCase& golden : cases) {
    EXPECT_TRUE(fs::is_regular_file(golden.expected))
        << golden.name << ": missing " << golden.expected;
  }
}

TEST(GoldenTest, LibraryRunsGiveTheStoredResults) {
  for (const GoldenCase& golden : GoldenCases()) {
    if (!fs::is_regular_file(golden.expected)) continue;
    std::string error;
    const std::string actual = FormatLikeTheProgram(ReadBytes(golden.input), error);
    ASSERT_TRUE(error.empty()) << golden.name << ": " << error;
    const std::string expected = ReadBytes(golden.expected);
    EXPECT_TRUE(actual == expected) << golden.name << ": " << DescribeDifference(expected, actual);
  }
}

TEST(GoldenTest, ProgramWritesTheStoredResults) {
  CliSandbox sandbox;
  for (const GoldenCase& golden : GoldenCases()) {
    if (!fs::is_regular_file(golden.expected)) continue;
    sandbox.WriteFile("in.lua", ReadBytes(golden.input));
    CliResult run = sandbox.Run({"in.lua", "out.lua"});
    ASSERT_EQ(run.exit_status, 0) << golden.name << ": " << run.err;
    const std::string expected = ReadBytes(golden.expected);
    const std::string actual = sandbox.ReadFile("out.lua");
    EXPECT_TRUE(actual == expected) << golden.name << ": " << DescribeDifference(expected, actual);
  }
}

}  // namespace
}  // namespace kelvane::testing
