// Shift-JIS (code page 932) character walking for the store's texts.
// Used wherever a text is scanned for a single-byte character or cut to a length.
#pragma once
#include <cstddef>

// True when b opens a two-byte Shift-JIS character.
constexpr bool IsSjisLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The largest length <= maxLen at which text (of length len) can be cut without
// splitting a two-byte character.
size_t SjisCutLength(const char* text, size_t len, size_t maxLen);
