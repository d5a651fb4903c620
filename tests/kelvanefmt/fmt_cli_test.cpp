// kelvanefmt run for real: each mode, folder search, mixed outcomes and exit
// statuses, checked on standard output, standard error and the files.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "engine/format_text.h"
#include "engine/messages.h"
#include "tests/support/cli_runner.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using FmtResult = test_support::CliResult;

// kelvanefmt in a sandbox.
class FmtSandbox : public test_support::CliSandbox {
 public:
  FmtSandbox() : CliSandbox(test_support::KelvanefmtPath()) {}
};

const std::string kUnformatted = "local speed=1.50\nprint(speed)\n";
const std::string kRefused = "x = 1 } }\n";  // more "}" than "{": the brace guard fires
const std::string kGuardCause = "unbalanced braces: a \"}\" at line 1 closes nothing";
const std::string kHeader = "-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\n";
const std::string kUsage =
    "kelvanefmt: no PATH given (\"-\" formats standard input)\n"
    "Usage: kelvanefmt [OPTIONS] PATH...\n"
    "       kelvanefmt [OPTIONS] -\n"
    "       kelvanefmt --lsp\n"
    "Run 'kelvanefmt --help' for the options.\n";

// The engine's output for an LF text, as kelvanefmt gives it by default.
std::string Formatted(const std::string& text, bool lf = true, bool strip_comments = false) {
  FormatOptions settings;
  settings.UnixEndOfLine = lf;
  settings.StripComments = strip_comments;
  NullMessages quiet;
  const FormatResult result = FormatText(text, settings, quiet);
  EXPECT_EQ(result.status, FormatStatus::kOk);
  return result.text;
}

void ExpectRun(const FmtResult& result, int exit_status, const std::string& out,
               const std::string& err, int line) {
  SCOPED_TRACE("row at line " + std::to_string(line));
  EXPECT_EQ(result.exit_status, exit_status);
  EXPECT_EQ(result.out, out);
  EXPECT_EQ(result.err, err);
}

TEST(FmtCliTest, ChangedFilesAreRewrittenAndOthersKeepTheirTime) {
  FmtSandbox box;
  box.WriteFile("mod/a.lua", kUnformatted);
  box.WriteFile("mod/b.lua", Formatted(kUnformatted));
  const auto old_time = fs::last_write_time(box.Path("mod/b.lua")) - std::chrono::hours(24);
  fs::last_write_time(box.Path("mod/b.lua"), old_time);

  ExpectRun(box.Run({"mod"}), 0, "mod/a.lua\n", "1 formatted, 1 unchanged\n", __LINE__);
  EXPECT_EQ(box.ReadFile("mod/a.lua"), Formatted(kUnformatted));
  EXPECT_EQ(fs::last_write_time(box.Path("mod/b.lua")), old_time);
  // A second run finds nothing to do; --quiet drops the per-file lines only.
  ExpectRun(box.Run({"--check", "mod"}), 0, "", "0 would be formatted, 2 unchanged\n", __LINE__);
  box.WriteFile("mod/a.lua", kUnformatted);
  ExpectRun(box.Run({"--quiet", "mod"}), 0, "", "1 formatted, 1 unchanged\n", __LINE__);
}

TEST(FmtCliTest, CheckAndDiffWriteNothing) {
  const struct {
    int line;
    std::vector<std::string> args;
    int exit_status;
    std::string out;
  } rows[] = {
      {__LINE__, {"--check", "--lf", "mod"}, 1, "mod/a.lua\n"},
      {__LINE__, {"--check", "--quiet", "--lf", "mod"}, 1, ""},
      {__LINE__, {"--check", "--lf", "mod/b.lua"}, 0, ""},
      {__LINE__,
       {"--diff", "--lf", "mod"},
       1,
       "--- mod/a.lua\n+++ mod/a.lua\n@@ -1,2 +1,3 @@\n"
       "-local speed=1.50\n"
       "+-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\n"
       "+local speed = 1.5\n"
       " print(speed)\n"},
  };
  for (const auto& row : rows) {
    FmtSandbox box;
    box.WriteFile("mod/a.lua", kUnformatted);
    box.WriteFile("mod/b.lua", Formatted(kUnformatted, true));
    const std::string summary = row.exit_status == 1 ? "1 would be formatted, 1 unchanged\n"
                                                     : "0 would be formatted, 1 unchanged\n";
    ExpectRun(box.Run(row.args), row.exit_status, row.out, summary, row.line);
    EXPECT_EQ(box.ReadFile("mod/a.lua"), kUnformatted);
    EXPECT_EQ(box.ListAll(), (std::vector<std::string>{"mod/a.lua", "mod/b.lua"}));
  }
}

