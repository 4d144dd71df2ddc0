#include "text/Charset.h"
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

char32_t NextUtf8(const std::string& text, size_t& pos)
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
    } else if (ch < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else if (ch < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    }
}

bool IsUtf8(const std::string& bytes)
{
    for (size_t pos = 0; pos < bytes.size();) {
        size_t start = pos;
        // A U+FFFD written out in the text is valid; only a malformed one is not.
        if (NextUtf8(bytes, pos) == kReplacement && bytes.compare(start, 3, "\xEF\xBF\xBD") != 0)
            return false;
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

std::string SjisToUtf8(const std::string& sjis)
{
    std::string out;
    for (size_t i = 0; i < sjis.size(); ++i) {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(sjis.data()) + i;
        if (!IsSjisLeadByte(bytes[0])) {
            char16_t ch = Cp932Decode(bytes, 1);
            AppendUtf8(out, ch ? ch : kReplacement);
            continue;
        }
        // A lead byte without a trail byte stands alone, so the byte after it (a comma, a
        // line end) keeps its meaning.
        if (i + 1 >= sjis.size() || !IsSjisTrailByte(bytes[1])) {
            AppendUtf8(out, kReplacement);
            continue;
        }
        char16_t ch = Cp932Decode(bytes, 2);
        AppendUtf8(out, ch ? ch : kReplacement);
        ++i;
    }
    return out;
}

std::string CleanUtf8(const std::string& bytes)
{
    std::string out;
    for (size_t pos = 0; pos < bytes.size();)
        AppendUtf8(out, NextUtf8(bytes, pos));
    return out;
}

std::string Latin1ToUtf8(const std::string& bytes)
{
    std::string out;
    for (char c : bytes)
        AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

std::string FileTextToUtf8(const std::string& bytes)
{
    if (StartsWith(bytes, "\xEF\xBB\xBF", 3))
        return CleanUtf8(bytes.substr(3));
    if (StartsWith(bytes, "\xFF\xFE", 2))
        return Utf16ToUtf8(bytes, 2, false);
    if (StartsWith(bytes, "\xFE\xFF", 2))
        return Utf16ToUtf8(bytes, 2, true);
    return IsUtf8(bytes) ? bytes : SjisToUtf8(bytes);
}

}  // namespace Charset
