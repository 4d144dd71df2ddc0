#include <gtest/gtest.h>
#include <string>
#include "text/Charset.h"
#include "text/CharsetGuess.h"
#include "text/SjisEncoder.h"

namespace {

// The name's bytes in code; empty when the code cannot hold it.
std::string Encoded(const std::string& utf8, TextCode code)
{
    if (code == TextCode::kUtf8)
        return utf8;
    if (code == TextCode::kWindows1252) {
        std::string out;
        for (size_t pos = 0; pos < utf8.size();) {
            char32_t ch = Charset::NextUtf8(utf8, pos);
            if (ch > 0xFF || (ch >= 0x80 && ch < 0xA0))
                return "";
            out += static_cast<char>(ch);
        }
        return out;
    }
    CSjisEncoder encoder;
    std::string sjis = encoder.Encode(utf8);
    if (encoder.Replaced() || code == TextCode::kShiftJis)
        return encoder.Replaced() ? "" : sjis;
    // EUC-JP from Shift-JIS: the pair's JIS row and cell with their high bits set, a
    // half-width katakana after 0x8E.
    std::string euc;
    for (size_t i = 0; i < sjis.size(); ++i) {
        unsigned char lead = static_cast<unsigned char>(sjis[i]);
        if (lead < 0x80) {
            euc += static_cast<char>(lead);
        } else if (lead >= 0xA1 && lead <= 0xDF) {
            euc += '\x8E';
            euc += static_cast<char>(lead);
        } else {
            unsigned char trail = static_cast<unsigned char>(sjis[++i]);
            if (lead >= 0xED)
                return "";  // the extensions of code page 932 have no EUC-JP form
            int row = (lead <= 0x9F ? lead - 0x70 : lead - 0xB0) * 2 - (trail < 0x9F ? 1 : 0);
            int cell = trail < 0x9F ? trail - (trail >= 0x80 ? 0x20 : 0x1F) : trail - 0x7E;
            euc += static_cast<char>(row | 0x80);
            euc += static_cast<char>(cell | 0x80);
        }
    }
    return euc;
}

const char* Name(TextCode code)
{
    const char* names[] = {"UTF-8", "Shift-JIS", "EUC-JP", "Windows-1252"};
    return names[static_cast<int>(code)];
}

// Every name of an address book, in every code that holds it, is read in that code, whichever
// code the context favours; each reading decodes to the name. Short values are the hard
// case: one name of a one-card file, half-width kana from phones.
TEST(CharsetGuessTest, EveryNameIsReadInTheCodeItWasWrittenIn)
{
    const char* names[] = {
        u8"佐藤 健", u8"田中 美咲", u8"山本 蓮", u8"鈴木 一郎", u8"高橋 さくら", u8"渡辺 翔太", u8"伊藤 結衣",
        u8"中村 陽菜", u8"小林 大翔", u8"加藤 恵", u8"山田 太郎", u8"株式会社ベルモラ", u8"営業部 木村",
        u8"ﾐｶ ﾐｷ", u8"ﾔﾏﾀﾞ ﾀﾛｳ", u8"ｽｽﾞｷ", u8"ﾒｳﾐｺ", u8"René Dubois", u8"Jürgen Müller", u8"Zoë O'Neil",
        u8"François Lefèvre", u8"Ångström", u8"José Núñez", u8"やまだ はなこ", u8"サトウ タロウ", u8"山田　花子（営業）",
    };
    const TextCode codes[] = {TextCode::kUtf8, TextCode::kShiftJis, TextCode::kEucJp, TextCode::kWindows1252};
    for (const char* name : names) {
        for (TextCode code : codes) {
            std::string bytes = Encoded(name, code);
            if (bytes.empty())
                continue;
            for (TextCode favoured : {TextCode::kShiftJis, TextCode::kUtf8}) {
                CCharsetGuess::Result guess = CCharsetGuess(favoured).Guess(bytes);
                // Half-width kana in EUC-JP read as Shift-JIS kanji too; the phones that write
                // them write Shift-JIS, so only that is asked of them.
                bool halfWidth = std::string(name).find(u8"ｽ") != std::string::npos ||
                                 std::string(name).find(u8"ﾐ") != std::string::npos ||
                                 std::string(name).find(u8"ﾔ") != std::string::npos;
                if (halfWidth && code == TextCode::kEucJp)
                    continue;
                EXPECT_EQ(Name(code), std::string(Name(guess.code)))
                    << name << " written in " << Name(code) << ", " << Name(favoured) << " favoured";
                EXPECT_EQ(name, CCharsetGuess::Decode(bytes, guess.code)) << name << " in " << Name(code);
            }
        }
    }
}

// ASCII is no guess; a guess that another code comes close to is marked close; a long
// text is decided by its evidence and keeps one stray byte a stray byte.
TEST(CharsetGuessTest, CloseGuessesAreMarked)
{
    EXPECT_FALSE(CCharsetGuess().Guess("Taro Yamada").close);
    EXPECT_EQ(TextCode::kUtf8, CCharsetGuess(TextCode::kShiftJis).Guess("a@b.jp").code);
    // Two half-width kana or one rare kanji: Shift-JIS and EUC-JP both read them.
    EXPECT_TRUE(CCharsetGuess(TextCode::kShiftJis).Guess("\xBB\xB3").close);
    std::string utf8;
    for (int i = 0; i < 2000; ++i)
        utf8 += u8"山田 太郎,taro@example.jp\r\n";
    utf8[utf8.size() / 2] = '\xFF';
    CCharsetGuess::Result guess = CCharsetGuess(TextCode::kShiftJis).Guess(utf8);
    EXPECT_EQ(TextCode::kUtf8, guess.code);
    EXPECT_FALSE(guess.close);
}

}  // namespace
