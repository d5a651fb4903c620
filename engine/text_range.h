// A stretch of a text, by byte positions.
#pragma once

#include <cstddef>

namespace kelvane {

struct TextRange {
  size_t begin = 0;
  size_t end = 0;  // one past the last byte
};

}  // namespace kelvane
