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
inline size_t FindInSet(std::string_view text, size_t pos, const ByteSet& set) {
  while (pos < text.size() && !set(text[pos])) ++pos;
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