TEST(FmtCliTest, StandardInputToStandardOutput) {
  const struct {
    int line;
    std::vector<std::string> args;
    std::string in;
    int exit_status;
    std::string out;
    std::string err;
  } rows[] = {
      {__LINE__, {"-"}, kUnformatted, 0, Formatted(kUnformatted), ""},
      // Standard input only when asked for: no PATH is a usage error, also
      // with input waiting (a hook whose list of files came out empty).
      {__LINE__, {}, kUnformatted, 2, "", kUsage},
      {__LINE__, {"--check", "--quiet"}, kUnformatted, 2, "", kUsage},
      {__LINE__,
       {"--crlf", "-"},
       kUnformatted,
       0,
       "-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\r\nlocal speed = "
       "1.5\r\nprint(speed)\r\n",
       ""},
      // A text with no line end at all gets LF.
      {__LINE__, {"-"}, "x=1", 0, kHeader + "x = 1\n", ""},
      {__LINE__,
       {"--strip-comments", "-"},
       "-- c\n" + kUnformatted,
       0,
       Formatted("-- c\n" + kUnformatted, true, true),
       ""},
      {__LINE__, {"--check", "-"}, kUnformatted, 1, "<stdin>\n", ""},
      {__LINE__, {"--check", "--stdin-name", "ai.lua", "-"}, kUnformatted, 1, "ai.lua\n", ""},
      {__LINE__, {"--check", "-"}, Formatted(kUnformatted), 0, "", ""},
      {__LINE__, {"--diff", "--stdin-name", "ai.lua", "-"}, Formatted(kUnformatted), 0, "", ""},
      // "--" ends the options, so a name that starts with "-" is a name.
      {__LINE__, {"--check", "--stdin-name=-x.lua", "--", "-"}, kUnformatted, 1, "-x.lua\n", ""},
      // A name that an exclude leaves out passes through as it is.
      {__LINE__,
       {"--exclude", "vendor", "--stdin-name", "vendor/v.lua", "-"},
       kUnformatted,
       0,
       kUnformatted,
       ""},
      {__LINE__,
       {"--check", "--exclude", "vendor", "--stdin-name", "vendor/v.lua", "-"},
       kUnformatted,
       0,
       "",
       ""},
      // A refused text comes back as it was, so an editor's buffer is never lost.
      {__LINE__,
       {"--stdin-name", "ai.lua", "-"},
       kRefused,
       2,
       kRefused,
       "ai.lua: " + kGuardCause + "\n"},
      {__LINE__, {"--check", "-"}, kRefused, 2, "", "<stdin>: " + kGuardCause + "\n"},
      {__LINE__,
       {"-", "a.lua"},
       "",
       2,
       "",
       "kelvanefmt: \"-\" (standard input) cannot be combined with other paths\n"},
  };
  for (const auto& row : rows) {
    FmtSandbox box;
    ExpectRun(box.Run(row.args, row.in), row.exit_status, row.out, row.err, row.line);
    EXPECT_TRUE(box.ListAll().empty());
  }
  FmtSandbox box;
  const FmtResult diff = box.Run({"--diff", "--stdin-name", "ai.lua", "-"}, kUnformatted);
  EXPECT_EQ(diff.exit_status, 1);
  EXPECT_TRUE(diff.out.starts_with("--- ai.lua\n+++ ai.lua\n@@ -1,2 +1,3 @@\n")) << diff.out;
}

