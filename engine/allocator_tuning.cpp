// Allocator settings for texts of many megabytes.

#include "engine/allocator_tuning.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kelvane {

void TuneAllocatorForLargeTexts() {
#if defined(__GLIBC__) && defined(M_MMAP_THRESHOLD)
  // Blocks of a megabyte and more (the texts, the tables and their vectors)
  // are mapped on their own and go back to the system when freed. Carved from
  // the heap, a buffer that grows leaves a hole that its larger successor
  // does not fit, so the heap's high-water mark climbs with every growth: 8×
  // the input on a 16 MB file, against 6.6× mapped. The passes reuse their
  // two text buffers (CodeState::Scratch), so fresh pages are faulted in only
  // when a text outgrows them.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  // The small blocks' pages stay for reuse rather than being handed back
  // after every pass.
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

}  // namespace kelvane
