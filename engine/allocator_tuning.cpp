// Allocator settings for texts of many megabytes.

#include "engine/allocator_tuning.h"

#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace kelvane {

void TuneAllocatorForLargeTexts() {
#if defined(__GLIBC__) && defined(M_MMAP_THRESHOLD)
  constexpr size_t kHeapReserve = size_t{256} << 20;
  mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest glibc accepts
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_TOP_PAD, static_cast<int>(kHeapReserve));  // address space only until touched
#if defined(MADV_HUGEPAGE)
  // Let the heap, where the texts live, be backed by huge pages where the
  // system allows it: a 20 MB text then costs ten page faults, not five
  // thousand. A block larger than the heap's free top makes it grow by the
  // reserve, so that the range exists.
  char* const heap_start = static_cast<char*>(sbrk(0));
  void* volatile block = std::malloc(size_t{1} << 20);  // volatile: kept, not elided
  std::free(block);
  char* const heap_end = static_cast<char*>(sbrk(0));
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(heap_start) + page - 1) & ~(page - 1);
  const uintptr_t end = reinterpret_cast<uintptr_t>(heap_end) & ~(page - 1);
  if (heap_start != reinterpret_cast<char*>(-1) && end > begin) {
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
#endif
#endif
}

}  // namespace kelvane