TEST(FmtCliTest, MixedFolderReportsEveryFileAndFormatsTheRest) {
  FmtSandbox box;
  const std::string large = [] {
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "value" + std::to_string(i) + "={1,2}\n";
    return text;
  }();
  box.WriteFile("mod/a_good.lua", kUnformatted);
  box.WriteFile("mod/b_refused.lua", kRefused);
  box.WriteFile("mod/c_too_large.lua", large);  // its output cannot be written
  box.WriteFile("mod/d_done.lua", Formatted(kUnformatted));

  const FmtResult result = box.Run({"mod", "missing.lua", "--jobs", "3"}, "", 4096);
  ExpectRun(result, 2, "mod/a_good.lua\n",
            "missing.lua: No such file or directory\n"
            "mod/b_refused.lua: " +
                kGuardCause +
                "\n"
                "mod/c_too_large.lua: cannot write: File too large\n"
                "1 formatted, 1 unchanged, 1 refused, 2 failed\n",
            __LINE__);
  EXPECT_EQ(box.ReadFile("mod/a_good.lua"), Formatted(kUnformatted));
  EXPECT_EQ(box.ReadFile("mod/b_refused.lua"), kRefused);
  EXPECT_EQ(box.ReadFile("mod/c_too_large.lua"), large);
  EXPECT_EQ(box.ListAll().size(), 4u) << "no temporary file left behind";
}

TEST(FmtCliTest, FolderSearchSkipsHiddenLinkedAndExcludedPaths) {
  const struct {
    int line;
    std::vector<std::string> args;
    std::string out;
  } rows[] = {
      {__LINE__, {"mod"}, "mod/a.lua\nmod/sub/deep/b.lua\nmod/sub/x_gen.lua\nmod/vendor/v.lua\n"},
      // A file named and also found in a named folder is formatted once.
      {__LINE__,
       {"mod/sub/x_gen.lua", "mod"},
       "mod/a.lua\nmod/sub/deep/b.lua\nmod/sub/x_gen.lua\nmod/vendor/v.lua\n"},
      // Named paths are taken as they are: any name, hidden, or a link.
      {__LINE__, {"mod/.hidden/h.lua", "mod/notes.txt"}, "mod/.hidden/h.lua\nmod/notes.txt\n"},
      {__LINE__, {"mod/linked"}, "mod/linked/o.lua\n"},
      {__LINE__,
       {"--exclude", "vendor", "--exclude", "*_gen.lua", "mod"},
       "mod/a.lua\nmod/sub/deep/b.lua\n"},
      {__LINE__, {"--exclude", "mod/sub/**", "mod"}, "mod/a.lua\nmod/vendor/v.lua\n"},
      {__LINE__,
       {"--exclude=sub/*/b.lua", "./mod"},
       "./mod/a.lua\n./mod/sub/x_gen.lua\n./mod/vendor/v.lua\n"},
      // Excludes apply to named files too, as hooks name every file.
      {__LINE__, {"--exclude", "vendor", "mod/vendor/v.lua", "mod/a.lua"}, "mod/a.lua\n"},
      // A trailing "/" means the folder; "./" spells the same path; an
      // absolute glob meets a relative path.
      {__LINE__, {"--exclude", "vendor/", "--exclude", "sub/", "mod"}, "mod/a.lua\n"},
      {__LINE__,
       {"--exclude", "./mod/vendor/**", "./mod"},
       "./mod/a.lua\n./mod/sub/deep/b.lua\n./mod/sub/x_gen.lua\n"},
      {__LINE__, {"--exclude", "{work}/mod/sub/**", "mod"}, "mod/a.lua\nmod/vendor/v.lua\n"},
      // One file, however spelt, is formatted once.
      {__LINE__, {"mod/a.lua", "./mod/a.lua", "mod//a.lua", "mod/link.lua"}, "mod/a.lua\n"},
      // After "--" every argument is a path, even one that looks like an option.
      {__LINE__, {"--", "--exclude=*.lua", "mod/a.lua"}, "--exclude=*.lua\nmod/a.lua\n"},
  };
  FmtSandbox box;
  for (const char* name :
       {"mod/a.lua", "mod/sub/deep/b.lua", "mod/sub/x_gen.lua", "mod/vendor/v.lua",
        "mod/.hidden/h.lua", "mod/.dot.lua", "mod/notes.txt", "outside/o.lua", "--exclude=*.lua"}) {
    box.WriteFile(name, kUnformatted);
  }
  fs::create_directory_symlink("../outside", box.Path("mod/linked"));
  fs::create_symlink("a.lua", box.Path("mod/link.lua"));
  for (const auto& row : rows) {
    std::vector<std::string> args = {"--check"};
    for (std::string arg : row.args) {
      if (arg.starts_with("{work}")) arg.replace(0, 6, box.work());
      args.push_back(arg);
    }
    const FmtResult result = box.Run(args);
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    EXPECT_EQ(result.exit_status, 1) << result.err;
    EXPECT_EQ(result.out, row.out);
  }
}

