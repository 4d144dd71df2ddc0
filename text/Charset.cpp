#include "text/Charset.h"
#include <algorithm>
#include <iterator>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include "text/CharsetGuess.h"
#include "text/Cp932.h"
#include "store/Sjis.h"

namespace Charset {

namespace {

bool IsContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

bool IsSjisTrailByte(unsigned char b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

bool StartsWith(const std::string& bytes, const char* prefix, size_t length)
{
    return bytes.compare(0, length, prefix, length) == 0;
}

}  // namespace

char32_t NextUtf8(std::string_view text, size_t& pos)
{
    unsigned char lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (extra == 0 || lead > 0xF4 || pos + extra > text.size())
        return kReplacement;
    char32_t ch = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        unsigned char b = static_cast<unsigned char>(text[pos + i]);
        if (!IsContinuation(b))
            return kReplacement;
        ch = (ch << 6) | (b & 0x3F);
    }
    static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (ch < kSmallest[extra] || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF))
        return kReplacement;
    pos += extra;
    return ch;
}

void AppendUtf8(std::string& out, char32_t ch)
{
    if (ch < 0x80) {
        out.push_back(static_cast<char>(ch));
        return;
    }
    char bytes[4];
    size_t length;
    if (ch < 0x800) {
        bytes[0] = static_cast<char>(0xC0 | (ch >> 6));
        bytes[1] = static_cast<char>(0x80 | (ch & 0x3F));
        length = 2;
    } else if (ch < 0x10000) {
        bytes[0] = static_cast<char>(0xE0 | (ch >> 12));
        bytes[1] = static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | (ch & 0x3F));
        length = 3;
    } else {
        bytes[0] = static_cast<char>(0xF0 | (ch >> 18));
        bytes[1] = static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        bytes[3] = static_cast<char>(0x80 | (ch & 0x3F));
        length = 4;
    }
    out.append(bytes, length);
}

bool IsUtf8(const std::string& bytes)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* end = p + bytes.size();
    while (p < end) {
        // Eight ASCII bytes at a time.
        uint64_t block;
        if (end - p >= 8 && (std::memcpy(&block, p, 8), (block & 0x8080808080808080ull) == 0)) {
            p += 8;
            continue;
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        size_t length = *p >= 0xC2 && *p <= 0xDF ? 2 : *p >= 0xE0 && *p <= 0xEF ? 3 : *p >= 0xF0 && *p <= 0xF4 ? 4 : 0;
        if (length == 0 || static_cast<size_t>(end - p) < length)
            return false;
        for (size_t i = 1; i < length; ++i) {
            if (!IsContinuation(p[i]))
                return false;
        }
        // No overlong forms, no surrogates, nothing beyond U+10FFFF.
        if ((*p == 0xE0 && p[1] < 0xA0) || (*p == 0xED && p[1] >= 0xA0) || (*p == 0xF0 && p[1] < 0x90) ||
            (*p == 0xF4 && p[1] >= 0x90))
            return false;
        p += length;
    }
    return true;
}

std::string Utf16ToUtf8(const std::string& bytes, size_t start, bool bigEndian)
{
    auto unit = [&](size_t at) {
        unsigned char first = static_cast<unsigned char>(bytes[at]);
        unsigned char second = static_cast<unsigned char>(bytes[at + 1]);
        return static_cast<char32_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    };
    std::string out;
    size_t pos = start;
    while (pos + 1 < bytes.size()) {
        char32_t ch = unit(pos);
        pos += 2;
        if (ch >= 0xD800 && ch <= 0xDBFF && pos + 1 < bytes.size() && unit(pos) >= 0xDC00 && unit(pos) <= 0xDFFF) {
            ch = 0x10000 + ((ch - 0xD800) << 10) + (unit(pos) - 0xDC00);
            pos += 2;
        } else if (ch >= 0xD800 && ch <= 0xDFFF) {
            ch = kReplacement;
        }
        AppendUtf8(out, ch);
    }
    if (pos < bytes.size())
        AppendUtf8(out, kReplacement);
    return out;
}

