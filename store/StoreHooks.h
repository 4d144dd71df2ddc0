// The store's few contacts with the platform: a message box for failures, the debugger
// trace, the heap and the writes of address files. The Windows build points them at
// MessageBoxA and OutputDebugStringA, and both builds at the store's own heap (StoreHeap);
// native builds trace nowhere and tests may replace any of them (a failing write stands
// for a full disk, a failing allocation for memory that is out).
#pragma once
#include <cstddef>
#include <cstdio>

struct StoreHooks {
    // Shows text with caption and the error icon, without owner window.
    void (*reportError)(const char* text, const char* caption);
    void (*trace)(const char* line);
    // Nodes and their texts: a block of size bytes, or none; release takes a block back
    // with the size it was asked for.
    void* (*allocate)(size_t size);
    void (*release)(void* block, size_t size);
    // Writes size bytes to file; the number written, less than size on failure.
    size_t (*write)(const void* data, size_t size, FILE* file);
};

extern StoreHooks g_StoreHooks;

void StoreTrace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// A heap copy of text made with the store's allocator, or none when allocation fails.
char* StoreStrDup(const char* text);
// Releases a copy made by StoreStrDup (none is allowed); the text must be as it was made.
void StoreStrFree(char* text);

// The platform's own write, the default of StoreHooks::write.
size_t StoreFileWrite(const void* data, size_t size, FILE* file);
