// The benchmark's figures: median, the child's report line, the rows, and
// the measuring child process itself.

#include "bench/bench_report.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/child_measure.h"
#include "engine/header_line.h"

namespace kelvane::bench {
namespace {

TEST(BenchReportTest, Median) {
  struct Row {
    std::vector<double> values;
    double expected;
  };
  const Row rows[] = {
      {{}, 0}, {{3}, 3}, {{3, 1, 2}, 2}, {{4, 1, 3, 2}, 2.5}, {{9, 9, 1}, 9},
  };
  for (const Row& row : rows) {
    EXPECT_DOUBLE_EQ(Median(row.values), row.expected) << ::testing::PrintToString(row.values);
  }
}

TEST(BenchReportTest, MeasurementSurvivesTheReportLine) {
  Measurement ok;
  ok.ok = true;
  ok.input_bytes = 16777216;
  ok.output_bytes = 20000001;
  ok.peak_kib = 123456;
  ok.seconds = {0.25, 0.125, 1e-5};
  Measurement back;
  ASSERT_TRUE(DecodeMeasurement(EncodeMeasurement(ok), back));
  EXPECT_TRUE(back.ok);
  EXPECT_EQ(back.input_bytes, ok.input_bytes);
  EXPECT_EQ(back.output_bytes, ok.output_bytes);
  EXPECT_EQ(back.peak_kib, ok.peak_kib);
  EXPECT_EQ(back.seconds, ok.seconds);

  Measurement error;
  error.error = "unable to break\nsecond line";
  ASSERT_TRUE(DecodeMeasurement(EncodeMeasurement(error), back));
  EXPECT_FALSE(back.ok);
  EXPECT_EQ(back.error, "unable to break second line");
}

TEST(BenchReportTest, MalformedReportLinesAreRejected) {
  const char* lines[] = {"", "bogus 1 2 3 4", "ok 1 2", "ok 1 2 3", "ok 1 2 3 0.5 x", "ok a b c 1"};
  for (const char* line : lines) {
    Measurement measurement;
    EXPECT_FALSE(DecodeMeasurement(line, measurement)) << '"' << line << '"';
  }
}

TEST(BenchReportTest, RowFigures) {
  Measurement measurement;
  measurement.ok = true;
  measurement.input_bytes = 2000000;
  measurement.output_bytes = 2500000;
  measurement.peak_kib = 10240;
  measurement.seconds = {0.08, 0.04, 0.02};  // median 0.04 s: 50 MB/s
  const std::string row = ReportRow("game-2M", measurement);
  struct Row {
    const char* what;
    const char* needle;
  };
  const Row rows[] = {{"name", "game-2M "},  {"bytes", " 2000000 "}, {"median", " 0.0400 "},
                      {"MB/s", " 50.00 "},   {"peak MiB", " 10.0 "}, {"peak/input", " 5.2 "},
                      {"output", " 2500000"}};
  for (const Row& expected : rows) {
    EXPECT_NE(row.find(expected.needle), std::string::npos) << expected.what << " in: " << row;
  }

  Measurement failed;
  failed.error = "crashed: Segmentation fault";
  EXPECT_NE(ReportRow("x", failed).find("FAILED: crashed: Segmentation fault"), std::string::npos);
}

TEST(BenchReportTest, TimeRatioOfMedians) {
  Measurement small;
  small.ok = true;
  small.seconds = {0.1, 0.2, 0.3};
  Measurement large;
  large.ok = true;
  large.seconds = {3.0, 3.2, 3.4};
  ASSERT_TRUE(TimeRatio(large, small).has_value());
  EXPECT_DOUBLE_EQ(*TimeRatio(large, small), 16.0);
  Measurement missing;
  EXPECT_FALSE(TimeRatio(large, missing).has_value());
  EXPECT_FALSE(TimeRatio(missing, small).has_value());
}

TEST(ChildMeasureTest, ReportsFiguresOfTheChild) {
  Measurement measurement = MeasureInChild(
      [](std::string& text, std::string&) {
        text = "Rules = { speed=1.50 }\n";
        return true;
      },
      3);
  ASSERT_TRUE(measurement.ok) << measurement.error;
  EXPECT_EQ(measurement.input_bytes, 23u);
  // The whole output: the header line, then the formatted text.
  EXPECT_EQ(measurement.output_bytes,
            ReplaceHeaderLines("Rules = \r\n{\r\n\tspeed = 1.5,\r\n}\r\n\r\n", false).size());
  EXPECT_EQ(measurement.seconds.size(), 3u);
  EXPECT_GT(measurement.peak_kib, 0);
}

TEST(ChildMeasureTest, PeakMemoryBelongsToEachInputAlone) {
  constexpr size_t kBig = 24u << 20;
  Measurement big = MeasureInChild(
      [](std::string& text, std::string&) {
        text.assign(kBig, ' ');
        return true;
      },
      1);
  Measurement small = MeasureInChild(
      [](std::string& text, std::string&) {
        text = "x = 1\n";
        return true;
      },
      1);
  ASSERT_TRUE(big.ok && small.ok) << big.error << small.error;
  EXPECT_GE(big.peak_kib, static_cast<long>(kBig / 1024));
  EXPECT_LT(small.peak_kib, static_cast<long>(kBig / 1024));
}

TEST(ChildMeasureTest, FailuresAreReportedNotFatal) {
  Measurement unreadable = MeasureInChild(
      [](std::string&, std::string& error) {
        error = "cannot read 'x.lua'";
        return false;
      },
      1);
  EXPECT_FALSE(unreadable.ok);
  EXPECT_EQ(unreadable.error, "cannot read 'x.lua'");

  Measurement guard = MeasureInChild(
      [](std::string& text, std::string&) {
        text = "}}\n";  // surplus closing braces: the brace loop cannot progress
        return true;
      },
      1);
  EXPECT_FALSE(guard.ok);
  EXPECT_FALSE(guard.error.empty());

  Measurement crashed = MeasureInChild([](std::string&, std::string&) -> bool { std::abort(); }, 1);
  EXPECT_FALSE(crashed.ok);
  EXPECT_EQ(crashed.error.rfind("crashed: ", 0), 0u) << crashed.error;
}

}  // namespace
}  // namespace kelvane::bench
