#include "store/Contact.h"
#include <algorithm>
#include <unordered_set>

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
    std::string address;
    for (char c : TrimBlanks(part)) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            address.push_back(c);
    }
    if (address.find('@') != std::string::npos)
        contact.addresses.push_back(address);
}

}  // namespace

void AddContact(ContactList& list, Contact&& contact)
{
    if (contact.addresses.empty()) {
        ++list.nWithoutAddress;
        return;
    }
    // The same address given twice (a primary and a second address alike) is kept once.
    std::unordered_set<std::string> seen;
    std::vector<std::string> addresses;
    for (std::string& address : contact.addresses) {
        if (seen.insert(address).second)
            addresses.push_back(std::move(address));
    }
    contact.addresses = std::move(addresses);
    list.contacts.push_back(std::move(contact));
}

void AddAddresses(Contact& contact, const std::string& text)
{
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        size_t separator = 0;
        if (i == text.size() || text[i] == ',' || text[i] == '\r' || text[i] == '\n')
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
