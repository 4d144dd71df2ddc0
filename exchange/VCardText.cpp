#include "exchange/VCardText.h"
#include <cstring>
#include "text/Charset.h"

namespace {

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperText(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = Upper(c);
    return out;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(c & ~0x20);
    return (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
}

// "=XX" is the byte XX; a "=" at the end is a soft line break with nothing after it; any
// other "=" stays as it is.
std::string DecodeQuotedPrintable(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    if (!text.empty() && text.back() == '=')
        text.remove_suffix(1);
    for (size_t i = 0; i < text.size(); ++i) {
        int high = i + 2 < text.size() && text[i] == '=' ? HexValue(text[i + 1]) : -1;
        int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low < 0) {
            bytes += text[i];
            continue;
        }
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return bytes;
}

bool IsAscii(const std::string& text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

bool IsShiftJisName(const std::string& charset)
{
    return charset == "SHIFT_JIS" || charset == "SHIFT-JIS" || charset == "SJIS" || charset == "CP932" ||
           charset == "WINDOWS-31J" || charset == "MS_KANJI" || charset == "X-SJIS" || charset == "CSSHIFTJIS";
}

bool IsLatin1Name(const std::string& charset)
{
    return charset == "ISO-8859-1" || charset == "US-ASCII" || charset == "WINDOWS-1252" || charset == "LATIN1";
}

bool ContainsNoCase(const std::string& text, const char* upper)
{
    size_t length = std::strlen(upper);
    for (size_t i = 0; i + length <= text.size(); ++i) {
        size_t k = 0;
        while (k < length && Upper(text[i + k]) == upper[k])
            ++k;
        if (k == length)
            return true;
    }
    return false;
}

}  // namespace

std::string CVCardText::Decode(const VCardProperty& property)
{
    if (property.encoding == VCardProperty::kBase64)
        return "";  // pictures and keys; no text that is read here comes so
    bool quotedPrintable = property.encoding == VCardProperty::kQuotedPrintable;
    std::string bytes = quotedPrintable ? DecodeQuotedPrintable(property.value) : std::string(property.value);
    std::string charset = UpperText(property.charset);
    if (charset == "ISO-2022-JP" || charset == "CSISO2022JP" || bytes.find('\x1B') != std::string::npos)
        return Charset::Iso2022JpToUtf8(bytes);
    if (IsAscii(bytes))
        return bytes;
    // A file read from UTF-16 is UTF-8 already; only quoted-printable bytes are still raw.
    if (m_Source == kUtf16 && !quotedPrintable)
        return bytes;
    if (charset == "UTF-8")
        return Charset::CleanUtf8(bytes);
    if (IsShiftJisName(charset))
        return Charset::SjisToUtf8(bytes);
    if (IsLatin1Name(charset))
        return Charset::Latin1ToUtf8(bytes);
    if (charset == "EUC-JP" || charset == "EUCJP" || charset == "X-EUC-JP")
        return Charset::EucJpToUtf8(bytes);
    return DecodeWithoutCharset(bytes);
}

std::string CVCardText::DecodeWithoutCharset(const std::string& bytes)
{
    if (m_nVersion == 21 && !FileIsMarkedUtf8()) {
        if (Charset::IsShiftJis(bytes))
            return Charset::SjisToUtf8(bytes);
    }
    return Charset::IsUtf8(bytes) ? bytes : Charset::SjisToUtf8(bytes);
}

bool CVCardText::FileIsMarkedUtf8()
{
    if (m_nUtf8Marked < 0) {
        m_nUtf8Marked = m_Source != kBytes || ContainsNoCase(m_Text, "CHARSET=UTF-8") ||
                        ContainsNoCase(m_Text, "CHARSET=\"UTF-8\"") ||
                        (Charset::IsUtf8(m_Text) && !Charset::IsShiftJis(m_Text));
    }
    return m_nUtf8Marked != 0;
}

std::string CVCardText::Unescape(const std::string& text)
{
    if (text.find('\\') == std::string::npos)
        return text;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] != '\\' || !(next == '\\' || next == ',' || next == ';' || next == ':' || next == 'n' || next == 'N')) {
            out += text[i];
            continue;
        }
        out += (next == 'n' || next == 'N') ? '\n' : next;
        ++i;
    }
    return out;
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
