#include "text/CharsetGuess.h"
#include <bitset>
#include <cstdint>
#include <cstring>
#include "store/Sjis.h"
#include "text/Charset.h"
#include "text/Cp932.h"

namespace {

// Costs of a character, roughly the bits it takes in an address book's text: the smaller,
// the more likely.
const long kInvalid = 30;        // a byte sequence the code does not have
const long kFavouredStart = 6;   // the head start of the code the context favours
const long kWesternPenalty = 8;  // Windows-1252 in a Japanese user's files
const long kCloseMargin = 10;    // a lead smaller than this is a close guess
const long kDecided = 300;       // a lead that the rest of a long text no longer turns
const size_t kChunk = 4096;
const size_t kCodes = 4;

enum CharKind { kAsciiLetter, kPlain, kJapanese, kLatinLetter };

// Kanji that names, places and companies use most: family and given names, the words of
// addresses and organisations.
const char kCommonKanji[] =
    u8"佐藤鈴木高橋田中伊渡辺山本村小林加吉口松井上斎清水森池阿部石川前原岡後長野坂遠青西福太三浦"
    u8"和島近工菅宮崎酒大千葉丸岩谷内平沢横杉浅荒関北久保尾永菊地市根今堀増安新杉野土屋片桐柴秋"
    u8"郎一二四五六七八九十子美花健次介明宏直樹正雄裕真理恵由香奈智浩幸博之彦夫男治史朗優翔蓮陽"
    u8"斗悠人結愛菜咲葵凛春夏冬月日光輝亮誠翼拓海空陸颯奏怜仁信義孝典昭秀英俊哲隆雅弘純代江枝絵"
    u8"里沙彩織紀道達也哉剛勇武聡実恭啓修茂勝豊進清淳敏徹秀央希望未来菅原沼浜崎宮城熊本鹿児静岡"
    u8"会社株式有限部課長営業東京阪都神奈名古屋道沖縄区町県府電話携帯自宅勤務先友人家族仕事学校"
    u8"高取引様御担当事所店支国際情報技術開発研究販売総管理企画製造商品設計経室局係員会員協組合"
    u8"院病医科歯薬局銀行保険不動産建築工業運輸通信放送出版印刷食品農林水産";

struct CommonKanji {
    std::bitset<0x5200> set;  // U+4E00 to U+9FFF
    CommonKanji()
    {
        std::string text = kCommonKanji;
        for (size_t pos = 0; pos < text.size();) {
            char32_t ch = Charset::NextUtf8(text, pos);
            if (ch >= 0x4E00 && ch <= 0x9FFF)
                set.set(ch - 0x4E00);
        }
    }
};

bool IsCommonKanji(char32_t ch)
{
    static const CommonKanji common;
    return common.set.test(ch - 0x4E00);
}

// A kanji by its place in JIS: the first level holds the everyday ones.
long KanjiCost(char32_t ch)
{
    if (IsCommonKanji(ch))
        return 8;
    uint16_t code = Cp932EncodeRow(ch >> 8)[ch & 0xFF];
    if (code >= 0x889F && code <= 0x9872)
        return 10;
    if (code >= 0x989F && code <= 0xEAA4)
        return 13;
    return 16;
}

long CharCost(char32_t ch, CharKind& kind)
{
    kind = kPlain;
    if (ch < 0x80) {
        bool letter = (ch | 0x20) >= 'a' && (ch | 0x20) <= 'z';
        kind = letter ? kAsciiLetter : kPlain;
        return (ch < 0x20 && ch != '\t' && ch != '\r' && ch != '\n') || ch == 0x7F ? 20 : 4;
    }
    if (ch < 0xA0)
        return 25;
    if (ch < 0xC0 || ch == 0xD7 || ch == 0xF7)
        return 11;
    if (ch < 0x250 || (ch >= 0x1E00 && ch < 0x1F00)) {
        kind = kLatinLetter;
        return ch < 0x100 ? 8 : 9;
    }
    if (ch < 0x370)
        return 15;
    if (ch < 0x530)
        return 17;  // Greek, Cyrillic
    if (ch < 0x2000)
        return 17;
    if (ch < 0x2010)
        return 14;
    if (ch < 0x2070)
        return 10;  // dashes, quotes, ellipsis
    if (ch < 0x2E80)
        return 12;  // symbols, arrows, circled numbers
    if (ch < 0x3000)
        return 16;
    kind = kJapanese;
    if (ch < 0x3040)
        return 8;  // ideographic space and punctuation
    if (ch >= 0x3041 && ch <= 0x3096)
        return 6;  // hiragana
    if (ch >= 0x30A1 && ch <= 0x30FA)
        return 7;  // katakana
    if (ch < 0x3100)
        return 9;
    if (ch < 0x3400)
        return 12;
    if (ch >= 0x4E00 && ch <= 0x9FFF)
        return KanjiCost(ch);
    if (ch >= 0xFF01 && ch <= 0xFF5E)
        return 9;  // full-width forms
    if (ch >= 0xFF66 && ch <= 0xFF9F)
        return 5;  // half-width katakana, of which phones spell whole names
    if (ch >= 0xFF61 && ch <= 0xFF65)
        return 12;  // half-width punctuation
    kind = kPlain;
    if (ch >= 0xAC00 && ch <= 0xD7A3)
        return 15;  // Hangul
    if (ch >= 0xE000 && ch <= 0xF8FF)
        return kInvalid;  // private use (code page 932's user-defined characters): no one's name
    if (ch == Charset::kReplacement)
        return 20;
    return ch >= 0x10000 ? 14 : 16;
}

// The cost of one reading, character by character. A Japanese character right beside a
// Latin letter is unlikely (a misread Western or UTF-8 text), an accented letter beside
// one likely.
struct Reading {
    long cost = 0;
    size_t pos = 0;
    CharKind last = kPlain;

