// zorv_kelvane's file errors: inputs that cannot be read, outputs that cannot
// be written, a full disk, devices and pipes. One line on standard error
// naming the path and the cause, exit status 1, no output file, and the input
// never damaged.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/app_text.h"
#include "engine/format_options.h"
#include "tests/differential/pipeline_compare.h"
#include "tests/support/cli_runner.h"
#include "tests/support/lua_generator.h"

namespace kelvane {
namespace {

using test_support::CliResult;
using test_support::CliSandbox;

const std::string kInput = "Rules = { speed=1.50, names={\"a\",\"b\"} }\r\n";

// Game-like data of `size` bytes or a little more.
std::string GameData(size_t size) { return test_support::GenerateGameLua(size, 1); }

bool RunningAsRoot() { return geteuid() == 0; }

// What the program writes for `input`: the literal rules' output file.
std::string FromReference(const std::string& input, bool unix_end_of_line) {
  FormatOptions settings;
  settings.UnixEndOfLine = unix_end_of_line;
  return test_support::LiteralOutputFile(input, settings).value_or("(the guard fired)");
}

// The error outcome: one line on standard error that names `path`, the given
// exit status, the input untouched and the folder as it was.
void ExpectCleanFailure(const CliResult& result, int exit_status, const std::string& path,
                        const CliSandbox& sandbox, const std::string& input,
                        const std::vector<std::string>& folder) {
  EXPECT_EQ(result.exit_status, exit_status);
  EXPECT_NE(result.err.find("'" + path + "'"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "not one line: " << result.err;
  EXPECT_EQ(sandbox.List(), folder);
  if (sandbox.Exists("in.lua") && !std::filesystem::is_directory(sandbox.work() + "/in.lua")) {
    EXPECT_TRUE(sandbox.ReadFile("in.lua") == input) << "the input was changed";
  }
}

TEST(FileErrorsTest, UnreadableInputStopsBeforeAnything) {
  const struct {
    int line;
    std::vector<std::string> args;
    std::string expected_err;
  } rows[] = {
      {__LINE__,
       {"missing.lua"},
       "zorv_kelvane: cannot read 'missing.lua': No such file or directory\n"},
      {__LINE__,
       {"missing.lua", "-debug", "-help"},
       "zorv_kelvane: cannot read 'missing.lua': No such file or directory\n"},
      // Only from the second place on is "-help" a switch.
      {__LINE__, {"-help"}, "zorv_kelvane: cannot read '-help': No such file or directory\n"},
      {__LINE__, {"folder"}, "zorv_kelvane: cannot read 'folder': Is a directory\n"},
      {__LINE__, {"folder/"}, "zorv_kelvane: cannot read 'folder/': Is a directory\n"},
      {__LINE__, {""}, "zorv_kelvane: cannot read '': No such file or directory\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.MakeFolder("folder");
    const CliResult result = sandbox.Run(row.args);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, row.expected_err);
    // No "Parsing file..." (a "-help" may still have been printed).
    EXPECT_EQ(result.out.find("Parsing file..."), std::string::npos);
    EXPECT_EQ(sandbox.List(), std::vector<std::string>{"folder"});
  }
}

TEST(FileErrorsTest, UnwritableOutputLeavesNothing) {
  const struct {
    int line;
    std::vector<std::string> args;
    std::string expected_err;
    std::vector<std::string> folder;
  } rows[] = {
      {__LINE__,
       {"in.lua", "nowhere/out.lua"},
       "zorv_kelvane: cannot write 'nowhere/out.lua': No such file or directory\n",
       {"in.lua", "taken"}},
      {__LINE__,
       {"in.lua", "in.lua/out.lua"},
       "zorv_kelvane: cannot write 'in.lua/out.lua': Not a directory\n",
       {"in.lua", "taken"}},
      {__LINE__,
       {"in.lua", "taken"},
       "zorv_kelvane: cannot write 'taken': Is a directory\n",
       {"in.lua", "taken"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", kInput);
    sandbox.MakeFolder("taken");
    const CliResult result = sandbox.Run(row.args);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, row.expected_err);
    EXPECT_EQ(sandbox.List(), row.folder);
    EXPECT_TRUE(sandbox.List().size() == 2 && sandbox.ReadFile("in.lua") == kInput);
    // The run got as far as formatting; only the write failed.
    EXPECT_NE(result.out.find("Time elapsed: "), std::string::npos);
  }
}

TEST(FileErrorsTest, FullDiskNeverDamagesTheTarget) {
  // The file size limit makes every write past 4 KB fail, as a full disk would.
  const std::string input = GameData(8192);
  const struct {
    int line;
    std::vector<std::string> args;
    std::string expected_err;
  } rows[] = {
      {__LINE__, {"in.lua", "-o"}, "zorv_kelvane: cannot write 'in.lua': File too large\n"},
      {__LINE__, {"in.lua", "out.lua"}, "zorv_kelvane: cannot write 'out.lua': File too large\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", input);
    sandbox.WriteFile("out.lua", "previous result\n");
    const CliResult result = sandbox.Run(row.args, 4096);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, row.expected_err);
    EXPECT_EQ(sandbox.ReadFile("in.lua"), input);
    EXPECT_EQ(sandbox.ReadFile("out.lua"), "previous result\n");
    // No temporary file is left behind.
    EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua", "out.lua"}));
  }
}

TEST(FileErrorsTest, UnwritableDebugFile) {
  {
    SCOPED_TRACE("the debug file cannot be created: the run stops before parsing");
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", kInput);
    sandbox.MakeFolder("in.lua.debug");
    const CliResult result = sandbox.Run({"in.lua", "-debug", "-o"});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "zorv_kelvane: cannot write 'in.lua.debug': Is a directory\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(sandbox.ReadFile("in.lua"), kInput);
    EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua", "in.lua.debug"}));
  }
  {
    SCOPED_TRACE("the disk fills up during the run: no output, and no half-written debug file");
    const std::string input = GameData(3000);
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", input);
    const CliResult result = sandbox.Run({"in.lua", "-debug", "-o"}, 5000);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "zorv_kelvane: cannot write 'in.lua.debug': File too large\n");
    EXPECT_EQ(result.out.substr(0, 16), "Parsing file...\t");
    EXPECT_EQ(result.out.find("Time elapsed"), std::string::npos);
    EXPECT_EQ(sandbox.ReadFile("in.lua"), input);
    EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua"}));
  }
}

TEST(FileErrorsTest, InputAndOutputTheSamePathWithoutOverwriteSwitch) {
  const std::string input = "t = { a=1, b={2,3} }\r\n";
  const struct {
    int line;
    std::vector<std::string> args;
  } rows[] = {
      {__LINE__, {"in.lua", "in.lua"}},
      {__LINE__, {"in.lua", "./in.lua"}},
      {__LINE__, {"in.lua", "sub/../in.lua"}},
      {__LINE__, {"./in.lua", "in.lua", "-unix"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.MakeFolder("sub");
    sandbox.WriteFile("in.lua", input);
    const CliResult result = sandbox.Run(row.args);
    ASSERT_EQ(result.exit_status, 0) << result.err;
    // Read whole before the write, the input is replaced by its formatted
    // text, exactly as with "-o".
    EXPECT_EQ(sandbox.ReadFile("in.lua"), FromReference(input, row.args.size() > 2));
    EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua", "sub"}));
  }
}

TEST(FileErrorsTest, OutputPathsThatCannotBeWritten) {
  const std::string input = "x=1\n";
  const struct {
    int line;
    std::vector<std::string> args;
    std::string named_path;
  } rows[] = {
      {__LINE__, {"in.lua", "."}, "."},
      {__LINE__, {"in.lua", "taken/"}, "taken/"},
      {__LINE__, {"in.lua", "nowhere/"}, "nowhere/"},
      {__LINE__, {"in.lua", "nowhere/deeper/out.lua"}, "nowhere/deeper/out.lua"},
      {__LINE__, {"in.lua", ""}, ""},
      {__LINE__, {"in.lua", "in.lua/"}, "in.lua/"},
      {__LINE__, {"in.lua", "taken", "-o"}, "in.lua"},  // "-o" wins, so this one works
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", input);
    sandbox.MakeFolder("taken");
    const CliResult result = sandbox.Run(row.args);
    if (row.args.back() == "-o") {
      EXPECT_EQ(result.exit_status, 0) << result.err;
      EXPECT_EQ(sandbox.ReadFile("in.lua"), std::string(AppComment) + "x = 1\r\n");
      EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua", "taken"}));
      continue;
    }
    ExpectCleanFailure(result, 1, row.named_path, sandbox, input, {"in.lua", "taken"});
    EXPECT_TRUE(result.err.starts_with("zorv_kelvane: cannot write '")) << result.err;
  }
}

// A device or a pipe as the output is written through, never replaced by a
// regular file: as root, "zorv_kelvane x.lua /dev/null" leaves the system's
// /dev/null a device.
TEST(FileErrorsTest, OutputToDevicesAndPipesWritesThroughThem) {
  const std::string input = "x=1\n";
  const std::string formatted = std::string(AppComment) + "x = 1\r\n";
  const struct {
    int line;
    std::string node;    // "fifo" or "null" (a null device, made only as root)
    std::string output;  // the output path given, perhaps a link to the node
  } rows[] = {
      {__LINE__, "fifo", "node"},
      {__LINE__, "fifo", "link.lua"},
      {__LINE__, "null", "node"},
      {__LINE__, "null", "link.lua"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    if (row.node == "null" && !RunningAsRoot()) continue;
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", input);
    const std::string node = sandbox.work() + "/node";
    if (row.node == "fifo") {
      ASSERT_EQ(mkfifo(node.c_str(), 0644), 0);
    } else {
      ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    }
    std::filesystem::create_symlink("node", sandbox.work() + "/link.lua");
    // A reader that is already there lets the program open the pipe at once;
    // the short result fits into the pipe's buffer.
    const int reader = row.node == "fifo" ? open(node.c_str(), O_RDONLY | O_NONBLOCK) : -1;
    const CliResult result = sandbox.Run({"in.lua", row.output});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    if (reader >= 0) {
      char buffer[4096];
      const ssize_t got = read(reader, buffer, sizeof buffer);
      EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<size_t>(got) : 0), formatted);
      close(reader);
    }
    struct stat info {};
    ASSERT_EQ(lstat(node.c_str(), &info), 0);
    EXPECT_EQ(row.node == "fifo" ? S_ISFIFO(info.st_mode) : S_ISCHR(info.st_mode), true)
        << "the node was replaced";
    EXPECT_TRUE(std::filesystem::is_symlink(sandbox.work() + "/link.lua"));
    EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua", "link.lua", "node"}));
    EXPECT_EQ(sandbox.ReadFile("in.lua"), input);
  }
}

TEST(FileErrorsTest, InputsThatCannotBeRead) {
  const struct {
    int line;
    std::string path;
    std::string cause;
  } rows[] = {
      {__LINE__, "file.lua/in.lua", "Not a directory"},
      {__LINE__, "dangling.lua", "No such file or directory"},
      {__LINE__, "loop.lua", "Too many levels of symbolic links"},
      {__LINE__, "folder/", "Is a directory"},
      {__LINE__, "locked.lua", "Permission denied"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    if (row.path == "locked.lua" && RunningAsRoot()) continue;  // root reads anything
    CliSandbox sandbox;
    sandbox.WriteFile("file.lua", "x=1\n");
    sandbox.WriteFile("locked.lua", "x=1\n");
    chmod((sandbox.work() + "/locked.lua").c_str(), 0);
    sandbox.MakeFolder("folder");
    std::filesystem::create_symlink("missing.lua", sandbox.work() + "/dangling.lua");
    std::filesystem::create_symlink("loop.lua", sandbox.work() + "/loop.lua");
    const std::vector<std::string> before = sandbox.List();
    const CliResult result = sandbox.Run({row.path, "-o", "-debug"});
    EXPECT_EQ(result.err, "zorv_kelvane: cannot read '" + row.path + "': " + row.cause + "\n");
    ExpectCleanFailure(result, 1, row.path, sandbox, "", before);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(sandbox.ReadFile("file.lua"), "x=1\n");
  }
}

TEST(FileErrorsTest, ReadOnlyOutput) {
  // A read-only target is refused as an in-place write would refuse it; root
  // may write anything, and then the file keeps its read-only mode.
  const std::string input = "x=1\n";
  const struct {
    int line;
    std::vector<std::string> args;
    std::string target;
  } rows[] = {
      {__LINE__, {"in.lua", "out.lua"}, "out.lua"},
      {__LINE__, {"in.lua", "-o"}, "in.lua"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", input);
    sandbox.WriteFile("out.lua", "old\n");
    const std::string target = sandbox.work() + "/" + row.target;
    chmod(target.c_str(), 0444);
    const CliResult result = sandbox.Run(row.args);
    if (RunningAsRoot()) {
      EXPECT_EQ(result.exit_status, 0) << result.err;
      EXPECT_EQ(sandbox.ReadFile(row.target), std::string(AppComment) + "x = 1\r\n");
      struct stat info {};
      ASSERT_EQ(stat(target.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 0777, 0444u);
    } else {
      EXPECT_EQ(result.err, "zorv_kelvane: cannot write '" + row.target + "': Permission denied\n");
      ExpectCleanFailure(result, 1, row.target, sandbox, input, {"in.lua", "out.lua"});
      EXPECT_EQ(sandbox.ReadFile("out.lua"), "old\n");
    }
    EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua", "out.lua"}));
  }
}

// A full disk at every point of the write: the limit cuts the output at the
// first byte, in the middle, and one byte short of the end (the formatted
// text is longer than the input). With "-o" the input stays byte for byte.
TEST(FileErrorsTest, FullDiskAtAnyPointKeepsTheInput) {
  const std::string input = GameData(20'000);
  const std::string formatted_size_probe = FromReference(GameData(300), false);
  ASSERT_GT(formatted_size_probe.size(), GameData(300).size());
  const struct {
    int line;
    long limit;
    std::vector<std::string> args;
  } rows[] = {
      // The captured standard error is limited too, so the smallest limit
      // must leave room for the error line.
      {__LINE__, 100, {"in.lua", "-o"}},
      {__LINE__, 10'000, {"in.lua", "-o"}},
      {__LINE__, static_cast<long>(input.size()), {"in.lua", "-o"}},
      {__LINE__, static_cast<long>(input.size() / 2), {"in.lua", "-o", "-s", "-unix"}},
      {__LINE__, 100, {"in.lua", "in.lua"}},
      {__LINE__, static_cast<long>(input.size()), {"in.lua", "-o", "-debug"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", input);
    const CliResult result = sandbox.Run(row.args, row.limit);
    const bool debug = row.args.back() == "-debug";
    const std::string failed = debug ? "in.lua.debug" : "in.lua";
    EXPECT_EQ(result.err, "zorv_kelvane: cannot write '" + failed + "': File too large\n");
    // A debug file that could not be written whole is not left behind.
    ExpectCleanFailure(result, 1, failed, sandbox, input, {"in.lua"});
  }
}

}  // namespace
}  // namespace kelvane
