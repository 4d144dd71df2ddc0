#include "exchange/VCardText.h"
#include "exchange/ByteScan.h"
#include <cstdint>
#include <cstring>
#include "text/Charset.h"
#include "text/CharsetGuess.h"

namespace {

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(c & ~0x20);
    return (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
}

// The value of each byte as a hexadecimal digit, -1 for none.
struct HexDigits {
    signed char value[256];
    HexDigits()
    {
        for (int b = 0; b < 256; ++b)
            value[b] = static_cast<signed char>(HexValue(static_cast<char>(b)));
    }
};

// "=XX" is the byte XX; a "=" at the end is a soft line break with nothing after it; any
// other "=" stays as it is. Written in place into bytes' room, which is kept from value to
// value.
void DecodeQuotedPrintable(std::string_view text, std::string& bytes)
{
    if (!text.empty() && text.back() == '=')
        text.remove_suffix(1);
    bytes.resize(text.size());
    char* out = &bytes[0];
    const char* p = text.data();
    const char* end = p + text.size();
    static const HexDigits kHex;
    while (p < end) {
        if (*p != '=' || end - p < 3) {
            *out++ = *p++;
            continue;
        }
        int high = kHex.value[static_cast<unsigned char>(p[1])];
        int low = kHex.value[static_cast<unsigned char>(p[2])];
        if ((high | low) < 0) {
            *out++ = *p++;
            continue;
        }
        *out++ = static_cast<char>(high * 16 + low);
        p += 3;
    }
    bytes.resize(static_cast<size_t>(out - bytes.data()));
}

bool IsAscii(std::string_view text)
{
    unsigned char any = 0;
    for (char c : text)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

// Whether text is ASCII, and in escapes whether it holds an ESC (ISO-2022-JP), eight bytes
// a step.
bool IsAsciiWithoutEscapes(std::string_view text, bool& escapes)
{
    const uint64_t kOnes = 0x0101010101010101ull;
    const uint64_t kHighs = 0x8080808080808080ull;
    uint64_t any = 0;
    uint64_t esc = 0;
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        any |= word;
        uint64_t x = word ^ (kOnes * 0x1B);
        esc |= (x - kOnes) & ~x & kHighs;
    }
    for (; i < text.size(); ++i) {
        any |= static_cast<unsigned char>(text[i]);
        esc |= text[i] == '\x1B';
    }
    escapes = esc != 0;
    return (any & kHighs) == 0;
}

enum CharsetName { kNoCharset, kUtf8, kShiftJis, kLatin1, kIso2022Jp, kEucJp, kOtherCharset };

bool EqualsNoCase(std::string_view text, const char* upper)
{
    size_t i = 0;
    for (; upper[i]; ++i) {
        if (i >= text.size() || Upper(text[i]) != upper[i])
            return false;
    }
    return i == text.size();
}

CharsetName CharsetOf(std::string_view written)
{
    if (written.empty())
        return kNoCharset;
    static const std::pair<const char*, CharsetName> names[] = {
        {"UTF-8", kUtf8},           {"SHIFT_JIS", kShiftJis},  {"SHIFT-JIS", kShiftJis},    {"SJIS", kShiftJis},
        {"CP932", kShiftJis},       {"WINDOWS-31J", kShiftJis}, {"MS_KANJI", kShiftJis},    {"X-SJIS", kShiftJis},
        {"CSSHIFTJIS", kShiftJis},  {"ISO-8859-1", kLatin1},   {"US-ASCII", kLatin1},       {"WINDOWS-1252", kLatin1},
        {"LATIN1", kLatin1},        {"ISO-2022-JP", kIso2022Jp}, {"CSISO2022JP", kIso2022Jp}, {"EUC-JP", kEucJp},
        {"EUCJP", kEucJp},          {"X-EUC-JP", kEucJp},
    };
    for (const auto& name : names) {
        if (EqualsNoCase(written, name.first))
            return name.second;
    }
    return kOtherCharset;
}

}  // namespace

// CharsetOf, the last name asked for kept: a file mostly writes one.
int CVCardText::CharsetNumber(std::string_view written) const
{
    if (written.empty())
        return kNoCharset;
    // A head met before gives its CHARSET at the same place in the file's text again, whose
    // bytes do not change (those of a joined head or of a value kept by the reader may).
    bool inFile = written.data() >= m_FileText.data() && written.data() < m_FileText.data() + m_FileText.size();
    if (m_nLastCharset >= 0 && inFile && written.data() == m_pLastCharsetAt &&
        written.size() == m_LastCharsetText.size())
        return m_nLastCharset;
    if (m_nLastCharset < 0 || written != m_LastCharsetText) {
        m_LastCharsetText.assign(written.data(), written.size());
        m_nLastCharset = CharsetOf(written);
    }
    m_pLastCharsetAt = inFile ? written.data() : nullptr;
    return m_nLastCharset;
}

