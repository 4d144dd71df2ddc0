#include "exchange/ContactImporter.h"
#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>
#include "store/AsciiText.h"
#include "store/Sjis.h"

namespace {

const char kFullWidthColon[] = "\x81\x46";  // "：" in Shift-JIS

bool IsBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// Shift-JIS text made one line: a line break (CR LF, CR or LF) and any other control
// character is a blank, and blanks and tabs at either end go. No byte below 0x40 is ever a
// trail byte, so such bytes are found one by one.
void MakeOneLine(std::string& sjis)
{
    bool controls = false;
    for (char c : sjis)
        controls |= static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    if (!controls && (sjis.empty() || (!IsBlankOrTab(sjis.front()) && !IsBlankOrTab(sjis.back()))))
        return;  // mostly so
    size_t to = 0;
    for (size_t i = 0; i < sjis.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(sjis[i]);
        if (c == '\r' && i + 1 < sjis.size() && sjis[i + 1] == '\n')
            continue;
        sjis[to++] = (c < 0x20 || c == 0x7F) ? ' ' : static_cast<char>(c);
    }
    while (to > 0 && IsBlankOrTab(sjis[to - 1]))
        --to;
    sjis.resize(to);
    size_t begin = 0;
    while (begin < to && IsBlankOrTab(sjis[begin]))
        ++begin;
    sjis.erase(0, begin);
}

// A name as an address line can hold it: on one line, a ":" (which would end the name) the
// full-width "：", and a name that would read back as a folder line ("Group x", "End group")
// beginning with the full-width form of its first letter ("Ｇroup x").
void MakeStorableName(std::string& sjis)
{
    MakeOneLine(sjis);
    for (size_t colon = sjis.find(':'); colon != std::string::npos; colon = sjis.find(':', colon))
        sjis.replace(colon, 1, kFullWidthColon);
    char opening = static_cast<char>(sjis.empty() ? 0 : sjis[0] | 0x20);
    if ((opening == 'g' || opening == 'e') && !CAddrBook::IsStorableAddressName(sjis.c_str())) {
        // Only "group" or "end group" in any case opens such a name: Ａ is 0x82 0x60, ａ 0x82 0x81.
        char first = sjis[0];
        char wide = static_cast<char>(first >= 'a' ? 0x81 + (first - 'a') : 0x60 + (first - 'A'));
        sjis.replace(0, 1, std::string("\x82") + wide);
    }
}

// Whether the address at index is one of those before it (ASCII case aside).
bool IsRepeat(const std::vector<std::string>& addresses, size_t index)
{
    for (size_t i = 0; i < index; ++i) {
        if (SameAddress(addresses[i], addresses[index]))
            return true;
    }
    return false;
}

// Two Shift-JIS addresses alike but for the case of their ASCII letters.
bool SameSjisAddress(const char* stored, const std::string& address)
{
    size_t i = 0;
    for (; i < address.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(stored[i]);
        unsigned char b = static_cast<unsigned char>(address[i]);
        if (a == 0)
            return false;
        if (IsSjisLeadByte(b) && i + 1 < address.size()) {
            if (a != b || stored[i + 1] != address[i + 1])
                return false;
            ++i;
        } else if (AsciiLower(static_cast<char>(a)) != AsciiLower(static_cast<char>(b))) {
            return false;
        }
    }
    return stored[i] == 0;
}

// Whether the Shift-JIS address at index is one of those before it (ASCII case aside).
bool IsSjisRepeat(const std::vector<std::string>& addresses, size_t index)
{
    for (size_t i = 0; i < index; ++i) {
        if (SameSjisAddress(addresses[i].c_str(), addresses[index]))
            return true;
    }
    return false;
}

}  // namespace

bool CContactImporter::AddAll(const ContactList& list)
{
    for (const Contact& contact : list.contacts) {
        if (!Add(contact))
            return false;
    }
    return true;
}

