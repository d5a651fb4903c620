// A carriage return and spaces redraw and wipe the line: no escape codes,
// so the Windows console shows it as a terminal does.

#include "kelvanefmt/progress_bar.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kelvane::fmt {

ProgressBar::ProgressBar(std::ostream& err, bool enabled, size_t total)
    : err_(err), enabled_(enabled), total_(total) {}

void ProgressBar::Update(size_t done, uint64_t bytes) {
  if (!enabled_) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < std::chrono::seconds(1) || now - last_draw_ < std::chrono::milliseconds(100)) {
    return;
  }
  last_draw_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  constexpr int kBarWidth = 30;
  const size_t filled = total_ == 0 ? kBarWidth : done * kBarWidth / total_;
  char figures[96];
  std::snprintf(figures, sizeof figures, "] %zu/%zu files, %.1f MB/s", done, total_,
                static_cast<double>(bytes) / 1e6 / seconds);
  std::string line(1, '[');
  line.append(filled, '#').append(kBarWidth - filled, '.').append(figures);
  err_ << '\r' << line;
  if (line.size() < drawn_width_) err_ << std::string(drawn_width_ - line.size(), ' ');
  err_.flush();
  drawn_width_ = line.size();
}

void ProgressBar::Clear() {
  if (drawn_width_ == 0) return;
  err_ << '\r' << std::string(drawn_width_, ' ') << '\r';
  err_.flush();
  drawn_width_ = 0;
}

bool IsTerminal(int fd) {
#ifdef _WIN32
  return _isatty(fd) != 0;
#else
  return isatty(fd) != 0;
#endif
}

}  // namespace kelvane::fmt