// One pass: runs of ASCII are copied whole, other characters come from code page 932's
// tables a row at a time.
std::string SjisToUtf8(const std::string& sjis)
{
    std::string out;
    SjisToUtf8(sjis, out);
    return out;
}

void SjisToUtf8(std::string_view sjis, std::string& out)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(sjis.data());
    const unsigned char* end = p + sjis.size();
    const uint32_t* single = Cp932Utf8Row(0);
    static const uint32_t kNone = 0xBDBFEF | (3u << 24);  // U+FFFD
    // A piece of the text at a time is written into a buffer with room for the longest text
    // it can give: three bytes a byte, for every character is written as three bytes of
    // which only its own count, and room for a character that begins at the piece's end.
    const size_t kPiece = 1024;
    unsigned char buffer[3 * kPiece + 4];
    while (p < end) {
        const unsigned char* pieceEnd = end - p > static_cast<std::ptrdiff_t>(kPiece) ? p + kPiece : end;
        unsigned char* to = buffer;
        while (p < pieceEnd) {
            while (pieceEnd - p >= 8) {
                uint64_t block;
                std::memcpy(&block, p, 8);
                if (block & 0x8080808080808080ull)
                    break;
                std::memcpy(to, p, 8);
                p += 8;
                to += 8;
            }
            if (p == pieceEnd)
                break;
            if (*p < 0x80) {
                *to++ = *p++;
                continue;
            }
            uint32_t entry;
            if (!IsSjisLeadByte(p[0])) {
                entry = single[p[0]];
                ++p;
            } else if (p + 1 < end && IsSjisTrailByte(p[1])) {
                // A lead byte without a trail byte stands alone, so the byte after it (a
                // comma, a line end) keeps its meaning.
                entry = Cp932Utf8Row(p[0])[p[1]];
                p += 2;
            } else {
                entry = kNone;
                ++p;
            }
            to[0] = static_cast<unsigned char>(entry);
            to[1] = static_cast<unsigned char>(entry >> 8);
            to[2] = static_cast<unsigned char>(entry >> 16);
            to += entry >> 24;
        }
        out.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(to - buffer));
    }
}

std::string CleanUtf8(const std::string& bytes)
{
    if (IsUtf8(bytes))
        return bytes;
    std::string out;
    for (size_t pos = 0; pos < bytes.size();)
        AppendUtf8(out, NextUtf8(bytes, pos));
    return out;
}

namespace {

// JIS X 0208 (row and cell bytes 0x21 to 0x7E) through its Shift-JIS pair.
void AppendJisAsUtf8(std::string& out, unsigned char row, unsigned char cell)
{
    if (row < 0x21 || row > 0x7E || cell < 0x21 || cell > 0x7E) {
        AppendUtf8(out, kReplacement);
        return;
    }
    unsigned char sjis[2];
    sjis[0] = static_cast<unsigned char>(((row + 1) >> 1) + (row <= 0x5E ? 0x70 : 0xB0));
    sjis[1] = static_cast<unsigned char>(cell + ((row & 1) ? (cell >= 0x60 ? 0x20 : 0x1F) : 0x7E));
    char16_t ch = Cp932Decode(sjis, 2);
    AppendUtf8(out, ch ? ch : kReplacement);
}

void AppendHalfWidthKana(std::string& out, unsigned char b)
{
    char16_t ch = b >= 0xA1 && b <= 0xDF ? Cp932Decode(&b, 1) : 0;
    AppendUtf8(out, ch ? ch : kReplacement);
}

}  // namespace

