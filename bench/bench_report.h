// The benchmark's plain-text report: one row per input, so that two builds
// can be compared line by line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/child_measure.h"

namespace kelvane::bench {

// The middle value; the mean of the two middle values for an even count;
// 0 for none.
double Median(std::vector<double> values);

std::string ReportHeader();

// name, input bytes, median seconds, MB/s (MB = 10^6 bytes), peak memory in
// MiB and as a multiple of the input, output bytes; or the error.
std::string ReportRow(std::string_view name, const Measurement& measurement);

// "time(16M)/time(1M) = 15.2" from the two medians; nullopt when either
// is missing or zero.
std::optional<double> TimeRatio(const Measurement& large, const Measurement& small);

}  // namespace kelvane::bench
