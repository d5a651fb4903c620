// The console program's figure of the time a run took.

#include "cli/console_messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace kelvane {
namespace {

TEST(FormatSecondsTest, ShortestDecimalForm) {
  const struct {
    int line;
    int64_t milliseconds;
    std::string expected;
  } rows[] = {
      {__LINE__, 0, "0"},        {__LINE__, 1, "0.001"},        {__LINE__, 12, "0.012"},
      {__LINE__, 47, "0.047"},   {__LINE__, 100, "0.1"},        {__LINE__, 120, "0.12"},
      {__LINE__, 999, "0.999"},  {__LINE__, 1000, "1"},         {__LINE__, 1500, "1.5"},
      {__LINE__, 1005, "1.005"}, {__LINE__, 1050, "1.05"},      {__LINE__, 2000, "2"},
      {__LINE__, 12000, "12"},   {__LINE__, 123456, "123.456"}, {__LINE__, 86400000, "86400"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    EXPECT_EQ(FormatSeconds(row.milliseconds), row.expected);
  }
}

}  // namespace
}  // namespace kelvane
