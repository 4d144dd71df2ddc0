// Code page 932 (Shift-JIS as Windows defines it), one character at a time, from tables
// that are filled from the platform as characters are first needed. The exchange
// formats (vCard, CSV) convert through it. The platform supplies the tables: Windows its
// own code page, native builds glibc's iconv. The two differ on a handful of characters,
// which Cp932Decode and Cp932Encode settle the same way on both, so every platform gives
// the same bytes for the same text.
#pragma once
#include <atomic>
#include <cstdint>

// The UTF-16 unit of one Shift-JIS character of 1 or 2 bytes; 0 when it has none.
char16_t Cp932Decode(const unsigned char* bytes, int length);

// Writes the 1 or 2 bytes of a BMP character to out and returns their number; 0 when code
// page 932 cannot hold the character.
int Cp932Encode(char16_t ch, char out[2]);

// Cp932Encode's table for the 256 characters whose high byte is high: each entry the
// bytes of one character as one number (a lead byte in the high byte, or a single byte
// alone), 0 for none. For converters that look up many characters at a time.
const uint16_t* Cp932EncodeRow(unsigned high);
// Cp932Decode's table for the pairs with lead byte lead (row 0: the single bytes), each the
// UTF-16 unit of one character or 0, for converters that decode many characters at a time.
const char16_t* Cp932DecodeRow(unsigned lead);

// The same rows as UTF-8: each entry the UTF-8 bytes of one character (U+FFFD for none) in
// its low three bytes, the first lowest, and their number in its high byte. A row once made
// is found without a call (a converter asks for one each character).
namespace Cp932Rows {
extern std::atomic<const uint32_t*> g_Utf8[256];
const uint32_t* LoadUtf8(unsigned lead);
}  // namespace Cp932Rows

inline const uint32_t* Cp932Utf8Row(unsigned lead)
{
    const uint32_t* row = Cp932Rows::g_Utf8[lead].load(std::memory_order_acquire);
    return row ? row : Cp932Rows::LoadUtf8(lead);
}

// The platform's own conversions, without the settling above (Cp932Win.cpp or
// Cp932Native.cpp).
char16_t PlatformCp932Decode(const unsigned char* bytes, int length);
int PlatformCp932Encode(char16_t ch, char out[2]);
