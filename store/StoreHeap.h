// The store's heap: the default allocator of StoreHooks, for nodes and their names and
// address texts. Small blocks (all nodes, nearly every name and address) are cut from large
// chunks by size class, with no header of their own, and a released block is kept for the
// next block of its class; larger ones come from the C heap. A book of 100,000 addresses
// then costs its nodes and texts and little more, where the C heap adds a header and its
// rounding to each of the 300,000 blocks.
// The store runs on one thread (the host's user-interface thread); so does its heap.
#pragma once
#include <cstddef>

// A block of size bytes (aligned for a node), or none when memory is out.
void* StoreHeapAllocate(size_t size);
// Releases a block that StoreHeapAllocate gave for the same size.
void StoreHeapRelease(void* block, size_t size);
// The bytes the heap holds in chunks (used or kept for reuse), for the benchmarks.
size_t StoreHeapChunkBytes();