bool CContactImporter::Add(const Contact& contact)
{
    if (contact.addresses.empty())
        return true;
    // The buffers of the last contact are used again.
    m_nAddresses = 0;
    for (size_t i = 0; i < contact.addresses.size(); ++i) {
        if (IsRepeat(contact.addresses, i))
            continue;
        if (m_nAddresses == m_Addresses.size())
            m_Addresses.emplace_back();
        std::string& address = m_Addresses[m_nAddresses];
        m_Encoder.Encode(contact.addresses[i], address);
        // A comma would make the address a list; only a normal form can have brought one.
        std::replace(address.begin(), address.end(), ',', '?');
        MakeOneLine(address);
        // Addresses that differ only in characters Shift-JIS cannot hold are one address in
        // the book: a list names it once, as it does when it is read back.
        if (!IsSjisRepeat(m_Addresses, m_nAddresses))
            ++m_nAddresses;
    }
    NodeName(contact);
    if (contact.isGroup) {
        for (size_t i = 1; i < m_nAddresses; ++i)
            m_Addresses[0] += "," + m_Addresses[i];
        // A group of one member stays a list: its text ends with the list's comma.
        if (m_nAddresses == 1)
            m_Addresses[0] += ",";
        m_nAddresses = 1;
    }
    int added = m_nAdded;
    if (!AddNodes(contact.folders, contact.isGroup))
        return false;
    for (const std::vector<std::string>& path : contact.moreFolders) {
        if (!AddNodes(path, contact.isGroup))
            return false;
    }
    if (m_nAdded == added)
        ++m_nDuplicates;  // every entry it would make is there already
    else
        ++m_nContacts;
    return true;
}

namespace {

const uint64_t kHashMultiplier = 0x9E3779B97F4A7C15ull;

uint64_t MixWord(uint64_t hash, uint64_t word)
{
    hash = (hash ^ word) * kHashMultiplier;
    return hash ^ (hash >> 29);
}

// The bytes of text mixed into hash eight at a time, with its length.
uint64_t MixBytes(uint64_t hash, const char* text, size_t size)
{
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, text + i, 8);
        hash = MixWord(hash, word);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, text + i, size - i);
    return MixWord(MixWord(hash, tail), size);
}

// The ASCII capitals of eight bytes, none of them 0x80 or above, in lower case.
uint64_t LowerAsciiWord(uint64_t word)
{
    const uint64_t kOnes = 0x0101010101010101ull;
    // 0x80 in each byte from 'A' on, and in each byte after 'Z'; their difference marks A-Z.
    uint64_t fromA = word + kOnes * (0x80 - 'A');
    uint64_t afterZ = word + kOnes * (0x80 - 'Z' - 1);
    uint64_t capitals = (fromA & ~afterZ) & (kOnes * 0x80);
    return word | (capitals >> 2);
}

}  // namespace

// The hash of an entry of m_Name with the address in folder, the address's ASCII letters
// in lower case (never a Shift-JIS trail byte), so that entries that IsRepeatedEntry takes
// for the same hash alike; never 0, which marks a free slot.
uint64_t CContactImporter::EntryHash(const ADTDATA* folder, const std::string& address) const
{
    uint64_t hash = MixWord(0xcbf29ce484222325ull, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(folder)));
    hash = MixBytes(hash, m_Name.data(), m_Name.size());
    const char* text = address.data();
    size_t size = address.size();
    size_t i = 0;
    // Mostly ASCII: eight bytes at a time.
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, text + i, 8);
        if (word & 0x8080808080808080ull)
            break;
        hash = MixWord(hash, LowerAsciiWord(word));
    }
    // The rest a byte at a time, a Shift-JIS character as it is.
    uint64_t rest = 0x84222325cbf29ce4ull;
    const uint64_t kPrime = 0x100000001b3ull;
    for (; i < size; ++i) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (IsSjisLeadByte(b) && i + 1 < size) {
            rest = (rest ^ b) * kPrime;
            b = static_cast<unsigned char>(text[++i]);
        } else {
            b = static_cast<unsigned char>(AsciiLower(static_cast<char>(b)));
        }
        rest = (rest ^ b) * kPrime;
    }
    return MixWord(MixWord(hash, rest), size) | 1;
}

