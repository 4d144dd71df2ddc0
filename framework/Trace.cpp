#include "framework/Trace.h"
#include <windows.h>
#include <cstdarg>
#include <cstdio>
#include <string>

void Trace(const char* format, ...)
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
        OutputDebugStringA(line.c_str());
    }
    va_end(args);
}
