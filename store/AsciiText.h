// ASCII helpers for texts that may hold Shift-JIS or UTF-8: neither puts a byte below 0x40
// inside a character, so blanks are found and trimmed safely. Letters compare without
// case only where the text is ASCII by rule (keywords, keys, mail addresses).
#pragma once
#include <string>
#include <string_view>

inline char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

// text without the characters of blanks at either end.
inline std::string TrimAny(const std::string& text, const char* blanks)
{
    size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos)
        return std::string();
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}
