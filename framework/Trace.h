// Trace lines to the debugger output (OutputDebugStringA); they have no other effect.
#pragma once

void Trace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