TEST(FmtCliTest, OutputOrderDoesNotDependOnJobs) {
  FmtSandbox box;
  for (int i = 0; i < 60; ++i) {
    box.WriteFile("mod/f" + std::to_string(i % 7) + "/" + std::to_string(i) + ".lua",
                  i % 5 == 0 ? kRefused : kUnformatted);
  }
  const FmtResult one = box.Run({"--check", "--jobs", "1", "mod"});
  EXPECT_EQ(one.exit_status, 2);
  EXPECT_EQ(one.err.substr(one.err.rfind('\n', one.err.size() - 2) + 1),
            "48 would be formatted, 0 unchanged, 12 refused\n");
  for (const char* jobs : {"2", "8"}) {
    const FmtResult many = box.Run({"--check", "--jobs", jobs, "mod"});
    EXPECT_EQ(many.out, one.out);
    EXPECT_EQ(many.err, one.err);
  }
}

TEST(FmtCliTest, UsageErrorsExitTwo) {
  const std::vector<std::string> rows[] = {
      {"--jobs", "0", "mod"}, {"--check", "--diff", "mod"}, {"--no-such-switch"}};
  for (const auto& args : rows) {
    FmtSandbox box;
    const FmtResult result = box.Run(args);
    EXPECT_EQ(result.exit_status, 2) << args.front();
    EXPECT_FALSE(result.err.empty());
  }
}

using test_support::GameData;

bool HugeInputsSkipped() {
  const char* value = std::getenv("KELVANE_SKIP_HUGE_INPUTS");
  return value != nullptr && *value != '\0' && std::string(value) != "0";
}

// Waits until the file or folder at `path` is closed after a read (a file
// read whole, a folder listed).
class ClosedAfterReading {
 public:
  explicit ClosedAfterReading(const std::string& path)
      : fd_(inotify_init1(IN_CLOEXEC)),
        watch_(inotify_add_watch(fd_, path.c_str(), IN_CLOSE_NOWRITE)) {}
  ~ClosedAfterReading() { close(fd_); }
  // False when a minute passes first.
  bool Wait() const {
    pollfd ready{fd_, POLLIN, 0};
    if (watch_ < 0 || poll(&ready, 1, 60'000) != 1) return false;
    alignas(inotify_event) char buffer[4096];
    return read(fd_, buffer, sizeof buffer) > 0;
  }

 private:
  int fd_;
  int watch_;
};

// A file changed while kelvanefmt formats it (an edit, an editor's save by
// rename, a deletion) is left as it is, and the run reports it failed rather
// than "1 formatted".
TEST(FmtCliTest, AFileChangedDuringTheRunIsLeftAsItIs) {
  const std::string input = GameData(5'000'000);
  const std::string edit = "-- added by the editor\n";
  const struct {
    int line;
    std::string change;
  } rows[] = {{__LINE__, "append"}, {__LINE__, "save by rename"}, {__LINE__, "delete"}};
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line) + ": " + row.change);
    FmtSandbox box;
    box.WriteFile("big.lua", input);
    const ClosedAfterReading read(box.Path("big.lua"));
    test_support::RunningProgram run(test_support::KelvanefmtPath(), box.work(), {"big.lua"});
    ASSERT_TRUE(read.Wait());
    if (row.change == "append") {
      std::ofstream(box.Path("big.lua"), std::ios::binary | std::ios::app) << edit;
    } else if (row.change == "save by rename") {
      box.WriteFile("saved.tmp", input + edit);
      fs::rename(box.Path("saved.tmp"), box.Path("big.lua"));
    } else {
      fs::remove(box.Path("big.lua"));
    }
    EXPECT_EQ(run.Finish(), 2);
    EXPECT_EQ(run.err(),
              "big.lua: cannot write: changed since it was read; nothing was written\n"
              "0 formatted, 0 unchanged, 1 failed\n");
    if (row.change == "delete") {
      EXPECT_TRUE(box.List().empty());
    } else {
      EXPECT_TRUE(box.ReadFile("big.lua") == input + edit) << "the change was lost";
      EXPECT_EQ(box.List(), std::vector<std::string>{"big.lua"});
    }
  }
}

