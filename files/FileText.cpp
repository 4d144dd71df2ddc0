#include "files/FileText.h"
#include <windows.h>
#include "files/AddrLine.h"

namespace {

const UINT kShiftJis = 932;

bool StartsWith(const std::string& bytes, const char* mark, size_t size)
{
    return bytes.size() >= size && bytes.compare(0, size, mark, size) == 0;
}

std::wstring Widen(const std::string& bytes, size_t start, UINT codePage)
{
    int size = static_cast<int>(bytes.size() - start);
    if (size <= 0)
        return std::wstring();
    int length = MultiByteToWideChar(codePage, 0, bytes.data() + start, size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, bytes.data() + start, size, &wide[0], length);
    return wide;
}

std::string Narrow(const std::wstring& wide, UINT codePage)
{
    if (wide.empty())
        return std::string();
    int size = static_cast<int>(wide.size());
    int length = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    if (length > 0)
        WideCharToMultiByte(codePage, 0, wide.data(), size, &text[0], length, nullptr, nullptr);
    return text;
}

std::wstring FromUtf16(const std::string& bytes, bool bigEndian)
{
    std::wstring wide;
    wide.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        wide.push_back(static_cast<wchar_t>(bigEndian ? (a << 8) | b : (b << 8) | a));
    }
    return wide;
}

std::string ToUtf16(const std::wstring& wide, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t ch : wide) {
        char high = static_cast<char>((ch >> 8) & 0xFF), low = static_cast<char>(ch & 0xFF);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    return bytes;
}

bool HasHighBytes(const std::string& bytes)
{
    for (unsigned char c : bytes) {
        if (c >= 0x80)
            return true;
    }
    return false;
}

}  // namespace

TextEncoding DetectTextEncoding(const std::string& bytes)
{
    if (StartsWith(bytes, "\xEF\xBB\xBF", 3))
        return TextEncoding::Utf8Bom;
    if (StartsWith(bytes, "\xFF\xFE", 2))
        return TextEncoding::Utf16Le;
    if (StartsWith(bytes, "\xFE\xFF", 2))
        return TextEncoding::Utf16Be;
    if (HasHighBytes(bytes) &&
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0) > 0)
        return TextEncoding::Utf8;
    return TextEncoding::ShiftJis;
}

std::string DecodeToShiftJis(const std::string& bytes, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8Bom: return Narrow(Widen(bytes, 3, CP_UTF8), kShiftJis);
    case TextEncoding::Utf8: return Narrow(Widen(bytes, 0, CP_UTF8), kShiftJis);
    case TextEncoding::Utf16Le: return Narrow(FromUtf16(bytes, false), kShiftJis);
    case TextEncoding::Utf16Be: return Narrow(FromUtf16(bytes, true), kShiftJis);
    default: return bytes;
    }
}

std::string EncodeFromShiftJis(const std::string& text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8Bom: return "\xEF\xBB\xBF" + Narrow(Widen(text, 0, kShiftJis), CP_UTF8);
    case TextEncoding::Utf8: return Narrow(Widen(text, 0, kShiftJis), CP_UTF8);
    case TextEncoding::Utf16Le: return ToUtf16(Widen(text, 0, kShiftJis), false);
    case TextEncoding::Utf16Be: return ToUtf16(Widen(text, 0, kShiftJis), true);
    default: return text;
    }
}

BookText PrepareBookText(std::string& bytes)
{
    TextEncoding encoding = DetectTextEncoding(bytes);
    if (encoding != TextEncoding::ShiftJis)
        bytes = DecodeToShiftJis(bytes, encoding);
    return IsCompleteAddressText(bytes) ? BookText::Whole : BookText::Incomplete;
}
