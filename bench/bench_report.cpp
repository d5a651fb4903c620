// Formatting of the benchmark's rows and the figures derived from them.

#include "bench/bench_report.h"

#include <algorithm>
#include <cstdio>

namespace kelvane::bench {

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  if (values.size() % 2 == 1) return values[middle];
  return (values[middle - 1] + values[middle]) / 2;
}

std::string ReportHeader() {
  char line[160];
  std::snprintf(line, sizeof line, "%-20s %10s %6s %10s %9s %10s %7s %11s", "input", "bytes",
                "runs", "median_s", "MB/s", "peak_MiB", "peak/in", "out_bytes");
  return line;
}

std::string ReportRow(std::string_view name, const Measurement& measurement) {
  char line[1024];
  const int name_width = static_cast<int>(name.size());
  if (!measurement.ok) {
    std::snprintf(line, sizeof line, "%-20.*s %10zu  FAILED: %s", name_width, name.data(),
                  measurement.input_bytes, measurement.error.c_str());
    return line;
  }
  const double median = Median(measurement.seconds);
  const double bytes = static_cast<double>(measurement.input_bytes);
  const double peak = static_cast<double>(measurement.peak_kib) * 1024.0;
  const double mb_per_s = median > 0 ? bytes / 1e6 / median : 0;
  const double peak_ratio = bytes > 0 ? peak / bytes : 0;
  std::snprintf(line, sizeof line, "%-20.*s %10zu %6zu %10.4f %9.2f %10.1f %7.1f %11zu", name_width,
                name.data(), measurement.input_bytes, measurement.seconds.size(), median, mb_per_s,
                peak / (1024.0 * 1024.0), peak_ratio, measurement.output_bytes);
  return line;
}

std::optional<double> TimeRatio(const Measurement& large, const Measurement& small) {
  if (!large.ok || !small.ok) return std::nullopt;
  const double small_median = Median(small.seconds);
  if (small_median <= 0) return std::nullopt;
  return Median(large.seconds) / small_median;
}

}  // namespace kelvane::bench
