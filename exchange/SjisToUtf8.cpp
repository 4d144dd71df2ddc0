#include "exchange/SjisToUtf8.h"
#include <cstring>
#include "store/Sjis.h"
#include "text/Charset.h"
#include "text/Cp932.h"

namespace {

// The UTF-8 bytes of a character as a row entry; U+FFFD for none.
uint32_t Utf8Entry(char16_t ch)
{
    char32_t code = ch ? ch : Charset::kReplacement;
    if (code < 0x800)
        return (0xC0 | (code >> 6)) | ((0x80 | (code & 0x3F)) << 8) | (2u << 24);
    return (0xE0 | (code >> 12)) | ((0x80 | ((code >> 6) & 0x3F)) << 8) | ((0x80 | (code & 0x3F)) << 16) | (3u << 24);
}

}  // namespace

const uint32_t* CSjisToUtf8::LoadRow(unsigned lead)
{
    const char16_t* row = Cp932DecodeRow(lead);
    m_Rows[lead].reset(new uint32_t[256]);
    for (unsigned b = 0; b < 256; ++b)
        m_Rows[lead][b] = Utf8Entry(row[b]);
    return m_Rows[lead].get();
}

// Every entry's three bytes are stored and the entry's count of them kept, which stays
// within the room of three bytes a byte: the bytes written so far are never more than
// three times those read.
char* CSjisToUtf8::Write(const char* text, size_t length, char* out)
{
    static const uint32_t kReplacement = Utf8Entry(0);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = p + length;
    while (p != end) {
        unsigned char b = *p;
        if (b < 0x80) {
            *out++ = static_cast<char>(b);
            ++p;
            continue;
        }
        uint32_t entry;
        if (!IsSjisLeadByte(b)) {
            entry = Row(0)[b];
            p += 1;
        } else if (end - p >= 2 && p[1] >= 0x40 && p[1] <= 0xFC && p[1] != 0x7F) {
            entry = Row(b)[p[1]];
            p += 2;
        } else {
            entry = kReplacement;
            p += 1;
        }
        out[0] = static_cast<char>(entry);
        out[1] = static_cast<char>(entry >> 8);
        out[2] = static_cast<char>(entry >> 16);
        out += entry >> 24;
    }
    return out;
}

void CSjisToUtf8::Append(std::string& out, const char* text)
{
    if (!text)
        return;
    size_t length = std::strlen(text);
    size_t start = out.size();
    out.resize(start + 3 * length);
    char* end = Write(text, length, &out[0] + start);
    out.resize(static_cast<size_t>(end - out.data()));
}

std::string_view CSjisToUtf8::Convert(const char* text, size_t length, std::string& room)
{
    if (room.size() < 3 * length)
        room.resize(3 * length);
    char* begin = &room[0];
    return std::string_view(begin, static_cast<size_t>(Write(text, length, begin) - begin));
}