std::string CVCardText::Decode(const VCardProperty& property)
{
    std::string text;
    Decode(property, text);
    return text;
}

void CVCardText::Decode(const VCardProperty& property, std::string& out)
{
    if (property.encoding == VCardProperty::kBase64) {
        out.clear();  // pictures and keys; no text that is read here comes so
        return;
    }
    bool quotedPrintable = property.encoding == VCardProperty::kQuotedPrintable;
    if (quotedPrintable)
        DecodeQuotedPrintable(property.value, out);
    else
        out.assign(property.value.data(), property.value.size());
    CharsetName charset = static_cast<CharsetName>(CharsetNumber(property.charset));
    m_bSawUtf8 = m_bSawUtf8 || charset == kUtf8;
    bool escapes = false;
    bool ascii = IsAsciiWithoutEscapes(out, escapes);
    if (charset == kIso2022Jp || escapes) {
        out = Charset::Iso2022JpToUtf8(out);
        return;
    }
    // A file read from UTF-16 is UTF-8 already; only quoted-printable bytes are still raw.
    if (ascii || (m_Source == kUtf16 && !quotedPrintable))
        return;
    switch (charset) {
    case kUtf8:
        out = Charset::CleanUtf8(out);
        break;
    case kShiftJis:
        m_Converted.clear();
        Charset::SjisToUtf8(out, m_Converted);
        out.swap(m_Converted);
        break;
    case kLatin1:
        out = Charset::Windows1252ToUtf8(out);
        break;
    case kEucJp:
        out = Charset::EucJpToUtf8(out);
        break;
    default:
        DecodeWithoutCharset(out);
        break;
    }
}

// Versions 3.0 and 4.0 are UTF-8 by default: valid UTF-8 is taken so, and only other bytes
// (an EUC-JP or Shift-JIS file) are guessed. Version 2.1 has no default and Japanese phones
// write Shift-JIS, so it is favoured there unless the file says UTF-8 elsewhere.
void CVCardText::DecodeWithoutCharset(std::string& text)
{
    if (m_nVersion >= 30 && Charset::IsUtf8(text))
        return;
    bool phone = m_nVersion == 21 && !FileIsMarkedUtf8();
    CCharsetGuess::Result guess = CCharsetGuess(phone ? TextCode::kShiftJis : TextCode::kUtf8).Guess(text);
    m_nCloseGuesses += guess.close ? 1 : 0;
    if (guess.code != TextCode::kUtf8 || !Charset::IsUtf8(text))
        text = CCharsetGuess::Decode(text, guess.code);
}

bool CVCardText::DecodesByItself(const VCardProperty& property) const
{
    if (property.encoding == VCardProperty::kBase64)
        return true;
    CharsetName charset = static_cast<CharsetName>(CharsetNumber(property.charset));
    if (charset != kNoCharset && charset != kOtherCharset)
        return true;
    // Without a known charset only text that stays ASCII is taken as it is; other text is
    // guessed, and a close guess counted.
    return property.encoding == VCardProperty::kPlain && IsAscii(property.value);
}

void CVCardText::NoteCharset(const VCardProperty& property)
{
    if (property.encoding != VCardProperty::kBase64)
        m_bSawUtf8 = m_bSawUtf8 || CharsetNumber(property.charset) == kUtf8;
}

bool CVCardText::FileIsMarkedUtf8()
{
    return m_Source != kBytes || m_bSawUtf8;
}

std::string CVCardText::Unescape(const std::string& text)
{
    std::string out = text;
    UnescapeInPlace(out);
    return out;
}

void CVCardText::UnescapeInPlace(std::string& text)
{
    size_t from = FindFirstOfThree(text.data(), 0, text.size(), '\\', '\\', '\\');
    if (from == text.size())
        return;  // mostly there is no backslash
    size_t to = from;
    for (size_t i = from; i < text.size(); ++i) {
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] != '\\' || !(next == '\\' || next == ',' || next == ';' || next == ':' || next == 'n' || next == 'N')) {
            text[to++] = text[i];
            continue;
        }
        text[to++] = (next == 'n' || next == 'N') ? '\n' : next;
        ++i;
    }
    text.resize(to);
}

std::vector<std::string> CVCardText::Split(const std::string& text, char separator)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            parts.back().append(text, i, 2);
            ++i;
        } else if (text[i] == separator) {
            parts.emplace_back();
        } else {
            parts.back() += text[i];
        }
    }
    return parts;
}
