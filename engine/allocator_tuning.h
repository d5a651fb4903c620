// Tells the C library's allocator how the engine uses memory.
#pragma once

namespace kelvane {

// Every pass builds a text the size of the file. Served from the heap, the
// memory of one pass is reused by the next; served by mmap, as glibc does for
// large blocks, every pass would fault in fresh pages. Call once at start-up;
// does nothing where the allocator has no such settings.
void TuneAllocatorForLargeTexts();

}  // namespace kelvane
