// Regions marked "-- kelvanefmt: off" / "on" / "ignore": whole runs through
// FormatText with KeepMarkedRegions, each region byte for byte in the output
// and the output stable; and the statement extents that delimit them.

#include "engine/marked_regions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/code_nesting.h"
#include "engine/format_text.h"
#include "engine/lua_lexer.h"
#include "engine/messages.h"
#include "tests/support/lua_generator.h"
#include "tests/support/text_diff.h"

namespace kelvane {
namespace {

using test_support::Escape;

const std::string kHeader = "-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\n";

TEST(StatementEndTest, ReachesTheFirstLineWhereBracketsAndBlocksClose) {
  const struct {
    int line;
    std::string text;
    size_t from;
    size_t expected;
  } rows[] = {
      {__LINE__, "x = 1\ny = 2\n", 0, 5},
      {__LINE__, "x = {1,\n2}\ny = 3", 0, 10},
      {__LINE__, "x = {1,\r\n2}\r\ny = 3", 0, 11},
      // Blank and comment-only lines before the statement belong to it.
      {__LINE__, "\n-- a\nf()\n", 0, 9},
      {__LINE__, "function f()\n  return 1\nend\nx = 1\n", 0, 27},
      {__LINE__, "if a then\nb()\nelse\nc()\nend\n", 0, 26},
      {__LINE__, "repeat\nx()\nuntil y\n", 0, 18},
      // Brackets and keywords inside strings and comments count for nothing.
      {__LINE__, "s = \"{ do\" -- ( function\nt = 1\n", 0, 24},
      {__LINE__, "s = [[\n{ end\n]]\nt = 1\n", 0, 15},
      // A numeral holds no keyword; a name may start like one.
      {__LINE__, "x = 0x1do + done\ny = 1\n", 0, 16},
      // More closed than opened ends the statement too.
      {__LINE__, "a = {1,\n2} }\nb = 1\n", 0, 12},
      // The text ends inside the statement: to its last line with anything.
      {__LINE__, "t = {\n1,\n\n  \n", 0, 8},
      {__LINE__, "f()", 0, 3},
      // No statement starts where code starts by closing, or there is none.
      {__LINE__, "}\n", 0, kNone},
      {__LINE__, "\n  end\n", 0, kNone},
      {__LINE__, "else x = 1\n", 0, kNone},
      {__LINE__, "\n-- only a comment\n\n", 0, kNone},
      {__LINE__, "x = 1\n", 6, kNone},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(StatementEnd(row.text, row.from), row.expected)
        << "row at line " << row.line << ": \"" << Escape(row.text) << "\"";
  }
}

TEST(HoldsWholeStatementsTest, EveryOpenedBracketAndBlockClosesInside) {
  const struct {
    int line;
    std::string text;
    bool expected;
  } rows[] = {
      {__LINE__, "", true},
      {__LINE__, "-- kelvanefmt: off\nx = {1,\n2}\n-- kelvanefmt: on", true},
      {__LINE__, "if a then b() elseif c then d() else e() end", true},
      {__LINE__, "s = \"(\" -- [ end", true},
      {__LINE__, "f(\n", false},
      {__LINE__, "x = 1 }", false},
      {__LINE__, "end", false},
      {__LINE__, "else x = 1", false},
      {__LINE__, "function f()\nx = 1", false},
      {__LINE__, ") (", false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(HoldsWholeStatements(row.text), row.expected)
        << "row at line " << row.line << ": \"" << Escape(row.text) << "\"";
  }
}

struct Settings {
  bool strip_comments = false;
  bool crlf = false;
  bool header = true;
  bool keep_regions = true;
};

FormatOptions OptionsOf(const Settings& settings) {
  FormatOptions options;
  options.StripComments = settings.strip_comments;
  options.UnixEndOfLine = !settings.crlf;
  options.WriteHeader = settings.header;
  options.KeepMarkedRegions = settings.keep_regions;
  return options;
}

FormatResult Format(const std::string& input, const FormatOptions& options) {
  NullMessages quiet;
  return FormatText(input, options, quiet);
}

TEST(MarkedRegionsTest, RegionsComeBackByteForByteAndTheRestIsFormatted) {
  const Settings strip{.strip_comments = true};
  const Settings crlf{.crlf = true};
  const struct {
    int line;
    Settings settings;
    std::string input;
    std::string expected;
  } rows[] = {
      {__LINE__,
       {},
       "x=1\n-- kelvanefmt: off\ngrid = {\n  1, 2,\n  3, 4,\n}\n-- kelvanefmt: on\ny=2\n",
       kHeader + "x = 1\n-- kelvanefmt: off\ngrid = {\n  1, 2,\n  3, 4,\n}\n-- kelvanefmt: on\n"
                 "y = 2\n"},
      // Inside a table: one entry, or several; no separator is put after them.
      {__LINE__,
       {},
       "t = {\n  a=1,\n  -- kelvanefmt: ignore\n  cells = { 1,0,\n            0,1 },\n  "
       "b={2},\n}\n",
       kHeader +
           "t = \n{\n\ta = 1,\n\t-- kelvanefmt: ignore\n  cells = { 1,0,\n            0,1 },\n"
           "\tb = \n\t{\n\t\t2,\n\t},\n}\n\n"},
      {__LINE__,
       {},
       "t = {\n  a=1,\n  -- kelvanefmt: off\n  {1,2},  {3,4},\n  -- kelvanefmt: on\n}\n",
       kHeader + "t = \n{\n\ta = 1,\n\t-- kelvanefmt: off\n  {1,2},  {3,4},\n  -- kelvanefmt: on\n"
                 "}\n\n"},
      // Inside a function: the statement's block closes on its line.
      {__LINE__,
       {},
       "function f(a)\n  local t={a,1.50}\n  -- kelvanefmt: ignore\n  if a then return   1 end\n"
       "  return t\nend\n",
       kHeader +
           "function f(a)\t\n\tlocal t = \n\t{\n\t\ta,\n\t\t1.5,\n\t}\n\t-- kelvanefmt: ignore\n"
           "  if a then return   1 end\n\treturn\n\tt\nend\n\n"},
      // Without "on", to the end of the file's last line that holds anything.
      {__LINE__,
       {},
       "x=1\n-- kelvanefmt: off\ny   =   2\n\n",
       kHeader + "x = 1\n-- kelvanefmt: off\ny   =   2\n"},
      // Markers inside a region are part of it; inside a string, none.
      {__LINE__,
       {},
       "-- kelvanefmt: off\na = 1 -- kelvanefmt: off\n-- kelvanefmt: ignore\nb  =  2\n"
       "-- kelvanefmt: on\nc=3\n",
       kHeader + "-- kelvanefmt: off\na = 1 -- kelvanefmt: off\n-- kelvanefmt: ignore\nb  =  2\n"
                 "-- kelvanefmt: on\nc = 3\n"},
      {__LINE__,
       {},
       "x = \"-- kelvanefmt: off\"\ny=2\n",
       kHeader + "x = \"-- kelvanefmt: off\"\ny = 2\n"},
      // Blank lines, blanks in the marker, and lines of comments before the
      // statement; a marker that marks no statement stays a comment.
      {__LINE__,
       {},
       "x=1\n-- kelvanefmt: ignore\n\n-- why\nf( 1,\n 2 )\ny=2\n",
       kHeader + "x = 1\n-- kelvanefmt: ignore\n\n-- why\nf( 1,\n 2 )\ny = 2\n"},
      {__LINE__,
       {},
       "x=1\n--kelvanefmt:off\t\ny  =  2\n--   kelvanefmt:   on   \nz=3\n",
       kHeader + "x = 1\n--kelvanefmt:off\t\ny  =  2\n--   kelvanefmt:   on   \nz = 3\n"},
      {__LINE__,
       {},
       "t = {\n  -- kelvanefmt: ignore\n}\n",
       kHeader + "t = \n{\n\t-- kelvanefmt: ignore\n}\n\n"},
      // Only line comments that are just the marker mark.
      {__LINE__,
       {},
       "x=1\n--[[ kelvanefmt: off ]]\ny  =  2\n--- kelvanefmt: off\nz  =  3\n",
       kHeader + "x = 1\n--[[ kelvanefmt: off ]]\t\ny = 2\n--- kelvanefmt: off\nz = 3\n"},
      // The placeholder's words in the text itself.
      {__LINE__,
       {},
       "s = \"kelvanefmtregiona,\"\n-- kelvanefmt: ignore\nx  =  {1,2}\n",
       kHeader + "s = \"kelvanefmtregiona,\"\n-- kelvanefmt: ignore\nx  =  {1,2}\n"},
      // "-s" deletes the comments around the regions, not those inside.
      {__LINE__, strip,
       "x=1 -- note\n-- kelvanefmt: off\ny  =  2 -- kept\n-- kelvanefmt: on\nz=3 --[[ gone ]]w=4\n",
       "x = 1\n-- kelvanefmt: off\ny  =  2 -- kept\n-- kelvanefmt: on\nz = 3\nw = 4\n"},
      {__LINE__,
       {.strip_comments = true, .header = false},
       "-- kelvanefmt: ignore\nx  =  1 -- kept\ny=2 -- gone\n",
       "-- kelvanefmt: ignore\nx  =  1 -- kept\ny = 2\n"},
      // CR LF: the region keeps its own line ends, whatever the others get.
      {__LINE__, crlf,
       "x=1\r\n-- kelvanefmt: off\r\ngrid = {\r\n  1, 2,\r\n}\r\n-- kelvanefmt: on\r\ny=2\r\n",
       kHeader + "x = 1\r\n-- kelvanefmt: off\r\ngrid = {\r\n  1, 2,\r\n}\r\n-- kelvanefmt: on\r\n"
                 "y = 2\r\n"},
      {__LINE__, crlf, "x=1\r\n-- kelvanefmt: ignore\r\ngrid = {1,\r\n  2}\r\n",
       kHeader + "x = 1\r\n-- kelvanefmt: ignore\r\ngrid = {1,\r\n  2}\r\n"},
      {__LINE__,
       {},
       "-- kelvanefmt: off\n  x  =  1\r\n-- kelvanefmt: on\r\ny=2\r\n",
       kHeader + "-- kelvanefmt: off\n  x  =  1\r\n-- kelvanefmt: on\ny = 2\n"},
      // The console engine keeps no regions.
      {__LINE__,
       {.keep_regions = false},
       "-- kelvanefmt: off\nx  =  1\n",
       kHeader + "-- kelvanefmt: off\t\nx = 1\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    const FormatOptions options = OptionsOf(row.settings);
    const FormatResult once = Format(row.input, options);
    ASSERT_EQ(once.status, FormatStatus::kOk) << once.reason;
    EXPECT_EQ(Escape(once.text), Escape(row.expected));
    const FormatResult twice = Format(once.text, options);
    ASSERT_EQ(twice.status, FormatStatus::kOk) << twice.reason;
    EXPECT_EQ(Escape(twice.text), Escape(once.text)) << "not stable";
  }
}

// A region that cuts a bracket or block in two would leave the passes the
// code around it at another depth: the text is refused, naming the marker.
TEST(MarkedRegionsTest, RegionsThatAreNotWholeStatementsAreRefused) {
  const struct {
    int line;
    std::string input;
    size_t marker_line;
  } rows[] = {
      {__LINE__, "x=1\n-- kelvanefmt: off\nf(\n-- kelvanefmt: on\n)\n", 2},
      {__LINE__, "if a then\n-- kelvanefmt: off\nb()\nend\n", 2},
      {__LINE__, "x=1\n-- kelvanefmt: ignore\nt = {\n", 2},
      {__LINE__, "t = {\n-- kelvanefmt: ignore\na = {1,\n2} }\n", 2},
      // The loader line counts.
      {__LINE__, "#!/usr/bin/lua\nx=1\n-- kelvanefmt: ignore\nt = {\n", 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    const FormatResult result = Format(row.input, OptionsOf({}));
    EXPECT_EQ(result.status, FormatStatus::kRefused);
    EXPECT_EQ(result.reason, "the region marked at line " + std::to_string(row.marker_line) +
                                 " does not hold whole statements: it opens or closes a bracket "
                                 "or block that it does not close or open");
  }
}

bool LineCommentStartsAt(std::string_view text, size_t pos) {
  bool found = false;
  ForEachLiteral(text, /*comments=*/true, [&](const LiteralSpan& span) {
    found = found || (span.begin == pos && span.kind == LiteralKind::kLineComment);
  });
  return found;
}

// Generated programs with an "off" region or an "ignore" marker put at
// lines chosen by the seed, in every setting: where the engine takes them,
// the output holds the region as it was and a second run changes nothing.
TEST(MarkedRegionsTest, GeneratedProgramsWithRegionsFormatTheSameTwice) {
  constexpr size_t kCases = 300;
  size_t checked = 0;
  for (size_t i = 0; i < kCases; ++i) {
    test_support::GeneratorOptions generator;
    generator.target_size = 60 + (i * 53) % 900;
    generator.avoid_unmended_faults = true;
    const std::string base = test_support::GenerateLua(7000000 + i, generator);
    std::vector<size_t> line_starts = {0};
    for (size_t pos = base.find('\n'); pos != std::string::npos && pos + 1 < base.size();
         pos = base.find('\n', pos + 1)) {
      line_starts.push_back(pos + 1);
    }
    const size_t off_line = (i * 7919) % line_starts.size();
    const size_t on_line = off_line + 1 + (i * 104729) % (line_starts.size() - off_line);
    const bool off = i % 2 == 1;
    std::string input = base.substr(0, line_starts[off_line]);
    const size_t marker = input.size();
    input += off ? "-- kelvanefmt: off\n" : "-- kelvanefmt: ignore\n";
    size_t region_end = std::string::npos;
    if (off && on_line < line_starts.size()) {
      input += base.substr(line_starts[off_line], line_starts[on_line] - line_starts[off_line]);
      input += "-- kelvanefmt: on";
      region_end = input.size();
      input += '\n';
      input += base.substr(line_starts[on_line]);
    } else {
      input += base.substr(line_starts[off_line]);
    }
    Settings settings;
    settings.strip_comments = (i / 2) % 2 == 1;
    settings.crlf = (i / 4) % 2 == 1;
    settings.header = i % 3 != 0;
    const FormatOptions options = OptionsOf(settings);
    // A program the engine leaves unstable or refuses without markers is
    // not a test of the regions.
    settings.keep_regions = false;
    const FormatResult plain = Format(base, OptionsOf(settings));
    if (plain.status != FormatStatus::kOk ||
        Format(plain.text, OptionsOf(settings)).text != plain.text) {
      continue;
    }
    const FormatResult once = Format(input, options);
    if (once.status != FormatStatus::kOk) continue;  // a region cut a block in two
    ++checked;
    SCOPED_TRACE("generated case " + std::to_string(i) + ": \"" + Escape(input) + "\"");
    const FormatResult twice = Format(once.text, options);
    ASSERT_EQ(twice.status, FormatStatus::kOk) << twice.reason;
    EXPECT_EQ(Escape(twice.text), Escape(once.text)) << "not stable";
    if (region_end != std::string::npos && LineCommentStartsAt(input, marker) &&
        LineCommentStartsAt(input, region_end - 17)) {
      EXPECT_NE(once.text.find(input.substr(marker, region_end - marker)), std::string::npos)
          << "the region is not in the output as it was";
    }
  }
  EXPECT_GE(checked, kCases / 4) << "too few generated cases were formatted";
}

}  // namespace
}  // namespace kelvane