    void Add(char32_t ch)
    {
        CharKind kind;
        cost += CharCost(ch, kind);
        if ((kind == kJapanese && last == kAsciiLetter) || (kind == kAsciiLetter && last == kJapanese))
            cost += 3;
        if ((kind == kLatinLetter && last == kAsciiLetter) || (kind == kAsciiLetter && last == kLatinLetter))
            cost -= 2;
        last = kind;
    }
    void Invalid()
    {
        cost += kInvalid;
        last = kPlain;
    }
    // Eight ASCII bytes at once, which cost the same in every code.
    bool AsciiBlock(const unsigned char* p, size_t left)
    {
        uint64_t block;
        if (left < 8 || (std::memcpy(&block, p, 8), (block & 0x8080808080808080ull) != 0))
            return false;
        for (int i = 0; i < 8; ++i)
            Add(p[i]);
        pos += 8;
        return true;
    }
};

bool InRange(unsigned char b, unsigned char low, unsigned char high)
{
    return b >= low && b <= high;
}

void ReadUtf8(Reading& r, const unsigned char* p, size_t size, size_t limit)
{
    while (r.pos < limit) {
        if (r.AsciiBlock(p + r.pos, size - r.pos))
            continue;
        unsigned char b = p[r.pos];
        if (b < 0x80) {
            r.Add(b);
            ++r.pos;
            continue;
        }
        int extra = InRange(b, 0xC2, 0xDF) ? 1 : InRange(b, 0xE0, 0xEF) ? 2 : InRange(b, 0xF0, 0xF4) ? 3 : -1;
        char32_t ch = extra == 1 ? b & 0x1F : extra == 2 ? b & 0x0F : b & 0x07;
        bool ok = extra > 0;
        for (int i = 1; ok && i <= extra; ++i) {
            ok = r.pos + i < size && (p[r.pos + i] & 0xC0) == 0x80;
            if (ok)
                ch = (ch << 6) | (p[r.pos + i] & 0x3F);
        }
        static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        ok = ok && ch >= kSmallest[extra] && ch <= 0x10FFFF && !(ch >= 0xD800 && ch <= 0xDFFF);
        if (!ok) {
            r.Invalid();
            ++r.pos;
            continue;
        }
        r.Add(ch);
        r.pos += extra + 1;
    }
}

// One character of Shift-JIS, EUC-JP or Windows-1252 at p[pos] (not ASCII): its value and
// its length in bytes, or a length of 0 for a byte that the code does not read there.
struct Step {
    char32_t ch;
    size_t length;
};

Step ShiftJisStep(const unsigned char* p, size_t pos, size_t size)
{
    unsigned char b = p[pos];
    if (InRange(b, 0xA1, 0xDF))
        return {static_cast<char32_t>(0xFF61 + (b - 0xA1)), 1};
    if (IsSjisLeadByte(b) && pos + 1 < size && InRange(p[pos + 1], 0x40, 0xFC) && p[pos + 1] != 0x7F) {
        char16_t ch = Cp932Decode(p + pos, 2);
        return {ch, ch ? 2u : 0u};
    }
    return {0, 0};
}

Step EucJpStep(const unsigned char* p, size_t pos, size_t size)
{
    unsigned char b = p[pos];
    unsigned char next = pos + 1 < size ? p[pos + 1] : 0;
    if (b == 0x8E && InRange(next, 0xA1, 0xDF))
        return {static_cast<char32_t>(0xFF61 + (next - 0xA1)), 2};
    if (b == 0x8F && InRange(next, 0xA1, 0xFE) && pos + 2 < size && InRange(p[pos + 2], 0xA1, 0xFE))
        return {0x3400, 3};  // JIS X 0212: a rare kanji
    if (InRange(b, 0xA1, 0xFE) && InRange(next, 0xA1, 0xFE)) {
        unsigned char row = static_cast<unsigned char>(b - 0x80);
        unsigned char cell = static_cast<unsigned char>(next - 0x80);
        unsigned char sjis[2];
        sjis[0] = static_cast<unsigned char>(((row + 1) >> 1) + (row <= 0x5E ? 0x70 : 0xB0));
        sjis[1] = static_cast<unsigned char>(cell + ((row & 1) ? (cell >= 0x60 ? 0x20 : 0x1F) : 0x7E));
        char16_t ch = Cp932Decode(sjis, 2);
        return {ch, ch ? 2u : 0u};
    }
    return {0, 0};
}

Step Windows1252Step(const unsigned char* p, size_t pos, size_t)
{
    char32_t ch = Charset::Windows1252Char(p[pos]);
    return {ch, ch == Charset::kReplacement ? 0u : 1u};
}

// The reading of the legacy codes: ASCII as it is, each other character by the code's step;
// a byte the code does not read there costs as invalid and is passed over alone.
template <Step (*NextStep)(const unsigned char*, size_t, size_t)>
void ReadLegacy(Reading& r, const unsigned char* p, size_t size, size_t limit)
{
    while (r.pos < limit) {
        if (r.AsciiBlock(p + r.pos, size - r.pos))
            continue;
        if (p[r.pos] < 0x80) {
            r.Add(p[r.pos]);
            ++r.pos;
            continue;
        }
        Step step = NextStep(p, r.pos, size);
        if (step.length == 0) {
            r.Invalid();
            ++r.pos;
        } else {
            r.Add(step.ch);
            r.pos += step.length;
        }
    }
}

void ReadAs(TextCode code, Reading& r, const unsigned char* p, size_t size, size_t limit)
{
    switch (code) {
    case TextCode::kUtf8:
        ReadUtf8(r, p, size, limit);
        break;
    case TextCode::kShiftJis:
        ReadLegacy<ShiftJisStep>(r, p, size, limit);
        break;
    case TextCode::kEucJp:
        ReadLegacy<EucJpStep>(r, p, size, limit);
        break;
    case TextCode::kWindows1252:
        ReadLegacy<Windows1252Step>(r, p, size, limit);
        break;
    }
}

const TextCode kAllCodes[kCodes] = {TextCode::kUtf8, TextCode::kShiftJis, TextCode::kEucJp, TextCode::kWindows1252};

}  // namespace

