#include "edmax/AddressText.h"

namespace {

// The separators and blanks are all below 0x40, so none of them can be the second byte of a
// Shift-JIS character and the texts can be cut bytewise.
bool IsSeparator(char c)
{
    return c == ',' || c == '\n' || c == '\r';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& text, size_t begin, size_t end)
{
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string Join(const std::vector<std::string>& entries, const char* separator)
{
    std::string joined;
    for (const std::string& entry : entries) {
        if (!joined.empty())
            joined += separator;
        joined += entry;
    }
    return joined;
}

}  // namespace

std::vector<std::string> SplitAddressEntries(const std::string& text)
{
    std::vector<std::string> entries;
    size_t begin = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !IsSeparator(text[i]))
            continue;
        std::string entry = Trimmed(text, begin, i);
        if (!entry.empty())
            entries.push_back(entry);
        begin = i + 1;
    }
    return entries;
}

std::string JoinForField(const std::vector<std::string>& entries)
{
    return Join(entries, ", ");
}

std::string FieldTextFrom(const std::string& text)
{
    return JoinForField(SplitAddressEntries(text));
}

std::string HostTextFromField(const std::string& field)
{
    return Join(SplitAddressEntries(field), ",");
}
