#include "edmax/MailAddressFinder.h"

namespace {

bool IsAddressChar(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'.' || c == L'_' || c == L'%' || c == L'+' || c == L'-' || c == L'@';
}

bool IsLineBreak(wchar_t c)
{
    return c == L'\r' || c == L'\n';
}

// A candidate is an address when it is printable ASCII without blanks or brackets and has
// something on both sides of its "@".
std::string Checked(const std::wstring& candidate)
{
    size_t at = candidate.find(L'@');
    if (at == std::wstring::npos || at == 0 || at + 1 >= candidate.size())
        return std::string();
    std::string address;
    for (wchar_t c : candidate) {
        if (c <= L' ' || c >= 0x7F || c == L'<' || c == L'>')
            return std::string();
        address += static_cast<char>(c);
    }
    return address;
}

// The contents of the <...> pair around pos on pos's line, if there is one.
std::string BracketedAt(const std::wstring& text, size_t pos)
{
    size_t open = pos + 1;
    while (open > 0) {
        wchar_t c = text[open - 1];
        if (c == L'<')
            break;
        if (IsLineBreak(c) || (c == L'>' && open - 1 != pos))
            return std::string();
        --open;
    }
    if (open == 0)
        return std::string();
    size_t close = open;
    while (close < text.size() && text[close] != L'>') {
        if (IsLineBreak(text[close]) || text[close] == L'<')
            return std::string();
        ++close;
    }
    if (close >= text.size() || close < pos)
        return std::string();
    return Checked(text.substr(open, close - open));
}

}  // namespace

std::string FindMailAddressAt(const std::wstring& text, size_t pos)
{
    if (pos >= text.size())
        return std::string();
    std::string bracketed = BracketedAt(text, pos);
    if (!bracketed.empty())
        return bracketed;
    if (!IsAddressChar(text[pos]))
        return std::string();

    size_t begin = pos;
    while (begin > 0 && IsAddressChar(text[begin - 1]))
        --begin;
    size_t end = pos + 1;
    while (end < text.size() && IsAddressChar(text[end]))
        ++end;
    // A sentence may end right after an address: its full stop is not part of it.
    while (begin < end && text[begin] == L'.')
        ++begin;
    while (end > begin && text[end - 1] == L'.')
        --end;
    return Checked(text.substr(begin, end - begin));
}
