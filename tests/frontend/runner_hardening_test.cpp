// The runner on POSIX against hostile paths and folders, run for real
// through kelvane_run and the embedded engine: failures of the engine reach
// the log, quotes and relative paths go to the engine as meant, an unsafe
// temporary folder is refused, the engine runs from the descriptor it was
// written through, and a runner that is killed leaves nothing behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "frontend/line_reader.h"
#include "frontend/platform_runner.h"
#include "frontend/posix/posix_platform.h"
#include "tests/frontend/runner_test_support.h"

namespace kelvane::frontend {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

struct ProgramResult {
  int exit_status = -1;
  std::vector<std::string> out;  // standard output, by line
  std::string err;
};

// kelvane_run started in `folder` with TMPDIR set to `temp`; standard output
// is read through a pipe, so that a test can act on a line as it comes.
class KelvaneRun {
 public:
  KelvaneRun(const fs::path& folder, const fs::path& temp, const std::vector<std::string>& args,
             const fs::path& err_file) {
    const std::string program = std::string(KELVANE_BINARY_DIR) + "/kelvane_run";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      const int err_fd = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (err_fd < 0 || chdir(folder.c_str()) != 0) _exit(126);
      setenv("TMPDIR", temp.c_str(), 1);
      for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        signal(signal_number, SIG_DFL);
      }
      dup2(out[1], 1);
      dup2(err_fd, 2);
      close(out[0]);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    out_fd_ = out[0];
  }
  ~KelvaneRun() {
    if (pid_ > 0 && !finished_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_fd_ >= 0) close(out_fd_);
  }

  // Reads standard output until a whole line starts with `prefix`.
  bool WaitForLine(const std::string& prefix) {
    for (;;) {
      for (const std::string& line : Lines(out_)) {
        if (line.starts_with(prefix)) return true;
      }
      char buffer[4096];
      const ssize_t got = read(out_fd_, buffer, sizeof buffer);
      if (got <= 0) return false;
      out_.append(buffer, static_cast<size_t>(got));
    }
  }

  pid_t pid() const { return pid_; }