// Whether the folder holds an entry of m_Name with the address (or list: an entry is its
// text, whatever made it) already, ASCII case aside: a file that lists someone twice gives
// one entry.
bool CContactImporter::IsRepeatedEntry(uint64_t hash, const ADTDATA* folder, const std::string& address) const
{
    if (m_Seen.empty())
        return false;
    size_t mask = m_Seen.size() - 1;
    for (size_t i = static_cast<size_t>(hash) & mask; m_Seen[i].hash != 0; i = (i + 1) & mask) {
        const ADTDATA* node = m_Seen[i].node;
        if (m_Seen[i].hash != hash || node->pParent != folder)
            continue;
        if (m_Name != (node->psName ? node->psName : "") || !SameSjisAddress(node->psAddr ? node->psAddr : "", address))
            continue;
        return true;
    }
    return false;
}

void CContactImporter::RememberEntry(uint64_t hash, const ADTDATA* node)
{
    if (2 * (m_nSeen + 1) > m_Seen.size())
        GrowSeen();
    size_t mask = m_Seen.size() - 1;
    size_t i = static_cast<size_t>(hash) & mask;
    while (m_Seen[i].hash != 0)
        i = (i + 1) & mask;
    m_Seen[i] = {hash, node};
    ++m_nSeen;
}

void CContactImporter::GrowSeen()
{
    std::vector<SeenSlot> old(std::max<size_t>(1024, m_Seen.size() * 2));
    old.swap(m_Seen);
    size_t mask = m_Seen.size() - 1;
    for (const SeenSlot& slot : old) {
        if (slot.hash == 0)
            continue;
        size_t i = static_cast<size_t>(slot.hash) & mask;
        while (m_Seen[i].hash != 0)
            i = (i + 1) & mask;
        m_Seen[i] = slot;
    }
}

// m_Name: the contact's name, or for a contact without one the local part of its first
// address (the address itself when it has none), as an address line can hold it.
void CContactImporter::NodeName(const Contact& contact)
{
    m_Encoder.Encode(contact.name, m_Name);
    MakeStorableName(m_Name);
    const std::string& address = contact.addresses.front();
    if (m_Name.empty()) {
        m_Encoder.Encode(address.substr(0, address.find('@')), m_Name);
        MakeStorableName(m_Name);
    }
    if (m_Name.empty()) {
        m_Name = m_Addresses[0];
        MakeStorableName(m_Name);
    }
}

// The nodes of m_Name with the addresses in m_Addresses, in the folder of path.
bool CContactImporter::AddNodes(const std::vector<std::string>& path, bool list)
{
    ADTDATA* folder = FolderOf(path);
    if (!folder)
        return false;
    for (size_t i = 0; i < m_nAddresses; ++i) {
        uint64_t hash = EntryHash(folder, m_Addresses[i]);
        if (IsRepeatedEntry(hash, folder, m_Addresses[i]))
            continue;
        ADTDATA* node = m_Store.AddData(ADT_ADDR, m_Name.c_str(), m_Addresses[i].c_str(), folder, PLACE_CHILD);
        if (!node)
            return false;
        RememberEntry(hash, node);
        ++m_nAdded;
        m_nLists += list ? 1 : 0;
    }
    return true;
}

// The folder of a path below the book, made where it is missing; the book for no path.
// Contacts of one folder mostly come together, so the last path is remembered.
ADTDATA* CContactImporter::FolderOf(const std::vector<std::string>& folders)
{
    if (m_pLastFolder && folders == m_LastPath)
        return m_pLastFolder;
    ADTDATA* parent = m_pBook;
    for (const std::string& folder : folders) {
        parent = ChildFolder(parent, folder);
        if (!parent)
            return nullptr;
    }
    m_LastPath = folders;
    m_pLastFolder = parent;
    return parent;
}

// Folders are told apart by their Shift-JIS names, made one line; a replaced character
// counts once, when its folder is made. A name with nothing left is no folder: the parent.
ADTDATA* CContactImporter::ChildFolder(ADTDATA* parent, const std::string& name)
{
    CSjisEncoder lookup;
    std::string sjis = lookup.Encode(name);
    MakeOneLine(sjis);
    if (sjis.empty())
        return parent;
    ADTDATA*& folder = m_Folders[{parent, sjis}];
    if (!folder) {
        m_Encoder.Encode(name);
        folder = m_Store.AddData(ADT_FOLDER, sjis.c_str(), nullptr, parent, PLACE_CHILD);
    }
    return folder;
}
