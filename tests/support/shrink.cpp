// Chunk-deleting shrinker: halves the chunk size whenever a whole sweep
// removes nothing, and sweeps again at the same size after any success.

#include "tests/support/shrink.h"

namespace kelvane::test_support {

std::string Shrink(std::string input, const std::function<bool(std::string_view)>& still_fails,
                   size_t max_tries) {
  size_t tries = 0;
  size_t chunk = input.size() / 2;
  if (chunk == 0) chunk = 1;
  while (chunk >= 1 && !input.empty()) {
    bool removed_any = false;
    for (size_t start = 0; start < input.size();) {
      if (tries++ >= max_tries) return input;
      std::string candidate = input;
      candidate.erase(start, chunk);
      if (still_fails(candidate)) {
        input = std::move(candidate);
        removed_any = true;
      } else {
        start += chunk;
      }
    }
    if (!removed_any) {
      if (chunk == 1) break;
      chunk /= 2;
    }
  }
  return input;
}

}  // namespace kelvane::test_support