CCharsetGuess::Result CCharsetGuess::Guess(std::string_view bytes) const
{
    Result result;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t size = bytes.size();
    // ASCII before the first other byte reads alike in every code.
    size_t first = 0;
    while (first < size && p[first] < 0x80)
        ++first;
    if (first == size)
        return result;
    Reading readings[kCodes];
    for (Reading& reading : readings)
        reading.pos = first > 0 ? first - 1 : 0;
    long totals[kCodes] = {};
    size_t best = 0;
    long lead = 0;
    for (size_t limit = first; limit < size;) {
        limit = size - limit > kChunk ? limit + kChunk : size;
        for (size_t i = 0; i < kCodes; ++i) {
            ReadAs(kAllCodes[i], readings[i], p, size, limit);
            totals[i] = readings[i].cost;
            if (kAllCodes[i] == m_Favoured)
                totals[i] -= kFavouredStart;
            if (kAllCodes[i] == TextCode::kWindows1252)
                totals[i] += kWesternPenalty;
        }
        best = 0;
        for (size_t i = 1; i < kCodes; ++i) {
            if (totals[i] < totals[best] || (totals[i] == totals[best] && kAllCodes[i] == m_Favoured))
                best = i;
        }
        lead = -1;
        for (size_t i = 0; i < kCodes; ++i) {
            if (i != best && (lead < 0 || totals[i] - totals[best] < lead))
                lead = totals[i] - totals[best];
        }
        if (lead >= kDecided)
            break;
    }
    result.code = kAllCodes[best];
    result.close = lead < kCloseMargin;
    return result;
}

std::string CCharsetGuess::Decode(const std::string& bytes, TextCode code)
{
    switch (code) {
    case TextCode::kShiftJis:
        return Charset::SjisToUtf8(bytes);
    case TextCode::kEucJp:
        return Charset::EucJpToUtf8(bytes);
    case TextCode::kWindows1252:
        return Charset::Windows1252ToUtf8(bytes);
    default:
        return Charset::CleanUtf8(bytes);
    }
}
