// Small helpers for the passes' forward scans. Most bytes of a text are
// copied unchanged; a pass skips to the next byte at which its pattern can
// start and copies the stretch before it in one go.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "engine/char_class.h"

namespace kelvane {

class ByteSet {
 public:
  template <typename Predicate>
  static constexpr ByteSet Of(Predicate predicate) {
    ByteSet set;
    for (int c = 0; c < 256; ++c) set.has_[c] = predicate(static_cast<char>(c));
    return set;
  }
  constexpr bool operator()(char c) const { return has_[static_cast<unsigned char>(c)]; }

 private:
  std::array<bool, 256> has_{};
};

// The first position at or after `pos` whose byte is in `set`, or the end.
// Four bytes a step: most scans pass long stretches with no byte of the set.
inline size_t FindInSet(std::string_view text, size_t pos, const ByteSet& set) {
  const char* const data = text.data();
  const size_t size = text.size();
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

}  // namespace kelvane
