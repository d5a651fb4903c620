// Measuring one input in a fresh child process, so that the peak memory of
// one input never mixes with another's.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kelvane::bench {

struct Measurement {
  bool ok = false;
  std::string error;  // why not ok: unreadable file, guard, crash
  size_t input_bytes = 0;
  size_t output_bytes = 0;      // ProcessCode's text, before the header line
  std::vector<double> seconds;  // wall time of each run of ProcessCode
  long peak_kib = 0;            // the child's peak resident memory (VmHWM)
};

// Produces the input text inside the child; false with `error` set when it
// cannot (an unreadable file).
using InputMaker = std::function<bool(std::string& text, std::string& error)>;

// Forks, builds the input in the child, runs ProcessCode `runs` times with
// default settings and reports back through a pipe.
Measurement MeasureInChild(const InputMaker& make_input, int runs);

// The line the child sends back, and its reading; exposed for tests.
std::string EncodeMeasurement(const Measurement& measurement);
bool DecodeMeasurement(const std::string& line, Measurement& measurement);

}  // namespace kelvane::bench
