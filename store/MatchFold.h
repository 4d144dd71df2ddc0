// The form in which completion compares texts (Shift-JIS): ASCII letters in lower case,
// full-width letters, digits, signs and the full-width space as their ASCII forms,
// half-width katakana as full-width ones (a voiced or semi-voiced mark joined to its kana),
// and katakana as hiragana. Two texts that a reader takes for the same letters fold to the
// same bytes, and a folded text starts with a folded prefix exactly when the texts do.
#pragma once
#include <cstddef>
#include <string>

// Appends the folded form of text (len bytes) to out.
void AppendFolded(const char* text, size_t len, std::string& out);

inline std::string Folded(const std::string& text)
{
    std::string out;
    AppendFolded(text.data(), text.size(), out);
    return out;
}
