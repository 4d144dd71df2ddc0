#include "exchange/Contact.h"
#include <algorithm>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void AddAddress(Contact& contact, const std::string& part)
{
    std::string address = TrimBlanks(part);
    if (address.find('@') != std::string::npos)
        contact.addresses.push_back(address);
}

// The field with line ends as commas and other control characters dropped, so that what
// is left is cut the same way each time it is read.
std::string WithoutControls(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\r' || c == '\n')
            out += ',';
        else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            out += c;
    }
    return out;
}

}  // namespace

void AddContact(ContactList& list, Contact&& contact)
{
    if (contact.addresses.empty())
        ++list.nWithoutAddress;
    else
        list.contacts.push_back(std::move(contact));
}

void AddAddresses(Contact& contact, const std::string& field)
{
    std::string text = WithoutControls(field);
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        size_t separator = 0;
        if (i == text.size() || text[i] == ',')
            separator = 1;
        else if (text.compare(i, 3, ":::") == 0)
            separator = 3;
        if (!separator)
            continue;
        AddAddress(contact, text.substr(start, i - start));
        i += separator - 1;
        start = i + 1;
    }
}

std::string ComposeName(const std::string& given, const std::string& middle, const std::string& family)
{
    bool familyFirst = !IsAscii(given) || !IsAscii(family);
    const std::string* order[] = {&given, &middle, &family};
    if (familyFirst) {
        order[0] = &family;
        order[1] = &given;
        order[2] = &middle;
    }
    std::string name;
    for (const std::string* part : order) {
        std::string trimmed = TrimBlanks(*part);
        if (trimmed.empty())
            continue;
        if (!name.empty())
            name += ' ';
        name += trimmed;
    }
    return name;
}

std::string TrimBlanks(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}
