#include "exchange/Contact.h"
#include <algorithm>
#include <cstdint>
#include <cstring>
#include "exchange/ByteWords.h"
#include "store/AsciiText.h"

namespace {

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

// What a byte is to an address field: one that it is cut at or cleaned of (a control
// character, a comma, a colon), or its "@".
const unsigned kCut = 1;
const unsigned kAt = 2;

struct FieldBytes {
    unsigned char kind[256];
    constexpr FieldBytes() : kind()
    {
        for (unsigned b = 0; b < 256; ++b)
            kind[b] = static_cast<unsigned char>((b < 0x20 || b == 0x7F || b == ',' || b == ':' ? kCut : 0u) |
                                                 (b == '@' ? kAt : 0u));
    }
};

constexpr FieldBytes kBytes;

// The kinds of the bytes of a field, all together: eight bytes at a time, the rest one by one.
unsigned FieldKinds(const std::string& field)
{
    const char* text = field.data();
    uint64_t cut = 0, at = 0;
    size_t i = 0;
    for (; i + 8 <= field.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text + i, 8);
        cut |= ByteWords::Below(word, 0x20) | ByteWords::Equal(word, 0x7F) | ByteWords::Equal(word, ',') |
               ByteWords::Equal(word, ':');
        at |= ByteWords::Equal(word, '@');
    }
    unsigned kinds = (cut ? kCut : 0u) | (at ? kAt : 0u);
    for (; i < field.size(); ++i)
        kinds |= kBytes.kind[static_cast<unsigned char>(text[i])];
    return kinds;
}

}  // namespace

void AddContact(ContactList& list, Contact&& contact)
{
    if (!contact.addresses.empty())
        list.contacts.push_back(std::move(contact));
    else if (contact.isGroup)
        ++list.nEmptyGroups;
    else
        ++list.nWithoutAddress;
}

void AddAddresses(Contact& contact, const std::string& field)
{
    std::vector<std::string> spare;
    AddAddresses(contact, field, spare);
}

void AddAddresses(Contact& contact, const std::string& field, std::vector<std::string>& spare)
{
    // Mostly a field holds one address and nothing to cut: no control character, comma or
    // colon. Its "@" is then between its first and last character that is not a blank.
    unsigned kinds = FieldKinds(field);
    if (!(kinds & kCut)) {
        if (!(kinds & kAt))
            return;
        size_t begin = 0;
        size_t end = field.size();
        while (field[begin] == ' ')
            ++begin;
        while (field[end - 1] == ' ')
            --end;
        if (spare.empty()) {
            contact.addresses.emplace_back(field, begin, end - begin);
            return;
        }
        contact.addresses.push_back(std::move(spare.back()));
        spare.pop_back();
        contact.addresses.back().assign(field, begin, end - begin);
        return;
    }
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

void ClearAddresses(Contact& contact, std::vector<std::string>& spare)
{
    for (std::string& address : contact.addresses)
        spare.push_back(std::move(address));
    contact.addresses.clear();
}

void AddFolderPath(Contact& contact, const std::vector<std::string>& path)
{
    if (path.empty())
        return;
    if (contact.folders.empty()) {
        contact.folders = path;
        return;
    }
    if (contact.folders != path && std::find(contact.moreFolders.begin(), contact.moreFolders.end(), path) ==
                                       contact.moreFolders.end())
        contact.moreFolders.push_back(path);
}

std::string TrimBlanks(const std::string& text)
{
    return TrimAny(text, " \t\r\n");
}

bool SameAddress(const std::string& a, const std::string& b)
{
    return EqualNoCase(a, b);
}

std::vector<std::vector<std::string>> FolderPaths(const Contact& contact)
{
    std::vector<std::vector<std::string>> paths(1, contact.folders);
    paths.insert(paths.end(), contact.moreFolders.begin(), contact.moreFolders.end());
    return paths;
}
