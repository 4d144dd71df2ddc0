#include "remote/WideText.h"
#include <windows.h>
#include "text/SjisEncoder.h"

std::wstring Utf8ToWide(const std::string& utf8)
{
    if (utf8.empty())
        return std::wstring();
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
    return wide;
}

std::string WideToUtf8(const wchar_t* text, size_t length)
{
    if (!length)
        return std::string();
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

std::wstring SjisToWide(const std::string& sjis)
{
    if (sjis.empty())
        return std::wstring();
    int length = MultiByteToWideChar(932, 0, sjis.data(), static_cast<int>(sjis.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(932, 0, sjis.data(), static_cast<int>(sjis.size()), &wide[0], length);
    return wide;
}

std::string Utf8ToSjis(const std::string& utf8)
{
    CSjisEncoder encoder;
    return encoder.Encode(utf8);
}
