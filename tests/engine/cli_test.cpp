// The zorv_kelvane program run for real: help, argument rules, progress
// messages, header line, line ends, debug file and empty input.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "engine/app_text.h"
#include "engine/process_code.h"
#include "tests/support/cli_runner.h"

namespace kelvane {
namespace {

using test_support::CliResult;
using test_support::CliSandbox;

const std::string kHeader = "-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\n";
const std::string kHeaderWords = "Pretty-Printed using Zorv Kelvane";

const std::string kInput =
    "-- AI settings\r\n"
    "Rules = { speed=1.50, names={\"a\",\"b\"} }\r\n"
    "function Init(p)\r\n"
    "  if p>0 then print(\"go\") end\r\n"
    "end\r\n";

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t lf = text.find('\n'); lf != std::string::npos; lf = text.find('\n', start)) {
    lines.push_back(text.substr(start, lf - start));
    start = lf + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

size_t CountOf(const std::string& text, const std::string& words) {
  size_t count = 0;
  for (size_t pos = text.find(words); pos != std::string::npos; pos = text.find(words, pos + 1)) {
    ++count;
  }
  return count;
}

std::string Help() {
  const char* const kUsage[] = {
      "There are two ways in which you can use this pretty-printer:",
      "",
      "\t1) In Explorer, drag & drop a single Lua file ",
      "\t   containing the code you wish to process onto the ",
      "\t   included JS file. The output will be copied to a new ",
      "\t   file with the same name and in the same directory as ",
      "\t   the input file, but with an additional \".pretty\" ",
      "\t   extension.",
      "",
      "\t2) On the command-line, the syntax is as follows:",
      "",
      "\t\tcscript [ScriptPath] [InputPath] [[OutputPath]] ",
      "\t\t[[-o]] [[-s]] [[-help]] [[-verbose]] [[-debug]] ",
      "\t\t[[-unix]]",
      "",
      "\t   [ScriptPath]\t- The full path to ",
      "\t\t\t  \"Zorv_Kelvane.js\".",
      "\t   [InputPath]\t- The full path of the Lua file to ",
      "\t\t\t  process.",
      "\t   [OutputPath]\t- The full path of the output file. If ",
      "\t\t\t  omitted, then the output will be ",
      "\t\t\t  copied to a new file with the same ",
      "\t\t\t  name and in the same directory as the ",
      "\t\t\t  input file, but with an additional ",
      "\t\t\t  \".pretty\" extension (unless the \"-o\" ",
      "\t\t\t  switch is also specified).",
      "\t   [-o]\t\t- Tells the program to overwrite the ",
      "\t\t\t  input file.",
      "\t   [-s]\t\t- Tells the program to strip comments ",
      "\t\t\t  from the code.",
      "\t   [-help]\t- Prints this help text to the screen.",
      "\t   [-verbose]\t- Turns verbose messaging on.",
      "\t   [-debug]\t- Generates an additional file in the ",
      "\t\t\t  source directory that is helpful in ",
      "\t\t\t  debugging the program (or file).",
      "\t   [-unix]\t- Creates Unix-style end-of-line ",
      "\t\t\t  characters. (Mainly a cosmetic issue.)",
  };
  std::string help = "Zorv Kelvane v1.27 by Velkarin\n\n";
  for (const char* line : kUsage) help += std::string(line) + "\n";
  return help + "\n";
}

// The lines a run prints, from "Parsing file..." to "Time elapsed", with the
// figure of the time replaced by "N". Verbose lines come from the pipeline's
// own tables, so that a new pass changes nothing here.
std::vector<std::string> ExpectedProgress(const std::string& src_path, bool verbose,
                                          bool unix_end_of_line) {
  FormatOptions settings;
  settings.UnixEndOfLine = unix_end_of_line;
  std::vector<std::string> lines = {"Parsing file...\t[" + src_path + "]"};
  for (const Stage& stage : ProcessStages()) {
    lines.push_back(stage.message);
    if (!verbose) continue;
    for (const PassRow& row : stage.passes) {
      if (!RowRuns(row, settings)) continue;
      if (row.announce == RowAnnounce::kAnnounce) lines.push_back(row.message);
    }
  }
  lines.push_back("Time elapsed: N seconds");
  return lines;
}

std::vector<std::string> ProgressOf(const std::string& out) {
  static const std::regex kTime("Time elapsed: (0|[1-9][0-9]*)(\\.[0-9]*[1-9])? seconds");
  std::vector<std::string> lines = SplitLines(out);
  for (std::string& line : lines) {
    if (std::regex_match(line, kTime)) line = "Time elapsed: N seconds";
  }
  return lines;
}

TEST(CliTest, NoArgumentsPrintsTheHelp) {
  CliSandbox sandbox;
  const CliResult result = sandbox.Run({});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, Help());
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(sandbox.List().empty());
}

TEST(CliTest, ArgumentRules) {
  const struct {
    int line;
    std::vector<std::string> args;
    std::string output;               // where the result must be
    std::vector<std::string> folder;  // everything in the folder afterwards
    int help_count = 0;
  } rows[] = {
      {__LINE__, {"in.lua"}, "in.lua.pretty", {"in.lua", "in.lua.pretty"}},
      {__LINE__, {"in.lua", "out.lua"}, "out.lua", {"in.lua", "out.lua"}},
      {__LINE__, {"in.lua", "-o"}, "in.lua", {"in.lua"}},
      {__LINE__, {"in.lua", "out.lua", "-o"}, "in.lua", {"in.lua"}},
      {__LINE__, {"in.lua", "-verbos"}, "-verbos", {"-verbos", "in.lua"}},
      {__LINE__, {"in.lua", "-O"}, "-O", {"-O", "in.lua"}},
      {__LINE__, {"in.lua", "out.lua", "extra.lua"}, "out.lua", {"in.lua", "out.lua"}},
      {__LINE__, {"in.lua", "out.lua", "-O"}, "out.lua", {"in.lua", "out.lua"}},
      {__LINE__, {"in.lua", "-unix", "out.lua"}, "in.lua.pretty", {"in.lua", "in.lua.pretty"}},
      {__LINE__, {"in.lua", "-help"}, "in.lua.pretty", {"in.lua", "in.lua.pretty"}, 1},
      {__LINE__, {"in.lua", "-help", "-help"}, "in.lua.pretty", {"in.lua", "in.lua.pretty"}, 2},
      {__LINE__, {"in.lua", "out.lua", "-help", "-o"}, "in.lua", {"in.lua"}, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", kInput);
    const CliResult result = sandbox.Run(row.args);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(sandbox.List(), row.folder);
    const std::string output = sandbox.ReadFile(row.output);
    EXPECT_EQ(output.substr(0, kHeader.size()), kHeader);
    EXPECT_EQ(CountOf(output, kHeaderWords), 1u);
    // The help, as often as asked for, comes before anything else.
    std::string helps;
    for (int i = 0; i < row.help_count; ++i) helps += Help();
    EXPECT_EQ(result.out.substr(0, helps.size()), helps);
    EXPECT_EQ(result.out.substr(helps.size(), 16), "Parsing file...\t");
  }
}

TEST(CliTest, ProgressMessagesInOrder) {
  const struct {
    int line;
    std::vector<std::string> args;
    bool verbose;
    bool unix_end_of_line;
  } rows[] = {
      {__LINE__, {"in.lua"}, false, false},
      {__LINE__, {"in.lua", "out.lua", "-s"}, false, false},
      {__LINE__, {"in.lua", "-verbose"}, true, false},
      {__LINE__, {"in.lua", "-unix", "-verbose"}, true, true},
      {__LINE__, {"in.lua", "-o", "-s", "-verbose"}, true, false},
      {__LINE__, {"in.lua", "-debug", "-verbose"}, true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", kInput);
    const CliResult result = sandbox.Run(row.args);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(ProgressOf(result.out),
              ExpectedProgress("in.lua", row.verbose, row.unix_end_of_line));
    EXPECT_EQ(result.out.back(), '\n');
    EXPECT_EQ(result.out.find('\r'), std::string::npos);
  }
}

TEST(CliTest, InputPathIsPrintedAsGiven) {
  CliSandbox sandbox;
  sandbox.MakeFolder("my mods");
  sandbox.WriteFile("my mods/ai [1].lua", kInput);
  const CliResult result = sandbox.Run({"./my mods/ai [1].lua"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(SplitLines(result.out).front(), "Parsing file...\t[./my mods/ai [1].lua]");
  EXPECT_TRUE(sandbox.Exists("my mods/ai [1].lua.pretty"));
}

TEST(CliTest, OverwritingALinkedInputWritesThroughTheLink) {
  CliSandbox sandbox;
  sandbox.MakeFolder("real");
  sandbox.WriteFile("real/in.lua", kInput);
  std::filesystem::create_symlink("real/in.lua", sandbox.work() + "/in.lua");
  ASSERT_EQ(sandbox.Run({"in.lua", "-o"}).exit_status, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(sandbox.work() + "/in.lua"));
  EXPECT_EQ(sandbox.ReadFile("real/in.lua").substr(0, kHeader.size()), kHeader);
  EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua", "real"}));
}

TEST(CliTest, HeaderLine) {
  const std::string old_header = "-- Pretty-Printed using Zorv Kelvane 1.0 by Someone.\r\n";
  const struct {
    int line;
    std::string input;
    std::vector<std::string> extra_args;
    size_t headers;  // occurrences of the header words in the result
  } rows[] = {
      {__LINE__, kInput, {}, 1},
      {__LINE__, old_header + kInput, {}, 1},
      // Only whole lines at the top are old headers; further down the words
      // are the file's own.
      {__LINE__, old_header + old_header + kInput + old_header, {}, 2},
      {__LINE__, "x = 1 -- Pretty-Printed using Zorv Kelvane again\n" + kInput, {}, 2},
      {__LINE__, kInput, {"-s"}, 0},
      {__LINE__, old_header + kInput, {"-s"}, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", row.input);
    std::vector<std::string> args = {"in.lua", "out.lua"};
    args.insert(args.end(), row.extra_args.begin(), row.extra_args.end());
    const CliResult result = sandbox.Run(args);
    ASSERT_EQ(result.exit_status, 0);
    const std::string output = sandbox.ReadFile("out.lua");
    EXPECT_EQ(CountOf(output, kHeaderWords), row.headers);
    EXPECT_EQ(output.substr(0, kHeader.size()) == kHeader, row.headers >= 1);
  }
}

TEST(CliTest, RunningOnItsOwnResultKeepsOneHeader) {
  CliSandbox sandbox;
  sandbox.WriteFile("in.lua", kInput);
  ASSERT_EQ(sandbox.Run({"in.lua", "-o"}).exit_status, 0);
  ASSERT_EQ(sandbox.Run({"in.lua", "-o"}).exit_status, 0);
  const std::string output = sandbox.ReadFile("in.lua");
  EXPECT_EQ(output.substr(0, kHeader.size()), kHeader);
  EXPECT_EQ(CountOf(output, kHeaderWords), 1u);
}

TEST(CliTest, HeaderEndsInLfAndTheOtherLinesInCrLf) {
  CliSandbox sandbox;
  sandbox.WriteFile("in.lua", "a = 1\nb = { 2, 3 }\n\nfunction f() return 1 end\n");
  ASSERT_EQ(sandbox.Run({"in.lua"}).exit_status, 0);
  const std::string output = sandbox.ReadFile("in.lua.pretty");
  ASSERT_EQ(output.substr(0, kHeader.size()), kHeader);
  const std::vector<std::string> lines = SplitLines(output.substr(kHeader.size()));
  ASSERT_FALSE(lines.empty());
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE("line " + std::to_string(i + 2) + ": " + lines[i]);
    ASSERT_FALSE(lines[i].empty());
    EXPECT_EQ(lines[i].back(), '\r');
    EXPECT_EQ(lines[i].find('\r'), lines[i].size() - 1);
  }
}

TEST(CliTest, UnixLineEndsAreLfOnly) {
  CliSandbox sandbox;
  sandbox.WriteFile("in.lua", kInput);
  ASSERT_EQ(sandbox.Run({"in.lua", "-unix"}).exit_status, 0);
  const std::string output = sandbox.ReadFile("in.lua.pretty");
  EXPECT_EQ(output.substr(0, kHeader.size()), kHeader);
  EXPECT_EQ(output.find('\r'), std::string::npos);
}

// With comments kept, the header line alone: a line end after it was dropped
// with the old header by the next run, which then gave the header alone.
TEST(CliTest, EmptyInputGivesTheHeaderLineOrOneLineEnd) {
  const struct {
    int line;
    std::vector<std::string> args;
    std::string expected;
  } rows[] = {
      {__LINE__, {"in.lua"}, kHeader},
      {__LINE__, {"in.lua", "-unix"}, kHeader},
      {__LINE__, {"in.lua", "-s"}, "\r\n"},
      {__LINE__, {"in.lua", "-s", "-unix"}, "\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", "");
    const CliResult result = sandbox.Run(row.args);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(sandbox.ReadFile("in.lua.pretty"), row.expected);
  }
}

TEST(CliTest, DebugFile) {
  const std::string rule(59, '-');
  const std::string source_entry =
      "\f" + rule + "\n--\t\tSource.\n" + rule + "\n\n" + kInput + "\n\n";
  // The first entry after the source is the first pass that writes one.
  std::string first_pass;
  for (const Stage& stage : ProcessStages()) {
    for (const PassRow& row : stage.passes) {
      if (first_pass.empty() && row.debug == RowDebug::kDebugEntry) first_pass = row.message;
    }
  }

  CliSandbox sandbox;
  sandbox.WriteFile("in.lua", kInput);
  ASSERT_EQ(sandbox.Run({"in.lua", "-debug"}).exit_status, 0);
  const std::string debug = sandbox.ReadFile("in.lua.debug");
  ASSERT_EQ(debug.substr(0, source_entry.size()), source_entry);
  const std::string second_head = "\f" + rule + "\n--" + first_pass + "\n" + rule + "\n\n";
  EXPECT_EQ(debug.substr(source_entry.size(), second_head.size()), second_head);
  EXPECT_EQ(debug.substr(debug.size() - 2), "\n\n");

  // The next run with "-debug" starts the file afresh.
  ASSERT_EQ(sandbox.Run({"in.lua", "-debug"}).exit_status, 0);
  EXPECT_EQ(sandbox.ReadFile("in.lua.debug"), debug);

  // Without "-debug" the file is left alone.
  sandbox.WriteFile("in.lua.debug", "kept");
  ASSERT_EQ(sandbox.Run({"in.lua"}).exit_status, 0);
  EXPECT_EQ(sandbox.ReadFile("in.lua.debug"), "kept");
}

TEST(CliTest, GuardStopsTheRunAndWritesNothing) {
  // Surplus right braces leave the right-brace loop without progress.
  const std::string input = "x = 1 } }\n";
  const struct {
    int line;
    std::vector<std::string> args;
    std::vector<std::string> folder;
  } rows[] = {
      {__LINE__, {"in.lua"}, {"in.lua"}},
      {__LINE__, {"in.lua", "-o", "-verbose"}, {"in.lua"}},
      {__LINE__, {"in.lua", "-debug"}, {"in.lua", "in.lua.debug"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", input);
    const CliResult result = sandbox.Run(row.args);
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> lines = SplitLines(result.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2],
              "Error: Was unable to break and outdent at every occurance of a right bracket.");
    EXPECT_EQ(lines.back(), "Zorv_Kelvane quit prematurely.");
    EXPECT_EQ(result.out.find("Time elapsed"), std::string::npos);
    EXPECT_EQ(sandbox.List(), row.folder);
    EXPECT_EQ(sandbox.ReadFile("in.lua"), input);
  }
}

}  // namespace
}  // namespace kelvane