  // The exit status, or 128 and the signal's number; `out` gets every line.
  int Finish(std::vector<std::string>* out = nullptr) {
    char buffer[4096];
    for (ssize_t got; (got = read(out_fd_, buffer, sizeof buffer)) > 0;) {
      out_.append(buffer, static_cast<size_t>(got));
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    finished_ = true;
    if (out != nullptr) *out = Lines(out_);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  int out_fd_ = -1;
  std::string out_;
  bool finished_ = false;
};

class RunnerHardeningTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kelvane-hardening-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    temp_ = root_ / "tmp";
    work_ = root_ / "work";
    fs::create_directories(temp_);
    fs::create_directories(work_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  ProgramResult Run(const std::vector<std::string>& args, const fs::path& temp) {
    KelvaneRun run(work_, temp, args, root_ / "stderr");
    ProgramResult result;
    result.exit_status = run.Finish(&result.out);
    result.err = ReadFile(root_ / "stderr");
    return result;
  }
  ProgramResult Run(const std::vector<std::string>& args) { return Run(args, temp_); }

  fs::path root_;
  fs::path temp_;
  fs::path work_;
};

// The engine failed (a file error, exit status 1, or the guard, 2) and the
// log still ended with "+OK Ready...", the engine's error line nowhere in it.
TEST_F(RunnerHardeningTest, AFailedEngineIsShownAsAFailure) {
  WriteFile(work_ / "in.lua", "x=1\n");
  WriteFile(work_ / "bad.lua", "x = 1 } }\n");
  {
    SCOPED_TRACE("the output cannot be written");
    const ProgramResult result = Run({"in.lua", "nowhere/out.lua"});
    EXPECT_EQ(result.exit_status, 1);
    ASSERT_GE(result.out.size(), 3u);
    const std::vector<std::string> last(result.out.end() - 3, result.out.end());
    EXPECT_EQ(last, (std::vector<std::string>{
                        "zorv_kelvane: cannot write '" + (work_ / "nowhere/out.lua").string() +
                            "': No such file or directory",
                        "-ERR Failed: the engine ended with exit status 1", "Result: -2"}));
  }
  {
    SCOPED_TRACE("the guard fires");
    const ProgramResult result = Run({"bad.lua", "out.lua"});
    EXPECT_EQ(result.exit_status, 1);
    ASSERT_GE(result.out.size(), 3u);
    const std::vector<std::string> last(result.out.end() - 3, result.out.end());
    EXPECT_EQ(last, (std::vector<std::string>{"Zorv_Kelvane quit prematurely.",
                                              "-ERR Failed: the engine ended with exit status 2",
                                              "Result: -2"}));
  }
  {
    SCOPED_TRACE("a good run still ends with +OK Ready...");
    const ProgramResult result = Run({"in.lua", "out.lua"});
    EXPECT_EQ(result.exit_status, 0);
    ASSERT_GE(result.out.size(), 2u);
    EXPECT_EQ(result.out[result.out.size() - 2], "+OK Ready...");
    EXPECT_EQ(result.out.back(), "Result: 1");
  }
}

// `kelvane_run in.lua 'out" -o "x.lua'` overwrote in.lua: the arguments were
// joined into one command line and split again.
TEST_F(RunnerHardeningTest, QuotesInAPathAddNoArguments) {
  WriteFile(work_ / "in.lua", "x=1\n");
  const std::string output = R"(out" -o "x.lua)";
  const ProgramResult result = Run({"in.lua", output, "0"});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(ReadFile(work_ / "in.lua"), "x=1\n");
  EXPECT_NE(ReadFile(work_ / output).find("x = 1"), std::string::npos);
}

// `kelvane_run sub/rel.lua x 1` formatted sub/sub/rel.lua: the engine starts
// in the input's folder but got the paths as given.
TEST_F(RunnerHardeningTest, RelativePathsMeanTheCurrentFolder) {
  fs::create_directories(work_ / "sub" / "sub");
  WriteFile(work_ / "sub" / "rel.lua", "x=1\n");
  WriteFile(work_ / "sub" / "sub" / "rel.lua", "decoy=2\n");
  const ProgramResult overwrite = Run({"sub/rel.lua", "x", "1"});
  EXPECT_EQ(overwrite.exit_status, 0) << overwrite.err;
  EXPECT_NE(ReadFile(work_ / "sub" / "rel.lua").find("x = 1"), std::string::npos);
  EXPECT_EQ(ReadFile(work_ / "sub" / "sub" / "rel.lua"), "decoy=2\n");

  const ProgramResult to_output = Run({"sub/rel.lua", "out.lua", "0"});
  EXPECT_EQ(to_output.exit_status, 0) << to_output.err;
  EXPECT_TRUE(fs::exists(work_ / "out.lua"));
  EXPECT_FALSE(fs::exists(work_ / "sub" / "out.lua"));
}

// With TMPDIR a folder that others may write to and that lacks the sticky
// bit, another user could rename the private folder and plant a program.
TEST_F(RunnerHardeningTest, AnUnsafeTemporaryFolderIsRefused) {
  WriteFile(work_ / "in.lua", "x=1\n");
  const fs::path shared = root_ / "shared";
  fs::create_directories(shared);
  ASSERT_EQ(chmod(shared.c_str(), 0777), 0);
  const ProgramResult refused = Run({"in.lua", "out.lua"}, shared);
  const std::string reason = "Cannot write the formatting engine into '" + shared.string() +
                             "/': others may write to the folder and it has no sticky bit, so "
                             "they could replace the engine before it runs";
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(refused.out, (std::vector<std::string>{"-ERR Failed: " + reason, "Result: -1"}));
  EXPECT_EQ(refused.err, "Error: " + reason + "\n");
  EXPECT_FALSE(fs::exists(work_ / "out.lua"));
  EXPECT_TRUE(fs::is_empty(shared));

  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);  // like /tmp: others' entries are theirs
  EXPECT_EQ(Run({"in.lua", "out.lua"}, shared).exit_status, 0);
  EXPECT_TRUE(fs::is_empty(shared));

  if (geteuid() == 0) {
    SCOPED_TRACE("a folder of another user");
    ASSERT_EQ(chmod(shared.c_str(), 0755), 0);
    ASSERT_EQ(chown(shared.c_str(), kNobody, kNobody), 0);
    const ProgramResult foreign = Run({"in.lua", "out2.lua"}, shared);
    EXPECT_EQ(foreign.exit_status, 1);
    EXPECT_FALSE(fs::exists(work_ / "out2.lua"));
  }
}

// The engine file swapped between writing and starting: the engine that runs
// is still the one written, started from its descriptor.
TEST_F(RunnerHardeningTest, TheEngineRunsFromTheFileItWasWrittenThrough) {
  setenv("TMPDIR", temp_.c_str(), 1);
  const std::string image = "#!/bin/sh\necho mine\n";
  NativeRunnerPlatform platform(
      {reinterpret_cast<const unsigned char*>(image.data()), image.size()});
  std::string error;
  const std::optional<EngineFile> engine = platform.WriteEngineFile(error);
  ASSERT_TRUE(engine) << error;
  fs::remove(engine->path);
  WriteFile(engine->path, "#!/bin/sh\necho planted\n");
  fs::permissions(engine->path, fs::perms::owner_all);

  EngineCommand command;
  command.arguments = {engine->path};
  std::unique_ptr<ChildProcess> child = platform.StartChild(*engine, command, "");
  ASSERT_NE(child, nullptr);
  LineReader reader(child->Output());
  EXPECT_EQ(reader.NextLine(), "mine");
  child->WaitForEnd();
  EXPECT_TRUE(child->Exit().ok());
  child.reset();
  // The started engine's file and folder are gone at once.
  EXPECT_TRUE(fs::is_empty(temp_));
  platform.RemoveEngineFile(*engine);
  unsetenv("TMPDIR");
}

// A runner killed with SIGKILL left its engine folder (289 KB) in TMPDIR.
TEST_F(RunnerHardeningTest, AKilledRunnerLeavesNothingInTheTemporaryFolder) {
  std::string input;
  while (input.size() < 5'000'000) input += "Rules = { speed=1.50, names={\"a\",\"b\"} }\n";
  WriteFile(work_ / "in.lua", input);
  KelvaneRun run(work_, temp_, {"in.lua", "out.lua"}, root_ / "stderr");
  ASSERT_TRUE(run.WaitForLine("Parsing file..."));
  kill(run.pid(), SIGKILL);
  EXPECT_EQ(run.Finish(), 128 + SIGKILL);
  EXPECT_TRUE(fs::is_empty(temp_));
}

// SIGTERM, SIGINT or SIGHUP while the engine file is written: the handlers
// remove it and its folder, then the runner ends as the signal would end it.
TEST_F(RunnerHardeningTest, SignalsWhileTheEngineIsWrittenLeaveNothing) {
  // A large engine, so that writing it takes a while.
  std::string image = "#!/bin/sh\n";
  image.resize(100'000'000, '#');
  for (const int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal_number));
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("TMPDIR", temp_.c_str(), 1);
      for (const int other : {SIGINT, SIGTERM, SIGHUP}) signal(other, SIG_DFL);
      InstallRunnerSignalCleanup();
      NativeRunnerPlatform platform(
          {reinterpret_cast<const unsigned char*>(image.data()), image.size()});
      std::string error;
      platform.WriteEngineFile(error);
      for (;;) pause();  // the file stays until the signal
    }
    // Wait until the private folder holds the engine file, then signal.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool seen = false;
    while (!seen && std::chrono::steady_clock::now() < deadline) {
      std::error_code error;
      for (const auto& entry : fs::directory_iterator(temp_, error)) {
        seen = seen || fs::exists(entry.path() / "Zorv_Kelvane", error);
      }
      if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(seen);
    kill(pid, signal_number);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number);
    EXPECT_TRUE(fs::is_empty(temp_));
  }
}

// A valid POSIX path of 312 bytes was reported as "Selected file could not be
// found!": the 260-byte limit belongs to Windows.
TEST_F(RunnerHardeningTest, LongPathsAreFound) {
  fs::path folder = work_;
  while (folder.string().size() < 300) folder /= std::string(60, 'd');
  fs::create_directories(folder);
  WriteFile(folder / "in.lua", "x=1\n");
  ASSERT_GT((folder / "in.lua").string().size(), 300u);
  EXPECT_EQ(ProbeFileSize((folder / "in.lua").string()), 4);
  const ProgramResult result = Run({(folder / "in.lua").string(), (folder / "out.lua").string()});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_NE(ReadFile(folder / "out.lua").find("x = 1"), std::string::npos);
}

}  // namespace
}  // namespace kelvane::frontend
