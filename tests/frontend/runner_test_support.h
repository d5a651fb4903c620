// Helpers for the runner's POSIX tests: whole files in and out, failure
// summaries of log lines, and a fixture with a private folder per test that
// holds the temporary folder (TMPDIR points there during the test, so that
// every engine file lands where the test can see it) and a working folder;
// both go, and TMPDIR is restored, afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane::frontend {

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, std::string_view content) {
  std::ofstream(path, std::ios::binary) << content;
}

// Lines as a failure message shows them: long ones by length and start.
inline std::vector<std::string> Summary(const std::vector<std::string>& lines) {
  std::vector<std::string> summary;
  for (const std::string& line : lines) {
    summary.push_back(line.size() <= 80
                          ? line
                          : std::to_string(line.size()) + " bytes: " + line.substr(0, 20) + "...");
  }
  return summary;
}

class TempFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* outer = std::getenv("TMPDIR");
    saved_tmpdir_ = outer != nullptr ? outer : "";
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    root_ = std::filesystem::temp_directory_path() /
            ("kelvane_" + std::string(test->test_suite_name()) + "_" + std::to_string(getpid()) +
             "_" + test->name());
    temp_ = root_ / "tmp";
    work_ = root_ / "work";
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(temp_);
    std::filesystem::create_directories(work_);
    setenv("TMPDIR", temp_.c_str(), 1);
  }
  void TearDown() override {
    if (saved_tmpdir_.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", saved_tmpdir_.c_str(), 1);
    }
    std::filesystem::remove_all(root_);
  }

  std::filesystem::path root_;
  std::filesystem::path temp_;
  std::filesystem::path work_;
  std::string saved_tmpdir_;
};

}  // namespace kelvane::frontend