// A file swapped after the search for a link to a root-only file, or a
// folder for a link to a folder outside, by the user whose tree root formats,
// is not followed: the root-only file is neither rewritten nor printed with
// --diff. A file swapped for a FIFO fails alone and does not stop the run.
TEST(FmtCliTest, WhatIsPlantedAfterTheSearchIsNeverFollowed) {
  const struct {
    int line;
    std::string planted;  // "file link", "folder link" or "fifo"
    std::string mode;     // "" (write) or "--diff"
    std::string cause;
  } rows[] = {
      {__LINE__, "file link", "",
       "tree/sub/victim.lua: cannot read: a symbolic link, which is not followed here"},
      {__LINE__, "file link", "--diff",
       "tree/sub/victim.lua: cannot read: a symbolic link, which is not followed here"},
      {__LINE__, "folder link", "",
       "tree/sub/victim.lua: cannot read: its folder was moved or replaced since it was searched"},
      {__LINE__, "folder link", "--diff",
       "tree/sub/victim.lua: cannot read: its folder was moved or replaced since it was searched"},
      {__LINE__, "fifo", "", "tree/sub/victim.lua: cannot read: not a regular file"},
  };
  const std::string secret = "secret_token=1\n";
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    FmtSandbox box;
    box.WriteFile("big.lua", GameData(8'000'000));
    box.WriteFile("tree/sub/victim.lua", kUnformatted);
    box.WriteFile("secret/victim.lua", secret);
    ASSERT_EQ(chmod(box.Path("secret/victim.lua").c_str(), 0600), 0);
    // One thread: big.lua, named first, keeps it busy while the search ends.
    std::vector<std::string> args = {"--jobs", "1", "big.lua", "tree"};
    if (!row.mode.empty()) args.insert(args.begin(), row.mode);
    const ClosedAfterReading listed(box.Path("tree/sub"));
    test_support::RunningProgram run(test_support::KelvanefmtPath(), box.work(), args);
    // The search looks at the folder's entries right after listing it and
    // is then done; big.lua keeps the thread busy for most of a second.
    ASSERT_TRUE(listed.Wait());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (row.planted == "file link") {
      fs::remove(box.Path("tree/sub/victim.lua"));
      fs::create_symlink("../../secret/victim.lua", box.Path("tree/sub/victim.lua"));
    } else if (row.planted == "folder link") {
      fs::rename(box.Path("tree/sub"), box.Path("tree/moved"));
      fs::create_directory_symlink("../secret", box.Path("tree/sub"));
    } else {
      fs::remove(box.Path("tree/sub/victim.lua"));
      ASSERT_EQ(mkfifo(box.Path("tree/sub/victim.lua").c_str(), 0666), 0);
    }
    EXPECT_EQ(run.Finish(), 2);
    EXPECT_NE(run.err().find(row.cause + "\n"), std::string::npos) << run.err();
    EXPECT_EQ(run.out().find("secret_token"), std::string::npos) << "the secret was printed";
    EXPECT_EQ(box.ReadFile("secret/victim.lua"), secret);
    EXPECT_EQ(fs::directory_iterator(box.Path("secret")) == fs::directory_iterator(), false);
  }
}

