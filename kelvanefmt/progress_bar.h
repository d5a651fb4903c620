// The progress line on a terminal: files done out of the total, and MB/s.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ostream>

namespace kelvane::fmt {

class ProgressBar {
 public:
  // Draws on `err` only when `enabled` (standard error is a terminal), and
  // only once the run has lasted a second, so that short runs stay quiet.
  ProgressBar(std::ostream& err, bool enabled, size_t total);

  // Redraws with the new figures, at most ten times a second.
  void Update(size_t done, uint64_t bytes);
  // Wipes the line, before other output and at the end of the run.
  void Clear();

 private:
  using Clock = std::chrono::steady_clock;
  std::ostream& err_;
  bool enabled_;
  size_t total_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point last_draw_;
  size_t drawn_width_ = 0;
};

// True when the standard stream `fd` (0, 1 or 2) is a terminal.
bool IsTerminal(int fd);

}  // namespace kelvane::fmt
