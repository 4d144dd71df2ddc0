#include "exchange/SjisToUtf8.h"
#include "store/Sjis.h"
#include "text/Charset.h"
#include "text/Cp932.h"

const char16_t* CSjisToUtf8::Row(unsigned lead)
{
    if (!m_Rows[lead])
        m_Rows[lead] = Cp932DecodeRow(lead);
    return m_Rows[lead];
}

// The characters are put together in a buffer on the stack and appended a buffer at a time.
void CSjisToUtf8::Append(std::string& out, const char* text)
{
    if (!text)
        return;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    char buffer[512];
    size_t used = 0;
    for (;;) {
        if (used > sizeof buffer - 3) {
            out.append(buffer, used);
            used = 0;
        }
        unsigned char b = *p;
        if (b < 0x80) {
            if (!b)
                break;
            buffer[used++] = static_cast<char>(b);
            ++p;
            continue;
        }
        char16_t ch;
        if (!IsSjisLeadByte(b)) {
            ch = Row(0)[b];
            p += 1;
        } else if (p[1] >= 0x40 && p[1] <= 0xFC && p[1] != 0x7F) {
            ch = Row(b)[p[1]];
            p += 2;
        } else {
            ch = 0;
            p += 1;
        }
        char32_t code = ch ? ch : Charset::kReplacement;
        if (code < 0x800) {
            buffer[used++] = static_cast<char>(0xC0 | (code >> 6));
        } else {
            buffer[used++] = static_cast<char>(0xE0 | (code >> 12));
            buffer[used++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        buffer[used++] = static_cast<char>(0x80 | (code & 0x3F));
    }
    out.append(buffer, used);
}
