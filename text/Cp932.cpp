#include "text/Cp932.h"
#include <atomic>
#include <cstdint>
#include <mutex>

namespace {

// Characters that JIS-based Unicode mappings (and so other programs' files) use where
// code page 932 has a look-alike of its own: WAVE DASH for FULLWIDTH TILDE, MINUS SIGN
// for FULLWIDTH HYPHEN-MINUS and so on. glibc maps them, Windows does not; both map
// their code page 932 forms. YEN SIGN and OVERLINE become the full-width forms, not
// 0x5C and 0x7E, which code page 932 reads as "\" and "~".
struct Substitute {
    char16_t from;
    char16_t to;
};

const Substitute kSubstitutes[] = {
    {0x00A2, 0xFFE0},  // CENT SIGN
    {0x00A3, 0xFFE1},  // POUND SIGN
    {0x00A5, 0xFFE5},  // YEN SIGN
    {0x00AC, 0xFFE2},  // NOT SIGN
    {0x2014, 0x2015},  // EM DASH
    {0x2016, 0x2225},  // DOUBLE VERTICAL LINE
    {0x203E, 0xFFE3},  // OVERLINE
    {0x2212, 0xFF0D},  // MINUS SIGN
    {0x301C, 0xFF5E},  // WAVE DASH
};

char16_t Settle(char16_t ch)
{
    for (const Substitute& substitute : kSubstitutes) {
        if (substitute.from == ch)
            return substitute.to;
    }
    return ch;
}

// Windows alone maps the single bytes 0x80, 0xA0 and 0xFD to 0xFF (to U+0080 and
// private-use characters); they are no text.
bool IsStraySingleByte(unsigned char b)
{
    return b == 0x80 || b == 0xA0 || b >= 0xFD;
}

char16_t DecodeUncached(const unsigned char* bytes, int length)
{
    if (length == 1 && IsStraySingleByte(bytes[0]))
        return 0;
    return PlatformCp932Decode(bytes, length);
}

// The code page 932 bytes of ch (>= 0x80) as one number: a lead byte in the high byte, or
// a single byte alone; 0 when there are none.
uint16_t EncodeUncached(char16_t ch)
{
    ch = Settle(ch);
    if (ch == 0x0080 || (ch >= 0xF8F0 && ch <= 0xF8F3))
        return 0;
    char bytes[2];
    int length = PlatformCp932Encode(ch, bytes);
    if (length == 1)
        return static_cast<unsigned char>(bytes[0]);
    if (length == 2)
        return static_cast<uint16_t>((static_cast<unsigned char>(bytes[0]) << 8) | static_cast<unsigned char>(bytes[1]));
    return 0;
}

// The platform converts one character per call, slowly (iconv is reset each time, Windows
// checks its arguments), so each result is asked once and kept: rows of 256 characters,
// each filled when first needed. Row 0 of the decode table holds the single bytes, row
// n the pairs with lead byte n. A worker thread may convert too, hence the lock.
struct Tables {
    std::mutex lock;
    std::atomic<bool> decodeReady[256];
    char16_t decode[256][256];
    std::atomic<bool> encodeReady[256];
    uint16_t encode[256][256];
    uint32_t utf8[256][256];
};

// A character (none: U+FFFD) as an entry of Cp932Utf8Row.
uint32_t Utf8Entry(char16_t ch)
{
    uint32_t code = ch ? ch : 0xFFFD;
    if (code < 0x80)
        return code | (1u << 24);
    if (code < 0x800)
        return (0xC0 | (code >> 6)) | ((0x80 | (code & 0x3F)) << 8) | (2u << 24);
    return (0xE0 | (code >> 12)) | ((0x80 | ((code >> 6) & 0x3F)) << 8) | ((0x80 | (code & 0x3F)) << 16) | (3u << 24);
}

Tables g_Tables;


}  // namespace

const char16_t* Cp932DecodeRow(unsigned lead)
{
    if (!g_Tables.decodeReady[lead].load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> guard(g_Tables.lock);
        if (!g_Tables.decodeReady[lead].load(std::memory_order_relaxed)) {
            for (unsigned b = 0; b < 256; ++b) {
                unsigned char bytes[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(b)};
                g_Tables.decode[lead][b] = lead == 0 ? (b < 0x80 ? static_cast<char16_t>(b) : DecodeUncached(bytes + 1, 1))
                                                     : DecodeUncached(bytes, 2);
            }
            g_Tables.decodeReady[lead].store(true, std::memory_order_release);
        }
    }
    return g_Tables.decode[lead];
}

const uint16_t* Cp932EncodeRow(unsigned high)
{
    if (!g_Tables.encodeReady[high].load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> guard(g_Tables.lock);
        if (!g_Tables.encodeReady[high].load(std::memory_order_relaxed)) {
            for (unsigned low = 0; low < 256; ++low) {
                char16_t ch = static_cast<char16_t>((high << 8) | low);
                g_Tables.encode[high][low] = ch < 0x80 ? ch : EncodeUncached(ch);
            }
            g_Tables.encodeReady[high].store(true, std::memory_order_release);
        }
    }
    return g_Tables.encode[high];
}

std::atomic<const uint32_t*> Cp932Rows::g_Utf8[256];

const uint32_t* Cp932Rows::LoadUtf8(unsigned lead)
{
    const char16_t* row = Cp932DecodeRow(lead);
    std::lock_guard<std::mutex> guard(g_Tables.lock);
    if (!g_Utf8[lead].load(std::memory_order_relaxed)) {
        for (unsigned b = 0; b < 256; ++b)
            g_Tables.utf8[lead][b] = Utf8Entry(row[b]);
        g_Utf8[lead].store(g_Tables.utf8[lead], std::memory_order_release);
    }
    return g_Tables.utf8[lead];
}

char16_t Cp932Decode(const unsigned char* bytes, int length)
{
    if (length == 1)
        return bytes[0] < 0x80 ? bytes[0] : Cp932DecodeRow(0)[bytes[0]];
    return bytes[0] == 0 ? 0 : Cp932DecodeRow(bytes[0])[bytes[1]];
}

int Cp932Encode(char16_t ch, char out[2])
{
    if (ch < 0x80) {
        out[0] = static_cast<char>(ch);
        return 1;
    }
    uint16_t code = Cp932EncodeRow(ch >> 8)[ch & 0xFF];
    if (code == 0)
        return 0;
    if (code <= 0xFF) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    out[0] = static_cast<char>(code >> 8);
    out[1] = static_cast<char>(code & 0xFF);
    return 2;
}
