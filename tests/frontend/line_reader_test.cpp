// Tests for splitting a pipe's bytes into lines, read by read.
#include "frontend/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>

namespace kelvane::frontend {
namespace {

// Hands out the given reads one by one (a read larger than the space offered
// is split), then reports the end of the stream, or a failure.
class ScriptedSource : public ByteSource {
 public:
  ScriptedSource(std::vector<std::string> reads, int64_t at_end)
      : reads_(reads.begin(), reads.end()), at_end_(at_end) {}

  int64_t Read(char* buffer, size_t capacity) override {
    EXPECT_GE(capacity, 512u) << "the reader offers too little space";
    if (reads_.empty()) return at_end_;
    std::string& next = reads_.front();
    const size_t count = std::min(capacity, next.size());
    std::memcpy(buffer, next.data(), count);
    next.erase(0, count);
    if (next.empty()) reads_.pop_front();
    return static_cast<int64_t>(count);
  }

 private:
  std::deque<std::string> reads_;
  int64_t at_end_;
};

std::vector<std::string> ReadLines(std::vector<std::string> reads, int64_t at_end = 0) {
  ScriptedSource source(std::move(reads), at_end);
  LineReader reader(source);
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.NextLine());
  return lines;
}

TEST(LineReaderTest, SplitsAtEveryKindOfLineEnd) {
  const std::string long_line(10'000, 'q');
  const struct {
    const char* name;
    std::vector<std::string> reads;
    std::vector<std::string> expected;
  } rows[] = {
      {"CR LF, CR, LF, unterminated", {"a\r\nb\re\nd"}, {"a", "b", "e", "d"}},
      {"empty line between LFs", {"x\n\ny\n"}, {"x", "", "y", ""}},
      {"CR ends one read, LF starts the next", {"a\r", "\nb\n"}, {"a", "", "b", ""}},
      {"CR LF within one read", {"a\r\n", "b"}, {"a", "b"}},
      {"line spread over reads", {"ab", "cd", "e\nf"}, {"abcde", "f"}},
      {"10,000 characters without a line end", {long_line}, {long_line}},
      {"long line then short ones", {long_line + "\nz\n"}, {long_line, "z", ""}},
      {"nothing at all", {}, {""}},
  };
  for (const auto& row : rows) EXPECT_EQ(ReadLines(row.reads), row.expected) << "row: " << row.name;
}

TEST(LineReaderTest, AFailingReadDeliversWhatWasRead) {
  EXPECT_EQ(ReadLines({"ok\nhalf"}, -1), (std::vector<std::string>{"ok", "half"}));
}

TEST(LineReaderTest, ManyLinesFromOneLargeRead) {
  std::string text;
  std::vector<std::string> expected;
  for (int i = 0; i < 3000; ++i) {
    expected.push_back("line " + std::to_string(i));
    text += expected.back() + (i % 2 == 0 ? "\r\n" : "\n");
  }
  expected.push_back("");
  // A long first line grows the buffer, so later reads bring many lines at once.
  const std::string first(9000, 'f');
  expected.insert(expected.begin(), first);
  EXPECT_EQ(ReadLines({first + "\n" + text}), expected);
}

TEST(LineReaderTest, KeepsBytesBehindALineEndAsCarryOver) {
  ScriptedSource source({"a\nb\n"}, 0);
  LineReader reader(source);
  EXPECT_FALSE(reader.HasCarryOver());
  EXPECT_EQ(reader.NextLine(), "a");
  EXPECT_TRUE(reader.HasCarryOver());
  EXPECT_EQ(reader.NextLine(), "b");
  EXPECT_FALSE(reader.HasCarryOver());
  EXPECT_FALSE(reader.AtEnd());
}

}  // namespace
}  // namespace kelvane::frontend
