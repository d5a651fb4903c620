// Allocator settings for texts of many megabytes.

#include "engine/allocator_tuning.h"

#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kelvane {

void TuneAllocatorForLargeTexts() {
#if defined(__GLIBC__) && defined(M_MMAP_THRESHOLD)
  mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest glibc accepts
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_TOP_PAD, 256 << 20);  // address space only: pages count once touched
#endif
}

}  // namespace kelvane
