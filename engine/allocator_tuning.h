// Tells the C library's allocator how the engine uses memory.
#pragma once

namespace kelvane {

// The engine holds a few texts the size of the file and tables of its
// comments and strings; they grow as the passes run. Large blocks are mapped
// on their own, so that memory a grown buffer gives up goes back to the
// system instead of holding the heap's high-water mark up. Call once at
// start-up; does nothing where the allocator has no such settings.
void TuneAllocatorForLargeTexts();

}  // namespace kelvane
