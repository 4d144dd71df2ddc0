// The readers' search of a text for the first of three bytes (a line end, a field's or a
// head's end), sixteen bytes a step with SSE2: always on x86-64, and in the 32-bit DLL
// when the processor has it (asked once), for the 32-bit build cannot assume it.
#pragma once
#include <cstddef>

// Where the first of a, b and c is in data from i on; size when there is none.
size_t FindFirstOfThree(const char* data, size_t i, size_t size, char a, char b, char c);
