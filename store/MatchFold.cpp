#include "store/MatchFold.h"
#include "store/Sjis.h"

namespace {

// Full-width forms of "!" to "~" (U+FF01 to U+FF5E) in code page 932, in that order.
const unsigned short kWideAscii[94] = {
    0x8149, 0xFA57, 0x8194, 0x8190, 0x8193, 0x8195, 0xFA56, 0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144,
    0x815E, 0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256, 0x8257, 0x8258, 0x8146, 0x8147, 0x8183,
    0x8181, 0x8184, 0x8148, 0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266, 0x8267, 0x8268, 0x8269,
    0x826A, 0x826B, 0x826C, 0x826D, 0x826E, 0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276, 0x8277,
    0x8278, 0x8279, 0x816D, 0x815F, 0x816E, 0x814F, 0x8151, 0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286,
    0x8287, 0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F, 0x8290, 0x8291, 0x8292, 0x8293, 0x8294,
    0x8295, 0x8296, 0x8297, 0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8160,
};

// Half-width katakana and signs 0xA1 to 0xDF as their full-width characters.
const unsigned short kHalfKana[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385,
    0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350, 0x8352,
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384,
    0x8386, 0x8388, 0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,
};

const unsigned char kVoicedMark = 0xDE;
const unsigned char kSemiVoicedMark = 0xDF;

// Full-width characters with an ASCII form: the table, the older code of two signs, and
// the full-width space.
int AsciiOfWide(unsigned short code)
{
    if (code == 0x8140)
        return ' ';
    if (code == 0xEEFC)
        return '"';
    if (code == 0xEEFB)
        return '\'';
    for (int i = 0; i < 94; ++i) {
        if (kWideAscii[i] == code)
            return '!' + i;
    }
    return -1;
}

// A table from the second byte of the 0x81 and 0x82 rows (where every full-width ASCII
// form lies but two) to the ASCII character, filled once.
struct WideTable {
    signed char ascii[2][256];
    WideTable()
    {
        for (int row = 0; row < 2; ++row) {
            for (int trail = 0; trail < 256; ++trail)
                ascii[row][trail] = static_cast<signed char>(AsciiOfWide(static_cast<unsigned short>(((0x81 + row) << 8) | trail)));
        }
    }
};

int WideToAscii(unsigned short code)
{
    static const WideTable table;
    unsigned lead = code >> 8;
    if (lead == 0x81 || lead == 0x82)
        return table.ascii[lead - 0x81][code & 0xFF];
    return (code == 0xFA57 || code == 0xEEFC) ? '"' : (code == 0xFA56 || code == 0xEEFB) ? '\'' : -1;
}

// The kana that takes a voiced (+1) or semi-voiced (+2) mark, as its marked character.
unsigned short WithMark(unsigned short kana, unsigned char mark)
{
    static const unsigned short kVoiceable[] = {0x834A, 0x834C, 0x834E, 0x8350, 0x8352, 0x8354, 0x8356, 0x8358,
                                                0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367};
    static const unsigned short kHaRow[] = {0x836E, 0x8371, 0x8374, 0x8377, 0x837A};
    for (unsigned short ha : kHaRow) {
        if (ha == kana)
            return static_cast<unsigned short>(kana + (mark == kSemiVoicedMark ? 2 : 1));
    }
    if (mark != kVoicedMark)
        return 0;
    if (kana == 0x8345)
        return 0x8394;  // ウ and the voiced mark: ヴ
    for (unsigned short voiceable : kVoiceable) {
        if (voiceable == kana)
            return static_cast<unsigned short>(kana + 1);
    }
    return 0;
}

// Katakana ァ to ン as hiragana ぁ to ん; ヴ, ヵ and ヶ have no hiragana here and stay.
unsigned short KatakanaToHiragana(unsigned short code)
{
    if (code < 0x8340 || code > 0x8393 || code == 0x837F)
        return code;
    unsigned index = code < 0x837F ? code - 0x8340 : code - 0x8341;
    return static_cast<unsigned short>(0x829F + index);
}

void AppendWide(unsigned short code, std::string& out)
{
    code = KatakanaToHiragana(code);
    out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
}

void AppendAscii(int c, std::string& out)
{
    out.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
}

}  // namespace

void AppendFolded(const char* text, size_t len, std::string& out)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < len; ++i) {
        unsigned char b = bytes[i];
        if (IsSjisLeadByte(b) && i + 1 < len) {
            unsigned short code = static_cast<unsigned short>((b << 8) | bytes[++i]);
            int ascii = WideToAscii(code);
            if (ascii >= 0)
                AppendAscii(ascii, out);
            else
                AppendWide(code, out);
        } else if (b >= 0xA1 && b <= 0xDF) {
            unsigned short code = kHalfKana[b - 0xA1];
            if (i + 1 < len && (bytes[i + 1] == kVoicedMark || bytes[i + 1] == kSemiVoicedMark)) {
                unsigned short marked = WithMark(code, bytes[i + 1]);
                if (marked) {
                    code = marked;
                    ++i;
                }
            }
            AppendWide(code, out);
        } else {
            AppendAscii(b, out);
        }
    }
}