// ISO-2022-JP (RFC 1468) with its common extensions: escape sequences switch between
// ASCII or JIS X 0201 Roman ("ESC ( B", "ESC ( J"), JIS X 0208 ("ESC $ B", "ESC $ @") and
// half-width katakana ("ESC ( I"); JIS X 0212 ("ESC $ ( D") has no Shift-JIS form.
std::string Iso2022JpToUtf8(const std::string& bytes)
{
    enum Mode { kAscii, kDouble, kKana, kUnknownDouble } mode = kAscii;
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b == 0x1B) {
            std::string sequence = bytes.substr(i + 1, 3);
            if (sequence.compare(0, 2, "(B") == 0 || sequence.compare(0, 2, "(J") == 0) {
                mode = kAscii;
                i += 2;
            } else if (sequence.compare(0, 2, "$B") == 0 || sequence.compare(0, 2, "$@") == 0) {
                mode = kDouble;
                i += 2;
            } else if (sequence.compare(0, 2, "(I") == 0) {
                mode = kKana;
                i += 2;
            } else if (sequence.compare(0, 3, "$(D") == 0) {
                mode = kUnknownDouble;
                i += 3;
            } else {
                AppendUtf8(out, kReplacement);
            }
            continue;
        }
        if (b == '\r' || b == '\n' || b >= 0x80) {
            // A line end returns to ASCII; an eight-bit byte has no place in this code.
            mode = kAscii;
            AppendUtf8(out, b >= 0x80 ? kReplacement : b);
        } else if (mode == kAscii) {
            out.push_back(static_cast<char>(b));
        } else if (mode == kKana) {
            AppendHalfWidthKana(out, static_cast<unsigned char>(b + 0x80));
        } else if (i + 1 < bytes.size()) {
            if (mode == kDouble)
                AppendJisAsUtf8(out, b, static_cast<unsigned char>(bytes[i + 1]));
            else
                AppendUtf8(out, kReplacement);
            ++i;
        } else {
            AppendUtf8(out, kReplacement);
        }
    }
    return out;
}

// EUC-JP: JIS X 0208 with both bytes' high bits set, half-width katakana after 0x8E; JIS X
// 0212 (after 0x8F) has no Shift-JIS form.
std::string EucJpToUtf8(const std::string& bytes)
{
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        unsigned char next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
        } else if (b == 0x8E && next >= 0xA1 && next <= 0xDF) {
            AppendHalfWidthKana(out, next);
            ++i;
        } else if (b == 0x8F && next >= 0xA1 && i + 2 < bytes.size()) {
            AppendUtf8(out, kReplacement);
            i += 2;
        } else if (b >= 0xA1 && b <= 0xFE && next >= 0xA1 && next <= 0xFE) {
            AppendJisAsUtf8(out, static_cast<unsigned char>(b - 0x80), static_cast<unsigned char>(next - 0x80));
            ++i;
        } else {
            AppendUtf8(out, kReplacement);
        }
    }
    return out;
}

char32_t Windows1252Char(unsigned char b)
{
    static const char16_t kHigh[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
        0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
    };
    return b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b;
}

std::string Windows1252ToUtf8(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes)
        AppendUtf8(out, Windows1252Char(static_cast<unsigned char>(c)));
    return out;
}

std::string FileTextToUtf8(const std::string& bytes, bool* close)
{
    std::string converted;
    const std::string& text = FileTextAsUtf8(bytes, converted, close);
    return &text == &bytes ? CleanUtf8(bytes) : converted;
}

const std::string& FileTextAsUtf8(const std::string& bytes, std::string& converted, bool* close)
{
    if (close)
        *close = false;
    if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) {
        converted = bytes.substr(3);
        if (!IsUtf8(converted))
            converted = CleanUtf8(converted);
        return converted;
    }
    if (StartsWith(bytes, "\xFF\xFE", 2) || StartsWith(bytes, "\xFE\xFF", 2)) {
        converted = Utf16ToUtf8(bytes, 2, bytes[0] == '\xFE');
        return converted;
    }
    CCharsetGuess::Result guess = CCharsetGuess(TextCode::kShiftJis).Guess(bytes);
    if (close)
        *close = guess.close;
    // A stray byte in UTF-8 text needs no pass of its own: every reader of the text decodes
    // it as U+FFFD (NextUtf8), as CleanUtf8 would.
    if (guess.code == TextCode::kUtf8)
        return bytes;
    converted = CCharsetGuess::Decode(bytes, guess.code);
    return converted;
}

}  // namespace Charset
