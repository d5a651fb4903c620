// The pipe line reader: a growing buffer, CR / LF / CR LF line ends, carry-over.
#include "frontend/line_reader.h"

#include <algorithm>

namespace kelvane::frontend {
namespace {

constexpr size_t kInitialBuffer = 4096;
constexpr size_t kMinimumFree = 512;
constexpr size_t kGrowFree = 4096;

// Position of the first CR or LF in text[from..end), or end.
size_t FindLineEnd(const std::string& text, size_t from, size_t end) {
  const char* begin = text.data();
  const char* found =
      std::find_if(begin + from, begin + end, [](char c) { return c == '\r' || c == '\n'; });
  return static_cast<size_t>(found - begin);
}

}  // namespace

// Each call first looks for a line end in the carry-over. Only when there is
// none does it move the carry-over to the front of a buffer of 4096 bytes and
// read into the free space behind it, growing the buffer so that 4096 bytes are
// free whenever fewer than 512 are. Each scan starts where the last one
// stopped, so a long line is scanned once. A CR that ends the bytes read so far
// is a line end of its own: an LF arriving with the next read is another one.
std::string LineReader::NextLine() {
  std::string& buffer = carry_;
  size_t begin = carry_begin_;
  size_t filled = buffer.size();
  size_t scanned = begin;
  for (;;) {
    const size_t end = FindLineEnd(buffer, scanned, filled);
    if (end < filled) {
      std::string line = buffer.substr(begin, end - begin);
      size_t next = end + 1;
      if (buffer[end] == '\r' && next < filled && buffer[next] == '\n') ++next;
      buffer.resize(filled);
      carry_begin_ = next;
      if (carry_begin_ == buffer.size()) {
        buffer.clear();
        carry_begin_ = 0;
      }
      return line;
    }
    if (begin > 0) {
      buffer.erase(0, begin);
      filled -= begin;
      begin = 0;
    }
    scanned = filled;
    size_t capacity = std::max(buffer.size(), kInitialBuffer);
    if (capacity - filled < kMinimumFree) capacity = filled + kGrowFree;
    buffer.resize(capacity);
    const int64_t count = source_.Read(buffer.data() + filled, capacity - filled);
    if (count <= 0) {
      at_end_ = true;
      buffer.resize(filled);
      std::string line = std::move(buffer);
      buffer.clear();
      carry_begin_ = 0;
      return line;
    }
    filled += static_cast<size_t>(count);
  }
}

}  // namespace kelvane::frontend