// Names are quoted in diff headers and lines where they need it: a planted
// name cannot write code into another file through `patch`, a name with a
// space gives a diff `patch` applies, and no control byte reaches the
// terminal.
TEST(FmtCliTest, NamesCannotBreakDiffsOrLines) {
  const std::string planted =
      "x.lua\n+++ target.lua\n@@ -1,1 +1,2 @@\n+os.execute(\"touch PWNED\")\n x";
  FmtSandbox box;
  box.WriteFile("names/a b.lua", kUnformatted);
  box.WriteFile("names/" + planted + ".lua", kUnformatted);
  box.WriteFile("names/esc\033[31m.lua", kUnformatted);
  box.WriteFile("target.lua", "x\n");

  const FmtResult check = box.Run({"--check", "--lf", "names"});
  EXPECT_EQ(check.exit_status, 1);
  EXPECT_EQ(check.out,
            "names/a b.lua\n"
            "\"names/esc\\033[31m.lua\"\n"
            "\"names/x.lua\\n+++ target.lua\\n@@ -1,1 +1,2 @@\\n+os.execute(\\\"touch "
            "PWNED\\\")\\n x.lua\"\n");

  test_support::CliSandbox patcher("/bin/sh");
  patcher.WriteFile("names/a b.lua", kUnformatted);
  patcher.WriteFile("names/" + planted + ".lua", kUnformatted);
  patcher.WriteFile("target.lua", "x\n");
  const FmtResult applied = patcher.Run(
      {"-c", test_support::KelvanefmtPath() + " --diff --lf names > d.diff; patch -p0 < d.diff"});
  EXPECT_EQ(applied.exit_status, 0) << applied.out << applied.err;
  EXPECT_EQ(patcher.ReadFile("names/a b.lua"), Formatted(kUnformatted, true));
  EXPECT_EQ(patcher.ReadFile("names/" + planted + ".lua"), Formatted(kUnformatted, true));
  EXPECT_EQ(patcher.ReadFile("target.lua"), "x\n");
  EXPECT_FALSE(patcher.Exists("PWNED"));
}

// Standard input that cannot be formatted (out of memory, or past the input
// limit) is given back whole on standard output, so an editor filtering its
// buffer keeps it; endless input stops at the limit.
TEST(FmtCliTest, StandardInputIsGivenBackOnEveryFailure) {
  const std::string fmt = test_support::KelvanefmtPath();
  const struct {
    int line;
    std::string command;
    bool huge;  // needs the huge inputs
    int exit_status;
    std::string out;  // of `wc -c`, or "=in" for standard output equal to in.lua
    std::string err_start;
  } rows[] = {
      {__LINE__, "ulimit -v 130000; " + fmt + " --lf - < in.lua", false, 2, "=in",
       "<stdin>: cannot "},
      {__LINE__, "head -c 300000000 /dev/zero | " + fmt + " --lf - | wc -c", true, 0, "300000000\n",
       "<stdin>: cannot read standard input: larger than the input limit of 256 MiB\n"},
      {__LINE__, "head -c 300000000 /dev/zero | " + fmt + " --check -; echo $?", true, 0, "2\n",
       "<stdin>: cannot read standard input: larger than the input limit of 256 MiB\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    if (row.command.starts_with("ulimit")) {
      std::cout << "skipped: a sanitizer needs more address space than the limit leaves\n";
      continue;
    }
#endif
    if (row.huge && HugeInputsSkipped()) {
      std::cout << "skipped: KELVANE_SKIP_HUGE_INPUTS is set\n";
      continue;
    }
    test_support::CliSandbox shell("/bin/sh");
    const std::string input = GameData(20'000'000);
    shell.WriteFile("in.lua", input);
    const FmtResult result = shell.Run({"-c", row.command});
    EXPECT_EQ(result.exit_status, row.exit_status);
    if (row.out == "=in") {
      EXPECT_TRUE(result.out == input)
          << "the text was not given back whole: " << result.out.size();
    } else {
      EXPECT_EQ(result.out, row.out);
    }
    EXPECT_TRUE(result.err.starts_with(row.err_start)) << result.err;
  }
}

