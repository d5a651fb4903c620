// The runner on POSIX against awkward engines and neighbours: its private
// folder and engine file, two runners sharing one temporary folder, and
// children that write nothing, huge lines, no final line end, or die mid-line.
// Every run must end with "+OK Ready..." (or, when the engine failed, a line
// that says how) and leave no file, child or handle.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "frontend/log_line.h"
#include "frontend/platform_runner.h"
#include "frontend/posix/posix_platform.h"
#include "tests/frontend/runner_test_support.h"

namespace kelvane::frontend {
namespace {

namespace fs = std::filesystem;

size_t OpenDescriptorCount() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// True when this process has a child left, ended or not.
bool HasChildLeft() {
  int status = 0;
  const pid_t result = waitpid(-1, &status, WNOHANG);
  return !(result < 0 && errno == ECHILD);
}

struct RunLog {
  int result = 0;
  std::vector<std::string> lines;
};

// Runs `engine_image` as the engine on `input`; safe to call from two threads.
RunLog RunImage(const std::string& engine_image, const fs::path& input, const fs::path& output) {
  RunLog log;
  NativeRunnerPlatform platform(
      {reinterpret_cast<const unsigned char*>(engine_image.data()), engine_image.size()});
  log.result = RunEngineWith(
      platform, input.string(), output.string(), 0, 0,
      [&log](std::string_view line) {
        log.lines.emplace_back(line);
        return 0;
      },
      [](std::string_view) {});
  return log;
}

class RunnerRobustnessTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    WriteFile(work_ / "in.lua", "x=1\n");
  }
};

TEST_F(RunnerRobustnessTest, EngineFileIsPrivateAndFresh) {
  const std::string image = "#!/bin/sh\necho hello\n";
  NativeRunnerPlatform platform(
      {reinterpret_cast<const unsigned char*>(image.data()), image.size()});
  // Modes must not depend on the caller's umask.
  const mode_t saved_umask = umask(0);
  std::string error;
  const std::optional<EngineFile> first = platform.WriteEngineFile(error);
  const std::optional<EngineFile> second = platform.WriteEngineFile(error);
  umask(saved_umask);
  ASSERT_TRUE(first && second) << error;
  EXPECT_NE(fs::path(first->path).parent_path(), fs::path(second->path).parent_path())
      << "two runs share one folder";
  for (const EngineFile& engine : {*first, *second}) {
    const std::string& path = engine.path;
    SCOPED_TRACE(path);
    const fs::path folder = fs::path(path).parent_path();
    EXPECT_EQ(folder.parent_path(), temp_);
    struct stat info {};
    ASSERT_EQ(lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, geteuid());
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, geteuid());
    EXPECT_EQ(ReadFile(path), image);
    // The engine starts from this descriptor: read-only, the same file.
    ASSERT_GE(engine.handle, 0);
    struct stat opened {};
    ASSERT_EQ(fstat(static_cast<int>(engine.handle), &opened), 0);
    EXPECT_EQ(opened.st_ino, info.st_ino);
    EXPECT_EQ(fcntl(static_cast<int>(engine.handle), F_GETFL) & O_ACCMODE, O_RDONLY);
  }
  platform.RemoveEngineFile(*first);
  platform.RemoveEngineFile(*second);
  EXPECT_TRUE(fs::is_empty(temp_));
}

TEST_F(RunnerRobustnessTest, PlantedFilesInTheTemporaryFolderAreNeitherUsedNorHarmed) {
  // Someone else's files under the engine's name, one a link to a victim
  // file: the run neither runs, follows, writes nor deletes them.
  WriteFile(work_ / "victim", "precious\n");
  fs::create_symlink(work_ / "victim", temp_ / "Zorv_Kelvane");
  WriteFile(temp_ / "Zorv_Kelvane.exe", "#!/bin/sh\necho planted\n");
  fs::permissions(temp_ / "Zorv_Kelvane.exe", fs::perms::owner_all);
  const RunLog log = RunImage("#!/bin/sh\necho mine\n", work_ / "in.lua", work_ / "out.lua");
  EXPECT_EQ(log.lines, (std::vector<std::string>{"mine", std::string(kReadyLine)}));
  EXPECT_EQ(ReadFile(work_ / "victim"), "precious\n");
  EXPECT_TRUE(fs::is_symlink(temp_ / "Zorv_Kelvane"));
  EXPECT_TRUE(fs::exists(temp_ / "Zorv_Kelvane.exe"));
}

