// Removal of earlier header lines, and the header of this run.

#include "engine/header_line.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/app_text.h"

namespace kelvane {
namespace {

struct TextRow {
  int line;
  std::string input;
  std::string expected;
};

TEST(RemoveOldHeadersTest, RemovesWholeLinesAtTheTop) {
  const TextRow rows[] = {
      {__LINE__, "", ""},
      {__LINE__, "x = 1\n", "x = 1\n"},
      {__LINE__, "-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\nx = 1\n", "x = 1\n"},
      // The CR of a CR LF line end goes with the line.
      {__LINE__, "-- Pretty-Printed using Zorv Kelvane 1.0\r\nx = 1\r\n", "x = 1\r\n"},
      // Only whole lines at the top: elsewhere the words are the file's own.
      {__LINE__, "a = 1 -- Pretty-Printed using Zorv Kelvane!\nb = 2\n",
       "a = 1 -- Pretty-Printed using Zorv Kelvane!\nb = 2\n"},
      {__LINE__, "s = \"-- Pretty-Printed using Zorv Kelvane\"\nt = 1\n",
       "s = \"-- Pretty-Printed using Zorv Kelvane\"\nt = 1\n"},
      {__LINE__,
       "-- Pretty-Printed using Zorv Kelvane 1\n-- Pretty-Printed using Zorv Kelvane 2\nx\n",
       "x\n"},
      // A second occurrence on the same line goes with the first.
      {__LINE__, "-- Pretty-Printed using Zorv Kelvane -- Pretty-Printed using Zorv Kelvane\nx\n",
       "x\n"},
      {__LINE__, "a\n-- Pretty-Printed using Zorv Kelvane\n",
       "a\n-- Pretty-Printed using Zorv Kelvane\n"},
      // Without an LF after them the words stay.
      {__LINE__, "a\n-- Pretty-Printed using Zorv Kelvane 1.27",
       "a\n-- Pretty-Printed using Zorv Kelvane 1.27"},
      {__LINE__, "-- Pretty-Printed using Zorv Kelvane\nb -- Pretty-Printed using Zorv Kelvane",
       "b -- Pretty-Printed using Zorv Kelvane"},
      {__LINE__, "-- Pretty-Printed using Zorv Kelvane\nx\n-- Pretty-Printed using Zorv Kelvane\n",
       "x\n-- Pretty-Printed using Zorv Kelvane\n"},
      // Exact words, with case and single spaces.
      {__LINE__, "-- pretty-printed using zorv kelvane\n",
       "-- pretty-printed using zorv kelvane\n"},
      {__LINE__, "--  Pretty-Printed using Zorv Kelvane\n",
       "--  Pretty-Printed using Zorv Kelvane\n"},
      {__LINE__, "-- Pretty-Printed using Zorv\nKelvane\n",
       "-- Pretty-Printed using Zorv\nKelvane\n"},
      {__LINE__, "--- Pretty-Printed using Zorv Kelvane\nx\n",
       "--- Pretty-Printed using Zorv Kelvane\nx\n"},
      // A header that begins the text takes the empty line after it: a second
      // run would otherwise keep the empty line before the first global block
      // that the first run dropped as a blank line at the start.
      {__LINE__, "-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\t\n\nfunction f()\n",
       "function f()\n"},
      {__LINE__, "-- Pretty-Printed using Zorv Kelvane 1.27\t\r\n\r\nt = \r\n", "t = \r\n"},
      {__LINE__,
       "-- Pretty-Printed using Zorv Kelvane 1\n-- Pretty-Printed using Zorv Kelvane 2\n\nx\n",
       "x\n"},
      // Only one empty line, and only after headers at the start.
      {__LINE__, "-- Pretty-Printed using Zorv Kelvane\n\n\nx\n", "\nx\n"},
      {__LINE__, "x = 1\n-- Pretty-Printed using Zorv Kelvane\n\nfunction f()\n",
       "x = 1\n-- Pretty-Printed using Zorv Kelvane\n\nfunction f()\n"},
  };
  for (const TextRow& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    EXPECT_EQ(RemoveOldHeaders(row.input), row.expected);
  }
}

TEST(ReplaceHeaderLinesTest, OldHeadersOutNewHeaderIn) {
  const std::string header(AppComment);
  const std::string old = "-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.";
  const struct {
    int line;
    std::string text;
    bool strip;
    std::string expected;
  } rows[] = {
      {__LINE__, "x = 1\r\n", false, header + "x = 1\r\n"},
      {__LINE__, "x = 1\n", true, "x = 1\n"},
      {__LINE__, old + "\t\n\nfunction f()\n", false, header + "function f()\n"},
      // An empty file: the header line alone, as every later run gave it.
      {__LINE__, "\r\n", false, header},
      {__LINE__, "\n", false, header},
      {__LINE__, old + "\t\r\n", false, header},
      {__LINE__, "\n", true, "\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    EXPECT_EQ(ReplaceHeaderLines(row.text, row.strip), row.expected);
  }
}

TEST(RemoveOldHeadersTest, ManyHeadersInALargeText) {
  // Every line a header but the last, with CR LF line ends: one scan.
  std::string text;
  for (int i = 0; i < 20000; ++i)
    text += "-- Pretty-Printed using Zorv Kelvane 1.27 by Velkarin.\r\n";
  text += "x = 1\n";
  EXPECT_EQ(RemoveOldHeaders(text), "x = 1\n");
}

}  // namespace
}  // namespace kelvane