// A result past the input limit (here a deep nested table whose result would
// be 266 MiB) is not written, so that a run never writes what the next one
// cannot read.
TEST(FmtCliTest, AResultPastTheInputLimitIsNotWritten) {
  if (HugeInputsSkipped()) GTEST_SKIP() << "KELVANE_SKIP_HUGE_INPUTS is set";
  const size_t depth = 16'700;  // its result has about depth * depth / 2 TABs
  const std::string input = "t=" + std::string(depth, '{') + std::string(depth, '}') + "\n";
  const std::string cause =
      "refused: the formatted text would be 266 MiB, larger than the input limit of 256 MiB; "
      "nothing was written\n";
  FmtSandbox box;
  box.WriteFile("deep.lua", input);
  ExpectRun(box.Run({"--lf", "deep.lua"}), 2, "",
            "deep.lua: " + cause + "0 formatted, 0 unchanged, 1 refused\n", __LINE__);
  EXPECT_TRUE(box.ReadFile("deep.lua") == input);
  ExpectRun(box.Run({"--lf", "-"}, input), 2, input, "<stdin>: " + cause, __LINE__);
}

// A file that cannot be read is named with its own cause (past the input
// limit, not a regular file), never a system error number such as "Unknown
// error -1"; a FIFO named on the command line fails alone and the run goes on.
TEST(FmtCliTest, FilesThatCannotBeReadAreNamedWithTheirCause) {
  const struct {
    int line;
    std::string path;
    std::string cause;
  } rows[] = {
      {__LINE__, "sparse.lua", "cannot read: larger than the input limit of 256 MiB"},
      {__LINE__, "fifo.lua", "cannot read: not a regular file"},
      {__LINE__, "/dev/zero", "cannot read: not a regular file"},
      {__LINE__, "missing.lua", "No such file or directory"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    FmtSandbox box;
    box.WriteFile("a.lua", kUnformatted);
    box.WriteFile("sparse.lua", "");
    ASSERT_EQ(truncate(box.Path("sparse.lua").c_str(), off_t{300} << 20), 0);
    ASSERT_EQ(mkfifo(box.Path("fifo.lua").c_str(), 0666), 0);
    const FmtResult result = box.Run({"--check", row.path, "a.lua"});
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.out, "a.lua\n");
    EXPECT_EQ(result.err,
              row.path + ": " + row.cause + "\n1 would be formatted, 0 unchanged, 1 failed\n");
  }
}

// kelvanefmt catches SIGINT, SIGTERM, SIGHUP and SIGPIPE and leaves no
// temporary file behind, and ignores SIGXFSZ so that a file-size limit is a
// write error; each file's line comes as soon as it is done, so a run that is
// stopped still reports the files already written.
TEST(FmtCliTest, SignalsEndTheRunCleanlyAndEachLineComesAtOnce) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal_number));
    FmtSandbox box;
    box.WriteFile("mod/a.lua", kUnformatted);
    for (int i = 0; i < 8; ++i)
      box.WriteFile("mod/z" + std::to_string(i) + ".lua", GameData(2'000'000));
    test_support::RunningProgram run(test_support::KelvanefmtPath(), box.work(),
                                     {"--jobs", "2", "mod"});
    ASSERT_TRUE(run.WaitForLine("mod/a.lua"));
    EXPECT_TRUE(run.Running()) << "the line came only at the end";
    // The handlers are in place: caught, and SIGXFSZ ignored.
    std::ifstream status("/proc/" + std::to_string(run.pid()) + "/status");
    unsigned long long caught = 0;
    unsigned long long ignored = 0;
    for (std::string line; std::getline(status, line);) {
      if (line.starts_with("SigCgt:")) caught = std::stoull(line.substr(7), nullptr, 16);
      if (line.starts_with("SigIgn:")) ignored = std::stoull(line.substr(7), nullptr, 16);
    }
    for (const int caught_signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
      EXPECT_NE(caught & (1ull << (caught_signal - 1)), 0u) << strsignal(caught_signal);
    }
    EXPECT_NE(ignored & (1ull << (SIGXFSZ - 1)), 0u);
    kill(run.pid(), signal_number);
    const int status_code = run.Finish();
    if (status_code == 0) continue;  // it was done before the signal came
    EXPECT_EQ(status_code, 128 + signal_number);
    for (const std::string& name : box.ListAll()) {
      EXPECT_FALSE(name.find(".kelvane-") != std::string::npos) << name << " left behind";
    }
  }
}

}  // namespace
}  // namespace kelvane