TEST_F(RunnerRobustnessTest, AwkwardChildrenStillEndTheRun) {
  const struct {
    const char* name;
    std::string script;  // the engine, a shell script
    std::vector<std::string> expected;
    std::string last = std::string(kReadyLine);
  } rows[] = {
      {"writes nothing", "exit 0\n", {}},
      {"writes nothing and fails",
       "exit 3\n",
       {},
       "-ERR Failed: the engine ended with exit status 3"},
      {"closes its output and lingers", "exec >&-\nsleep 0.3\n", {}},
      {"no final line end", "printf 'one\\ntwo'\n", {"one", "two"}},
      {"ends on a lone CR", "printf 'one\\r'\n", {"one"}},
      {"only line ends", "printf '\\n\\r\\n\\r\\r\\n'\n", {}},
      {"dies mid-line",
       "printf 'first\\nhalf a li'\nkill -KILL $$\n",
       {"first", "half a li"},
       "-ERR Failed: the engine was ended by signal 9"},
      {"dies after a line end",
       "printf 'whole\\n'\nkill -TERM $$\n",
       {"whole"},
       "-ERR Failed: the engine was ended by signal 15"},
      {"dies before writing",
       "kill -KILL $$\n",
       {},
       "-ERR Failed: the engine was ended by signal 9"},
      {"writes to standard error and fails",
       "echo 'cannot write' >&2\nexit 1\n",
       {"cannot write"},
       "-ERR Failed: the engine ended with exit status 1"},
      {"long line without a line end",
       "head -c 3000000 /dev/zero | tr '\\0' q\n",
       {std::string(3'000'000, 'q')}},
      {"long lines, then a short one",
       "head -c 1000000 /dev/zero | tr '\\0' a\necho\nhead -c 700000 /dev/zero | tr '\\0' b\n"
       "printf '\\r\\nend'\n",
       {std::string(1'000'000, 'a'), std::string(700'000, 'b'), "end"}},
      {"long line, then dies mid-line",
       "head -c 2000000 /dev/zero | tr '\\0' z\nkill -KILL $$\n",
       {std::string(2'000'000, 'z')},
       "-ERR Failed: the engine was ended by signal 9"},
      {"many short lines", "i=0\nwhile [ $i -lt 3000 ]; do echo l; i=$((i+1)); done\n",
       std::vector<std::string>(3000, "l")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const size_t descriptors = OpenDescriptorCount();
    const RunLog log = RunImage("#!/bin/sh\n" + row.script, work_ / "in.lua", work_ / "out.lua");
    EXPECT_EQ(log.result, row.last == kReadyLine ? kRunDone : kRunFailed);
    std::vector<std::string> expected = row.expected;
    expected.push_back(row.last);
    EXPECT_EQ(Summary(log.lines), Summary(expected));
    EXPECT_TRUE(log.lines == expected);
    EXPECT_TRUE(fs::is_empty(temp_)) << "the run left something in the temporary folder";
    EXPECT_EQ(OpenDescriptorCount(), descriptors) << "a handle was left open";
    EXPECT_FALSE(HasChildLeft()) << "the child was left behind";
  }
}

TEST_F(RunnerRobustnessTest, TwoRunnersInOneTemporaryFolder) {
  // Each engine waits until both run, then lists the temporary folder and
  // shows its input. Both run from descriptors of their own engine files,
  // which are gone from the folder as soon as they run, so that a runner
  // killed later leaves no engine folder behind.
  const std::string image =
      "#!/bin/sh\n"
      "sleep 0.4\n"
      "echo \"listing: $(ls -A \"$TMPDIR\" | tr '\\n' ' ')\"\n"
      "echo \"$1\"\n";
  WriteFile(work_ / "a.lua", "a");
  WriteFile(work_ / "b.lua", "b");
  RunLog first;
  RunLog second;
  std::thread other([&] { second = RunImage(image, work_ / "b.lua", work_ / "b.out"); });
  first = RunImage(image, work_ / "a.lua", work_ / "a.out");
  other.join();
  for (const auto& [log, input] : {std::pair{&first, "a.lua"}, std::pair{&second, "b.lua"}}) {
    SCOPED_TRACE(input);
    EXPECT_EQ(log->result, 1);
    EXPECT_EQ(log->lines, (std::vector<std::string>{"listing: ", (work_ / input).string(),
                                                    std::string(kReadyLine)}));
  }
  EXPECT_TRUE(fs::is_empty(temp_));
  EXPECT_FALSE(HasChildLeft());
}

TEST_F(RunnerRobustnessTest, TwoEmbeddedEnginesAtOnce) {
  // The real engine on two files at the same time: each result is its own.
  // Both runs write an engine file while the other may fork, and the other's
  // child may hold it open for writing: no exec fails with ETXTBSY, and
  // neither run ends with -1.
  const struct {
    const char* name;
    std::string input;
    std::string expected_part;
  } files[] = {
      {"one.lua", "alpha={speed=1.50}\n", "\tspeed = 1.5,"},
      {"two.lua", "function beta(x) return x*2 end\n", "function beta(x)"},
  };
  for (const auto& file : files) WriteFile(work_ / file.name, file.input);
  std::vector<std::string> logs[2];
  int results[2] = {0, 0};
  const auto run = [&](int i) {
    results[i] = RunEngine((work_ / files[i].name).string(),
                           (work_ / (std::string(files[i].name) + ".out")).string(), 0, 0,
                           [&logs, i](std::string_view line) {
                             logs[i].emplace_back(line);
                             return 0;
                           },
                           [](std::string_view) {});
  };
  std::thread other(run, 1);
  run(0);
  other.join();
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(files[i].name);
    EXPECT_EQ(results[i], 1);
    ASSERT_FALSE(logs[i].empty());
    EXPECT_EQ(logs[i].front(), "Parsing file...\t[" + (work_ / files[i].name).string() + "]");
    EXPECT_EQ(logs[i].back(), kReadyLine);
    const std::string written = ReadFile(work_ / (std::string(files[i].name) + ".out"));
    EXPECT_NE(written.find(files[i].expected_part), std::string::npos) << written;
  }
  EXPECT_TRUE(fs::is_empty(temp_));
}

}  // namespace
}  // namespace kelvane::frontend
