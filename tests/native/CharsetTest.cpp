#include <gtest/gtest.h>
#include <cstdint>
#include <string>
#include "text/Charset.h"
#include "text/Cp932.h"
#include "text/SjisEncoder.h"

namespace {

// FNV-1a over everything code page 932 does: every BMP character encoded, every single
// byte and every lead/trail pair decoded.
uint32_t Cp932Fingerprint()
{
    uint32_t hash = 2166136261u;
    auto mix = [&hash](uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            hash ^= (value >> shift) & 0xFF;
            hash *= 16777619u;
        }
    };
    for (uint32_t ch = 0; ch <= 0xFFFF; ++ch) {
        if (ch >= 0xD800 && ch <= 0xDFFF)
            continue;
        char bytes[2] = {};
        int length = Cp932Encode(static_cast<char16_t>(ch), bytes);
        mix(ch);
        mix(static_cast<uint32_t>(length));
        mix((static_cast<unsigned char>(bytes[0]) << 8) | static_cast<unsigned char>(bytes[1]));
    }
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        unsigned char bytes[2] = {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code)};
        bool single = code <= 0xFF;
        if (!single && (bytes[1] < 0x40 || bytes[1] == 0x7F || bytes[1] > 0xFC))
            continue;
        mix(code);
        mix(single ? Cp932Decode(bytes + 1, 1) : Cp932Decode(bytes, 2));
    }
    return hash;
}

std::string Encode(const std::string& utf8, int* replaced = nullptr)
{
    CSjisEncoder encoder;
    std::string sjis = encoder.Encode(utf8);
    if (replaced)
        *replaced = encoder.Replaced();
    return sjis;
}

// The native build (glibc's iconv) and the Windows builds (the system's code page) give
// the same bytes for every character: the same fingerprint in every tree.
TEST(CharsetTest, CodePage932IsTheSameOnEveryPlatform)
{
    EXPECT_EQ("\x81\x60\x81\x60", Encode(u8"〜～"));      // WAVE DASH, FULLWIDTH TILDE
    EXPECT_EQ("\x81\x7C\x81\x7C", Encode(u8"−－"));      // MINUS SIGN, FULLWIDTH HYPHEN-MINUS
    EXPECT_EQ("\x81\x8F\x81\x50\\~", Encode(u8"¥‾\\~"));  // YEN SIGN, OVERLINE
    EXPECT_EQ("\x81\x61\x81\x5C\x81\x91", Encode(u8"‖—¢"));
    EXPECT_EQ("\xFA\x40\xFA\x5C\x87\x40", Encode(u8"ⅰ纊①"));  // IBM extensions, NEC row 13
    EXPECT_EQ(u8"纊～\\", Charset::SjisToUtf8("\xED\x40\x81\x60\x5C"));
    EXPECT_EQ(0xC34B6154u, Cp932Fingerprint());
}

TEST(CharsetTest, MalformedOrForeignTextBecomesCountedQuestionMarks)
{
    int replaced = 0;
    // A cut UTF-8 sequence, an overlong "/" (two bad bytes), a character beyond the BMP, U+0080.
    EXPECT_EQ("a?(??b?c?", Encode("a\xC3(\xC0\xAF" "b\xF0\x9F\x98\x80" "c\xC2\x80", &replaced));
    EXPECT_EQ(5, replaced);
    // UTF-16 with a byte-order mark: a surrogate pair, an unpaired surrogate, an odd byte.
    EXPECT_EQ(u8"A\U0001F600\uFFFDB\uFFFD", Charset::FileTextToUtf8(std::string("\xFF\xFE" "A\0=\xD8\x00\xDE\x00\xD8" "B\0\x01", 13)));
    EXPECT_EQ(u8"AB", Charset::FileTextToUtf8(std::string("\xFE\xFF\0A\0B", 6)));
    // A Shift-JIS lead byte without its trail byte leaves the comma after it a comma.
    EXPECT_EQ(u8"\uFFFD,あ", Charset::FileTextToUtf8("\x82,\x82\xA0"));
    // Text that is no UTF-8 is Shift-JIS; a byte-order mark makes it UTF-8 regardless.
    EXPECT_EQ(u8"ｱ", Charset::FileTextToUtf8("\xB1"));
    EXPECT_EQ(u8"\uFFFD", Charset::FileTextToUtf8("\xEF\xBB\xBF\xB1"));
}

// Long texts are converted through a buffer of their own: at every alignment of ASCII runs,
// half-width kana and kanji against its end, the result is the one of each character
// decoded alone.
TEST(CharsetTest, LongShiftJisTextIsEachCharacterDecoded)
{
    uint32_t seed = 7;
    auto next = [&seed](uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % range;
    };
    for (int text = 0; text < 8; ++text) {
        std::string sjis;
        std::string expected;
        while (sjis.size() < 20000) {
            uint32_t kind = next(3);
            if (kind == 0) {
                for (uint32_t n = next(24); n > 0; --n) {
                    sjis += static_cast<char>('a' + next(26));
                    expected += sjis.back();
                }
            } else {
                unsigned char bytes[2] = {static_cast<unsigned char>(kind == 1 ? 0xA1 + next(63) : 0x88 + next(8)),
                                          static_cast<unsigned char>(0x9F + next(90))};
                int length = kind == 1 ? 1 : 2;
                sjis.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
                char16_t ch = Cp932Decode(bytes, length);
                Charset::AppendUtf8(expected, ch ? ch : Charset::kReplacement);
            }
        }
        ASSERT_EQ(expected, Charset::SjisToUtf8(sjis)) << "text " << text;
    }
}

}  // namespace
