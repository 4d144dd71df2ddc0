#include "text/Cp932.h"

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

}  // namespace

char16_t Cp932Decode(const unsigned char* bytes, int length)
{
    if (length == 1 && bytes[0] < 0x80)
        return bytes[0];
    if (length == 1 && IsStraySingleByte(bytes[0]))
        return 0;
    return PlatformCp932Decode(bytes, length);
}

int Cp932Encode(char16_t ch, char out[2])
{
    if (ch < 0x80) {
        out[0] = static_cast<char>(ch);
        return 1;
    }
    ch = Settle(ch);
    if (ch == 0x0080 || (ch >= 0xF8F0 && ch <= 0xF8F3))
        return 0;
    return PlatformCp932Encode(ch, out);
}
