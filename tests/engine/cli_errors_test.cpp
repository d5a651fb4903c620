// zorv_kelvane's file errors: one line on standard error naming the path and
// the cause, exit status 1, no output file, and the input never damaged.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/cli_runner.h"
#include "tests/support/lua_generator.h"

namespace kelvane {
namespace {

using testing::CliResult;
using testing::CliSandbox;

const std::string kInput = "Rules = { speed=1.50, names={\"a\",\"b\"} }\r\n";

// A file of `size` bytes or a little more, of game-like data.
std::string LargeInput(size_t size) { return testing::GenerateGameLua(size, 1); }

TEST(CliErrorsTest, UnreadableInputStopsBeforeAnything) {
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

TEST(CliErrorsTest, UnwritableOutputLeavesNothing) {
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

TEST(CliErrorsTest, FullDiskNeverDamagesTheTarget) {
  // The file size limit makes every write past 4 KB fail, as a full disk would.
  const std::string input = LargeInput(8192);
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

TEST(CliErrorsTest, UnwritableDebugFile) {
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
    const std::string input = LargeInput(3000);
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

}  // namespace
}  // namespace kelvane
