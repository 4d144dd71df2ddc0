#include "text/SjisEncoder.h"
#include <cstring>
#include "text/Charset.h"
#include "text/Cp932.h"
#include "text/UnicodeForms.h"

namespace {

const char32_t kNoBreakSpace = 0x00A0;
const char32_t kNarrowNoBreakSpace = 0x202F;
const size_t kNoBase = std::string::npos;

// Three bytes at pos that form a character of U+0800 to U+FFFF other than a surrogate.
bool IsWellFormedThreeBytes(const std::string& text, size_t pos)
{
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    unsigned char second = static_cast<unsigned char>(text[pos + 1]);
    unsigned char third = static_cast<unsigned char>(text[pos + 2]);
    if ((second & 0xC0) != 0x80 || (third & 0xC0) != 0x80)
        return false;
    return !(lead == 0xE0 && second < 0xA0) && !(lead == 0xED && second >= 0xA0);
}

bool AppendSjis(std::string& out, char32_t ch)
{
    char bytes[2];
    int length = ch <= 0xFFFF ? Cp932Encode(static_cast<char16_t>(ch), bytes) : 0;
    if (length == 0)
        return false;
    out.append(bytes, static_cast<size_t>(length));
    return true;
}

std::u16string ToUtf16(const std::u32string& text)
{
    std::u16string out;
    for (char32_t ch : text) {
        if (ch >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((ch - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((ch - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(ch));
        }
    }
    return out;
}

// The Shift-JIS bytes of UTF-16 text; false when a character has none.
bool EncodeAll(const std::u16string& text, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t ch = text[i];
        if (ch >= 0xD800 && ch <= 0xDFFF)
            return false;
        if (!AppendSjis(out, ch))
            return false;
    }
    return true;
}

}  // namespace

std::string CSjisEncoder::Encode(const std::string& utf8)
{
    std::string out;
    Encode(utf8, out);
    return out;
}

// Mostly a text is ASCII, kana and kanji that Shift-JIS holds: those are written straight
// into room of the text's size (no character takes more bytes in Shift-JIS than in UTF-8).
// From the first character that is not so, EncodeRest goes on a character at a time.
void CSjisEncoder::Encode(const std::string& utf8, std::string& out)
{
    const unsigned char* in = reinterpret_cast<const unsigned char*>(utf8.data());
    size_t size = utf8.size();
    size_t pos = 0;
    while (pos < size && in[pos] < 0x80)
        ++pos;
    if (pos == size) {
        out.assign(utf8);
        return;
    }
    out.resize(size);
    char* begin = &out[0];
    std::memcpy(begin, in, pos);
    char* to = begin + pos;
    size_t baseStart = pos > 0 ? pos - 1 : kNoBase;  // where the last character that could take a mark begins in out
    char32_t base = pos > 0 ? in[pos - 1] : 0;
    while (pos < size) {
        unsigned char lead = in[pos];
        if (lead < 0x80) {
            baseStart = static_cast<size_t>(to - begin);
            base = lead;
            *to++ = static_cast<char>(lead);
            ++pos;
            continue;
        }
        if (lead < 0xE0 || lead > 0xEF || pos + 2 >= size || !IsWellFormedThreeBytes(utf8, pos))
            break;
        // Kana and kanji: three bytes, read here without the general decoder.
        char32_t ch = static_cast<char32_t>(((lead & 0x0F) << 12) | ((in[pos + 1] & 0x3F) << 6) | (in[pos + 2] & 0x3F));
        if (ch == kNarrowNoBreakSpace)
            ch = ' ';
        const uint16_t*& row = m_Rows[ch >> 8];
        if (!row)
            row = Cp932EncodeRow(ch >> 8);
        uint16_t code = ch != Charset::kReplacement ? row[ch & 0xFF] : 0;
        if (!code)
            break;
        baseStart = static_cast<size_t>(to - begin);
        base = ch;
        if (code > 0xFF)
            *to++ = static_cast<char>(code >> 8);
        *to++ = static_cast<char>(code & 0xFF);
        pos += 3;
    }
    out.resize(static_cast<size_t>(to - begin));
    if (pos < size)
        EncodeRest(utf8, pos, out, baseStart, base);
}

// The characters of utf8 from pos on, appended to out one at a time; baseStart and base
// tell the last character written that a combining mark could belong to.
void CSjisEncoder::EncodeRest(const std::string& utf8, size_t pos, std::string& out, size_t baseStart, char32_t base)
{
    const uint16_t* row = nullptr;  // the table row of the last character looked up
    unsigned rowHigh = 0x100;
    while (pos < utf8.size()) {
        unsigned char lead = static_cast<unsigned char>(utf8[pos]);
        if (lead < 0x80) {
            baseStart = out.size();
            base = lead;
            out.push_back(static_cast<char>(lead));
            ++pos;
            continue;
        }
        char32_t ch;
        if (lead >= 0xE0 && lead <= 0xEF && pos + 2 < utf8.size() && IsWellFormedThreeBytes(utf8, pos)) {
            // Kana and kanji: three bytes, read here without the general decoder.
            ch = static_cast<char32_t>(((lead & 0x0F) << 12) | ((utf8[pos + 1] & 0x3F) << 6) | (utf8[pos + 2] & 0x3F));
            pos += 3;
        } else {
            ch = Charset::NextUtf8(utf8, pos);
        }
        if (ch == kNoBreakSpace || ch == kNarrowNoBreakSpace)
            ch = ' ';
        size_t start = out.size();
        if (ch <= 0xFFFF && (ch >> 8) != rowHigh) {
            rowHigh = ch >> 8;
            row = Cp932EncodeRow(rowHigh);
        }
        uint16_t code = ch <= 0xFFFF && ch != Charset::kReplacement ? row[ch & 0xFF] : 0;
        if (code) {
            if (code > 0xFF)
                out.push_back(static_cast<char>(code >> 8));
            out.push_back(static_cast<char>(code & 0xFF));
            baseStart = start;
            base = ch;
            continue;
        }
        // The run of characters that Shift-JIS cannot hold, taken together with the
        // character before it, which a combining mark belongs to.
        std::u32string cluster(1, ch);
        while (pos < utf8.size() && static_cast<unsigned char>(utf8[pos]) >= 0x80) {
            size_t next = pos;
            char32_t following = Charset::NextUtf8(utf8, next);
            char bytes[2];
            if (following == Charset::kReplacement || following == kNoBreakSpace ||
                (following <= 0xFFFF && Cp932Encode(static_cast<char16_t>(following), bytes)))
                break;
            cluster.push_back(following);
            pos = next;
        }
        EncodeCluster(out, baseStart, base, cluster);
    }
}

// Characters that Shift-JIS cannot hold as they are: composed with the character before
// them (NFC), else each in its compatibility form (NFKC), else "?".
void CSjisEncoder::EncodeCluster(std::string& out, size_t& baseStart, char32_t base, const std::u32string& cluster)
{
    std::string bytes;
    if (baseStart != kNoBase && cluster[0] != Charset::kReplacement &&
        EncodeAll(UnicodeForms::Compose(ToUtf16(base + cluster)), bytes)) {
        out.replace(baseStart, std::string::npos, bytes);
        baseStart = kNoBase;
        return;
    }
    baseStart = kNoBase;
    for (char32_t ch : cluster) {
        if (ch == Charset::kReplacement) {
            ++m_nUndecodable;
            out.push_back('?');
        } else if (EncodeAll(UnicodeForms::ComposeCompatible(ToUtf16(std::u32string(1, ch))), bytes) && !bytes.empty()) {
            out += bytes;
        } else {
            ++m_nUnrepresentable;
            out.push_back('?');
        }
    }
}
