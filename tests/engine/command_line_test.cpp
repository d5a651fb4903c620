// The engine's argument rules: input first, output in second place unless it
// is a switch, "-o" wins, unknown arguments later on are ignored.

#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvane {
namespace {

struct ParseRow {
  int line;
  std::vector<std::string> args;
  std::string out_path;
  bool verbose = false;
  bool debug = false;
  bool strip_comments = false;
  bool unix_end_of_line = false;
  int help_count = 0;
};

void CheckParse(const ParseRow& row) {
  SCOPED_TRACE("row at line " + std::to_string(row.line));
  int help_count = 0;
  const RunSettings settings = ParseCommandLine(row.args, [&help_count] { ++help_count; });
  EXPECT_EQ(settings.SrcPath, row.args[0]);
  EXPECT_EQ(settings.DbgPath, row.args[0] + ".debug");
  EXPECT_EQ(settings.OutPath, row.out_path);
  EXPECT_EQ(settings.MssgVerbose, row.verbose);
  EXPECT_EQ(settings.MssgDebug, row.debug);
  EXPECT_EQ(settings.format.StripComments, row.strip_comments);
  EXPECT_EQ(settings.format.UnixEndOfLine, row.unix_end_of_line);
  EXPECT_EQ(help_count, row.help_count);
}

TEST(ParseCommandLineTest, OutputPath) {
  const ParseRow rows[] = {
      {__LINE__, {"in.lua"}, "in.lua.pretty"},
      {__LINE__, {"in.lua", "out.lua"}, "out.lua"},
      {__LINE__, {"in.lua", "-o"}, "in.lua"},
      {__LINE__, {"in.lua", "out.lua", "-o"}, "in.lua"},
      {__LINE__, {"in.lua", "-s", "out.lua"}, "in.lua.pretty", false, false, true},
      {__LINE__, {"in.lua", "out.lua", "extra.lua"}, "out.lua"},
      // A misspelt switch in second place is the output path.
      {__LINE__, {"in.lua", "-verbos"}, "-verbos"},
      {__LINE__, {"in.lua", "-O"}, "-O"},
      {__LINE__, {"in.lua", "-Unix", "-o"}, "in.lua"},
      {__LINE__, {"in.lua", ""}, ""},
      {__LINE__, {"C:\\mods\\ai.lua", "-o"}, "C:\\mods\\ai.lua"},
  };
  for (const ParseRow& row : rows) CheckParse(row);
}

TEST(ParseCommandLineTest, Switches) {
  const ParseRow rows[] = {
      {__LINE__, {"in.lua", "-verbose"}, "in.lua.pretty", true},
      {__LINE__, {"in.lua", "-debug"}, "in.lua.pretty", false, true},
      {__LINE__, {"in.lua", "-s"}, "in.lua.pretty", false, false, true},
      {__LINE__, {"in.lua", "-unix"}, "in.lua.pretty", false, false, false, true},
      {__LINE__,
       {"in.lua", "out.lua", "-s", "-verbose", "-debug", "-unix"},
       "out.lua",
       true,
       true,
       true,
       true},
      // From the third place on, switches are compared with case.
      {__LINE__, {"in.lua", "out.lua", "-S", "-VERBOSE", "-Debug"}, "out.lua"},
      {__LINE__, {"in.lua", "out.lua", "verbose", "--s", "-unix "}, "out.lua"},
      // The first argument is the input path, even when it looks like a switch.
      {__LINE__, {"-verbose"}, "-verbose.pretty"},
      {__LINE__, {"-o", "-o"}, "-o"},
  };
  for (const ParseRow& row : rows) CheckParse(row);
}

TEST(ParseCommandLineTest, HelpAsItIsMet) {
  const ParseRow rows[] = {
      {__LINE__, {"-help"}, "-help.pretty"},
      {__LINE__, {"in.lua", "-help"}, "in.lua.pretty", false, false, false, false, 1},
      {__LINE__, {"in.lua", "-help", "-help"}, "in.lua.pretty", false, false, false, false, 2},
      {__LINE__, {"in.lua", "out.lua", "-help"}, "out.lua", false, false, false, false, 1},
      {__LINE__, {"in.lua", "-Help"}, "-Help"},
  };
  for (const ParseRow& row : rows) CheckParse(row);
}

}  // namespace
}  // namespace kelvane
