// A fixture for the runner's POSIX tests: a private folder per test that
// holds the temporary folder (TMPDIR points there during the test, so that
// every engine file lands where the test can see it) and a working folder;
// both go, and TMPDIR is restored, afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kelvane::frontend {

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
