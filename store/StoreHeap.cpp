#include "store/StoreHeap.h"
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define STORE_HEAP_POISON(block, size) ASAN_POISON_MEMORY_REGION(block, size)
#define STORE_HEAP_UNPOISON(block, size) ASAN_UNPOISON_MEMORY_REGION(block, size)
#else
#define STORE_HEAP_POISON(block, size) ((void)(block), (void)(size))
#define STORE_HEAP_UNPOISON(block, size) ((void)(block), (void)(size))
#endif

namespace {

// Blocks are whole units of a pointer's size (a node's alignment; a free block holds the
// link to the next free one of its class).
const size_t kUnit = sizeof(void*);
const size_t kLargestSmall = 256;
const size_t kClasses = kLargestSmall / kUnit + 1;
const size_t kFirstChunk = 16 * 1024;
const size_t kLargestChunk = 256 * 1024;

struct Chunk {
    Chunk* next;
};

struct Heap {
    void* freeBlocks[kClasses] = {};
    char* cut = nullptr;  // the unused rest of the newest chunk
    size_t left = 0;
    Chunk* chunks = nullptr;
    size_t chunkBytes = 0;
    size_t nextChunk = kFirstChunk;
};

// Never destroyed: the process's last stores release their nodes during its static
// destruction, and the chunks end with the process.
Heap& TheHeap()
{
    static Heap* heap = new Heap;
    return *heap;
}

size_t ClassOf(size_t size)
{
    return (size + kUnit - 1) / kUnit;
}

// A new chunk for blocks of class units: the rest of the old one goes to its own class.
bool NewChunk(Heap& heap, size_t units)
{
    size_t header = (sizeof(Chunk) + kUnit - 1) / kUnit * kUnit;
    size_t size = heap.nextChunk;
    while (size < header + units * kUnit)
        size *= 2;
    Chunk* chunk = static_cast<Chunk*>(std::malloc(size));
    if (!chunk)
        return false;
    if (heap.left >= kUnit) {
        size_t restClass = heap.left / kUnit;
        STORE_HEAP_UNPOISON(heap.cut, sizeof(void*));
        std::memcpy(heap.cut, &heap.freeBlocks[restClass], sizeof(void*));
        STORE_HEAP_POISON(heap.cut, heap.left);
        heap.freeBlocks[restClass] = heap.cut;
    }
    chunk->next = heap.chunks;
    heap.chunks = chunk;
    heap.chunkBytes += size;
    heap.cut = reinterpret_cast<char*>(chunk) + header;
    heap.left = size - header;
    STORE_HEAP_POISON(heap.cut, heap.left);
    if (heap.nextChunk < kLargestChunk)
        heap.nextChunk *= 2;
    return true;
}

}  // namespace

void* StoreHeapAllocate(size_t size)
{
    if (size == 0)
        size = 1;
    if (size > kLargestSmall)
        return std::malloc(size);
    Heap& heap = TheHeap();
    size_t units = ClassOf(size);
    void* block = heap.freeBlocks[units];
    if (block) {
        STORE_HEAP_UNPOISON(block, sizeof(void*));
        std::memcpy(&heap.freeBlocks[units], block, sizeof(void*));
    } else {
        if (heap.left < units * kUnit && !NewChunk(heap, units))
            return nullptr;
        block = heap.cut;
        heap.cut += units * kUnit;
        heap.left -= units * kUnit;
    }
    STORE_HEAP_UNPOISON(block, size);
    return block;
}

void StoreHeapRelease(void* block, size_t size)
{
    if (!block)
        return;
    if (size == 0)
        size = 1;
    if (size > kLargestSmall) {
        std::free(block);
        return;
    }
    Heap& heap = TheHeap();
    size_t units = ClassOf(size);
    STORE_HEAP_POISON(block, units * kUnit);
    STORE_HEAP_UNPOISON(block, sizeof(void*));
    std::memcpy(block, &heap.freeBlocks[units], sizeof(void*));
    STORE_HEAP_POISON(block, units * kUnit);
    heap.freeBlocks[units] = block;
}

size_t StoreHeapChunkBytes()
{
    return TheHeap().chunkBytes;
}
