// Splits a child's output into lines as it arrives through a pipe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvane::frontend {

// A blocking stream of bytes, such as the read end of a pipe.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `capacity` bytes into `buffer`, waiting until some arrive or
  // the stream ends. Returns the count read, 0 at the end, negative on failure.
  virtual int64_t Read(char* buffer, size_t capacity) = 0;
};

// Returns lines without their line ends (CR LF, a lone CR or a lone LF). The
// bytes read behind a line end are kept as the carry-over for the next line.
class LineReader {
 public:
  explicit LineReader(ByteSource& source) : source_(source) {}

  // The next line. When the source ends or fails, everything read so far is
  // the line, even when that is empty; `AtEnd()` then holds.
  std::string NextLine();

  bool HasCarryOver() const { return carry_begin_ < carry_.size(); }
  bool AtEnd() const { return at_end_; }

 private:
  ByteSource& source_;
  // Bytes read behind the last line end; the carry-over is
  // carry_[carry_begin_..], kept in place so many short lines from one read
  // cost no copying.
  std::string carry_;
  size_t carry_begin_ = 0;
  bool at_end_ = false;
};

}  // namespace kelvane::frontend
