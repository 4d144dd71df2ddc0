#include "store/StoreHooks.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

void StoreTrace(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length >= 0) {
        std::string line(static_cast<size_t>(length) + 1, '\0');
        std::vsnprintf(&line[0], line.size(), format, args);
        g_StoreHooks.trace(line.c_str());
    }
    va_end(args);
}

char* StoreStrDup(const char* text)
{
    size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(g_StoreHooks.allocate(size));
    if (copy)
        std::memcpy(copy, text, size);
    return copy;
}

void StoreStrFree(char* text)
{
    if (text)
        g_StoreHooks.release(text, std::strlen(text) + 1);
}

size_t StoreFileWrite(const void* data, size_t size, FILE* file)
{
    return std::fwrite(data, 1, size, file);
}
