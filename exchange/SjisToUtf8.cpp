#include "exchange/SjisToUtf8.h"
#include <cstring>
#include "store/Sjis.h"
#include "text/Charset.h"
#include "text/Cp932.h"

const char16_t* CSjisToUtf8::Row(unsigned lead)
{
    if (!m_Rows[lead])
        m_Rows[lead] = Cp932DecodeRow(lead);
    return m_Rows[lead];
}

char* CSjisToUtf8::Write(const char* text, size_t length, char* out)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = p + length;
    while (p != end) {
        unsigned char b = *p;
        if (b < 0x80) {
            *out++ = static_cast<char>(b);
            ++p;
            continue;
        }
        char16_t ch;
        if (!IsSjisLeadByte(b)) {
            ch = Row(0)[b];
            p += 1;
        } else if (end - p >= 2 && p[1] >= 0x40 && p[1] <= 0xFC && p[1] != 0x7F) {
            ch = Row(b)[p[1]];
            p += 2;
        } else {
            ch = 0;
            p += 1;
        }
        char32_t code = ch ? ch : Charset::kReplacement;
        if (code < 0x800) {
            *out++ = static_cast<char>(0xC0 | (code >> 6));
        } else {
            *out++ = static_cast<char>(0xE0 | (code >> 12));
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
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
