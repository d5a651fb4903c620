// Small helpers for the passes' forward scans. Most bytes of a text are
// copied unchanged; a pass skips to the next byte at which its pattern can
// start and copies the stretch before it in one go.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "engine/char_class.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelvane {

// "Not found", as std::string_view::find says it.
inline constexpr size_t kNone = std::string_view::npos;

// A set of bytes, asked by one table lookup. A set of a few bytes is also
// listed, so that a search can compare sixteen bytes at a time with each.
class ByteSet {
 public:
  static constexpr int kListedMax = 6;

  template <typename Predicate>
  static constexpr ByteSet Of(Predicate predicate) {
    ByteSet set;
    for (int c = 0; c < 256; ++c) {
      if (!predicate(static_cast<char>(c))) continue;
      set.has_[c] = true;
      if (set.count_ < kListedMax) set.listed_[set.count_] = static_cast<char>(c);
      ++set.count_;
    }
    return set;
  }
  constexpr bool operator()(char c) const { return has_[static_cast<unsigned char>(c)]; }
  // How many bytes the set holds, and the first kListedMax of them.
  constexpr int size() const { return count_; }
  constexpr char listed(int i) const { return listed_[static_cast<size_t>(i)]; }

 private:
  std::array<bool, 256> has_{};
  std::array<char, kListedMax> listed_{};
  int count_ = 0;
};

#if defined(__SSE2__)
// For a set of one to kListedMax bytes: the first position at or after `pos`
// that holds one of them, sixteen bytes a step, or where fewer than sixteen
// bytes are left to look at.
inline size_t SkipToListedBytes(const char* data, size_t pos, size_t size, const ByteSet& set) {
  __m128i wanted[ByteSet::kListedMax];
  const int count = set.size();
  for (int k = 0; k < count; ++k) wanted[k] = _mm_set1_epi8(set.listed(k));
  for (; pos + 16 <= size; pos += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
    __m128i hits = _mm_cmpeq_epi8(chunk, wanted[0]);
    for (int k = 1; k < count; ++k) hits = _mm_or_si128(hits, _mm_cmpeq_epi8(chunk, wanted[k]));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return pos + static_cast<size_t>(__builtin_ctz(mask));
  }
  return pos;
}
#endif

// The first position at or after `pos` whose byte is in `set`, or the end.
// Most scans pass long stretches with no byte of the set: sixteen bytes a
// step where the processor compares vectors and the set is small, else four.
inline size_t FindInSet(std::string_view text, size_t pos, const ByteSet& set) {
  const char* const data = text.data();
  const size_t size = text.size();
#if defined(__SSE2__)
  if (set.size() >= 1 && set.size() <= ByteSet::kListedMax) {
    pos = SkipToListedBytes(data, pos, size, set);
  }
#endif
  for (; pos + 4 <= size; pos += 4) {
    if (set(data[pos]) || set(data[pos + 1]) || set(data[pos + 2]) || set(data[pos + 3])) break;
  }
  while (pos < size && !set(data[pos])) ++pos;
  return pos;
}

inline size_t SkipSpaces(std::string_view text, size_t pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  return pos;
}

inline bool StartsWithAt(std::string_view text, size_t pos, std::string_view word) {
  return pos < text.size() && text[pos] == word.front() && text.size() - pos >= word.size() &&
         text.compare(pos, word.size(), word) == 0;
}

inline constexpr ByteSet kSpaces = ByteSet::Of(IsSpace);

// Builds a rewritten copy of `text` in `out` from replacements made in text
// order; the stretches between them are copied in one go each, so a rewrite
// that changes little costs little more than its scan.
class Splicer {
 public:
  Splicer(std::string_view text, std::string& out) : text_(text), out_(out) {}
  // Copies the text up to `pos`, then writes `with` in place of [pos, end).
  void Replace(size_t pos, size_t end, std::string_view with) {
    out_.append(text_, copied_, pos - copied_);
    out_.append(with);
    copied_ = end;
  }
  // Copies the rest.
  void Finish() { out_.append(text_, copied_); }

 private:
  std::string_view text_;
  std::string& out_;
  size_t copied_ = 0;
};

// Copies `text` to `out`, but hands each run of white space to
// on_run(begin, end, splicer): it replaces what it changes through the
// splicer and returns where the scan goes on (`end`, or further when it
// looked further); what it leaves alone stays as it was.
template <typename OnRun>
void RewriteWhitespaceRuns(std::string_view text, std::string& out, OnRun&& on_run) {
  Splicer splicer(text, out);
  for (size_t i = FindInSet(text, 0, kSpaces); i < text.size(); i = FindInSet(text, i, kSpaces)) {
    i = on_run(i, SkipSpaces(text, i), splicer);
  }
  splicer.Finish();
}

// "\s*\^\s*" -> "^": the text without the white space on either side of
// each "^", as the operator spacing leaves it: "2\n\t^\n\tn" -> "2^n".
inline void TightenCarets(std::string_view text, std::string& out) {
  for (size_t i = 0; i < text.size();) {
    const size_t caret = text.find('^', i);
    if (caret == std::string_view::npos) {
      out.append(text, i);
      return;
    }
    size_t before = caret;
    while (before > i && IsSpace(text[before - 1])) --before;
    out.append(text, i, before - i);
    out.push_back('^');
    i = SkipSpaces(text, caret + 1);
  }
}

// The number of TABs the line starts with.
inline size_t LeadingTabs(std::string_view line) {
  size_t n = 0;
  while (n < line.size() && line[n] == '\t') ++n;
  return n;
}

// Calls sink(tabs, rest) for every line of the text in order: the count of its
// leading TABs, and the rest of the line with its LF (the last line may have
// none).
template <typename Sink>
void ForEachLineWithItsEnd(std::string_view text, Sink&& sink) {
  for (size_t line = 0; line < text.size();) {
    const size_t content = line + LeadingTabs(text.substr(line));
    size_t end = text.find('\n', content);
    end = end == kNone ? text.size() : end + 1;
    sink(content - line, text.substr(content, end - content));
    line = end;
  }
}

// Calls line(tabs, content) for every line of the text in order, with the
// count of its leading TABs and the rest without its LF, and puts an LF into
// `out` between lines. Stops, returning false, as soon as `line` does.
template <typename Line>
bool ForEachLineBreakingOut(std::string_view text, std::string& out, Line line) {
  for (size_t start = 0;;) {
    size_t end = text.find('\n', start);
    const bool has_lf = end != kNone;
    if (!has_lf) end = text.size();
    const std::string_view whole = text.substr(start, end - start);
    const size_t tabs = LeadingTabs(whole);
    if (!line(tabs, whole.substr(tabs))) return false;
    if (!has_lf) return true;
    out.push_back('\n');
    start = end + 1;
  }
}

}  // namespace kelvane
