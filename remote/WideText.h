// UTF-16 for the system's Unicode interfaces (wldap32, WinHTTP, the credentials prompt and
// store): from and to the UTF-8 of the fetches and the Shift-JIS of the store.
#pragma once
#include <string>

std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const wchar_t* text, size_t length);
inline std::string WideToUtf8(const std::wstring& text) { return WideToUtf8(text.data(), text.size()); }
std::wstring SjisToWide(const std::string& sjis);
// UTF-8 as the store's Shift-JIS, for messages; what Shift-JIS cannot hold becomes "?".
std::string Utf8ToSjis(const std::string& utf8);
