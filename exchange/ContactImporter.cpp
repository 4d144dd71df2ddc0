#include "exchange/ContactImporter.h"
#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>
#include "exchange/ByteWords.h"
#include "store/AsciiText.h"
#include "store/Sjis.h"

namespace {

const char kFullWidthColon[] = "\x81\x46";  // "：" in Shift-JIS

bool IsBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// What a byte is to a text the book takes: a control character (a line end among them), a
// comma, a colon, or 0x80 and above (no ASCII).
const unsigned kControl = 1;
const unsigned kComma = 2;
const unsigned kColon = 4;
const unsigned kEightBit = 8;

struct ByteKinds {
    unsigned char kind[256];
    constexpr ByteKinds() : kind()
    {
        for (unsigned b = 0; b < 256; ++b)
            kind[b] = static_cast<unsigned char>((b < 0x20 || b == 0x7F ? kControl : 0u) | (b == ',' ? kComma : 0u) |
                                                 (b == ':' ? kColon : 0u) | (b >= 0x80 ? kEightBit : 0u));
    }
};

constexpr ByteKinds kByteKinds;

using ByteWords::kHighBits;
using ByteWords::kOnes;

// The kinds of the bytes of text, all together: eight bytes at a time, the rest one by one.
unsigned KindsOf(const char* text, size_t size)
{
    uint64_t eightBit = 0, control = 0, comma = 0, colon = 0;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, text + i, 8);
        eightBit |= word & kHighBits;
        control |= ByteWords::Below(word, 0x20) | ByteWords::Equal(word, 0x7F);
        comma |= ByteWords::Equal(word, ',');
        colon |= ByteWords::Equal(word, ':');
    }
    unsigned kinds = (eightBit ? kEightBit : 0u) | (control ? kControl : 0u) | (comma ? kComma : 0u) | (colon ? kColon : 0u);
    for (; i < size; ++i)
        kinds |= kByteKinds.kind[static_cast<unsigned char>(text[i])];
    return kinds;
}

// Whether text has a blank or a tab at either end.
bool HasBlankEnd(const std::string& text)
{
    return !text.empty() && (IsBlankOrTab(text.front()) || IsBlankOrTab(text.back()));
}

// Shift-JIS text made one line: a line break (CR LF, CR or LF) and any other control
// character is a blank, and blanks and tabs at either end go. No byte below 0x40 is ever a
// trail byte, so such bytes are found one by one.
void MakeOneLine(std::string& sjis)
{
    if (!(KindsOf(sjis.data(), sjis.size()) & kControl) && !HasBlankEnd(sjis))
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
    unsigned kinds = KindsOf(sjis.data(), sjis.size());
    if ((kinds & kControl) || HasBlankEnd(sjis))
        MakeOneLine(sjis);
    if (kinds & kColon) {
        for (size_t colon = sjis.find(':'); colon != std::string::npos; colon = sjis.find(':', colon))
            sjis.replace(colon, 1, kFullWidthColon);
    }
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

// Two Shift-JIS addresses alike but for the case of their ASCII letters: stored ends at its
// NUL, address has size bytes.
bool SameSjisAddress(const char* stored, const char* address, size_t size)
{
    size_t i = 0;
    for (; i < size; ++i) {
        unsigned char a = static_cast<unsigned char>(stored[i]);
        unsigned char b = static_cast<unsigned char>(address[i]);
        if (a == 0)
            return false;
        if (IsSjisLeadByte(b) && i + 1 < size) {
            if (a != b || stored[i + 1] != address[i + 1])
                return false;
            ++i;
        } else if (AsciiLower(static_cast<char>(a)) != AsciiLower(static_cast<char>(b))) {
            return false;
        }
    }
    return stored[i] == 0;
}

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
    // 0x80 in each byte from 'A' on, and in each byte after 'Z'; their difference marks A-Z.
    uint64_t fromA = word + kOnes * (0x80 - 'A');
    uint64_t afterZ = word + kOnes * (0x80 - 'Z' - 1);
    uint64_t capitals = (fromA & ~afterZ) & (kOnes * 0x80);
    return word | (capitals >> 2);
}

// The hash of a Shift-JIS address with its ASCII letters in lower case (never a trail
// byte), so that addresses that SameSjisAddress takes for the same hash alike.
uint64_t AddressHash(const char* text, size_t size)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    size_t i = 0;
    // Mostly ASCII: eight bytes at a time.
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, text + i, 8);
        if (word & 0x8080808080808080ull)
            break;
        hash = MixWord(hash, LowerAsciiWord(word));
    }
    if (i + 8 > size) {
        uint64_t tail = 0;
        std::memcpy(&tail, text + i, size - i);
        if (!(tail & kHighBits))
            return MixWord(MixWord(hash, LowerAsciiWord(tail)), size);
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
    return MixWord(MixWord(hash, rest), size);
}

// The hash of an entry: the hash of its name's bytes, its folder and its address's hash;
// never 0.
uint64_t EntryHash(uint64_t nameHash, const ADTDATA* folder, uint64_t addressHash)
{
    uint64_t hash = MixWord(nameHash, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(folder)));
    return MixWord(hash, addressHash) | 1;
}

// The 32 bits of an entry's hash kept in the table of entries made; never 0.
uint32_t HashTag(uint64_t hash)
{
    return static_cast<uint32_t>(hash >> 32) | 1;
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

// One more entry text of the contact: the address as the book holds it, in Shift-JIS on one
// line, a comma (which would make it a list; only a normal form can have brought one) "?".
// Addresses that differ only in characters Shift-JIS cannot hold are one address in the
// book: a list names it once, as it does when it is read back.
void CContactImporter::AddAddress(const std::string& address)
{
    EntryText entry;
    if (!(KindsOf(address.data(), address.size()) & (kControl | kComma | kEightBit)) && !HasBlankEnd(address)) {
        // Mostly so: plain ASCII, which the book takes as it is.
        entry.text = address.c_str();
        entry.size = address.size();
    } else {
        size_t room = m_Entries.size();
        if (room >= m_Room.size())
            m_Room.resize(room + 1);
        std::string& sjis = m_Room[room];
        m_Encoder.Encode(address, sjis);
        std::replace(sjis.begin(), sjis.end(), ',', '?');
        MakeOneLine(sjis);
        entry.text = sjis.c_str();
        entry.size = sjis.size();
    }
    for (const EntryText& before : m_Entries) {
        if (SameSjisAddress(before.text, entry.text, entry.size))
            return;
    }
    entry.hash = AddressHash(entry.text, entry.size);
    m_Entries.push_back(entry);
}

bool CContactImporter::Add(const Contact& contact)
{
    if (contact.addresses.empty())
        return true;
    m_Entries.clear();
    for (size_t i = 0; i < contact.addresses.size(); ++i) {
        if (!IsRepeat(contact.addresses, i))
            AddAddress(contact.addresses[i]);
    }
    NodeName(contact);
    if (contact.isGroup) {
        m_List.assign(m_Entries[0].text, m_Entries[0].size);
        for (size_t i = 1; i < m_Entries.size(); ++i)
            m_List.append(1, ',').append(m_Entries[i].text, m_Entries[i].size);
        // A group of one member stays a list: its text ends with the list's comma.
        if (m_Entries.size() == 1)
            m_List += ",";
        m_Entries.assign(1, EntryText{m_List.c_str(), m_List.size(), AddressHash(m_List.data(), m_List.size())});
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

// Whether the folder holds an entry of m_Name with the address (or list: an entry is its
// text, whatever made it) already, ASCII case aside: a file that lists someone twice gives
// one entry.
bool CContactImporter::IsRepeatedEntry(uint64_t hash, const ADTDATA* folder, const EntryText& entry) const
{
    if (m_SeenTags.empty())
        return false;
    uint32_t tag = HashTag(hash);
    size_t mask = m_SeenTags.size() - 1;
    for (size_t i = static_cast<size_t>(hash) & mask; m_SeenTags[i] != 0; i = (i + 1) & mask) {
        if (m_SeenTags[i] != tag)
            continue;
        const ADTDATA* node = m_SeenEntries[i].node;
        if (m_SeenEntries[i].hash != hash || node->pParent != folder || m_Name != (node->psName ? node->psName : "") ||
            !SameSjisAddress(node->psAddr ? node->psAddr : "", entry.text, entry.size))
            continue;
        return true;
    }
    return false;
}

void CContactImporter::RememberEntry(uint64_t hash, const ADTDATA* node)
{
    if (2 * (m_nSeen + 1) > m_SeenTags.size())
        GrowSeen();
    size_t mask = m_SeenTags.size() - 1;
    size_t i = static_cast<size_t>(hash) & mask;
    while (m_SeenTags[i] != 0)
        i = (i + 1) & mask;
    m_SeenTags[i] = HashTag(hash);
    m_SeenEntries[i] = {hash, node};
    ++m_nSeen;
}

void CContactImporter::GrowSeen()
{
    std::vector<SeenEntry> entries(std::max<size_t>(1024, m_SeenEntries.size() * 2));
    entries.swap(m_SeenEntries);
    m_SeenTags.assign(m_SeenEntries.size(), 0);
    size_t mask = m_SeenTags.size() - 1;
    for (const SeenEntry& entry : entries) {
        if (!entry.node)
            continue;
        size_t i = static_cast<size_t>(entry.hash) & mask;
        while (m_SeenTags[i] != 0)
            i = (i + 1) & mask;
        m_SeenTags[i] = HashTag(entry.hash);
        m_SeenEntries[i] = entry;
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
        m_Name.assign(m_Entries[0].text, m_Entries[0].size);
        MakeStorableName(m_Name);
    }
    m_NameHash = MixBytes(0xcbf29ce484222325ull, m_Name.data(), m_Name.size());
}

// The nodes of m_Name with the texts of m_Entries, in the folder of path.
bool CContactImporter::AddNodes(const std::vector<std::string>& path, bool list)
{
    ADTDATA* folder = FolderOf(path);
    if (!folder)
        return false;
    for (const EntryText& entry : m_Entries) {
        uint64_t hash = EntryHash(m_NameHash, folder, entry.hash);
        if (IsRepeatedEntry(hash, folder, entry))
            continue;
        ADTDATA* node = m_Store.AddData(ADT_ADDR, m_Name.c_str(), entry.text, folder, PLACE_CHILD);
        if (!node)
            return false;
        RememberEntry(hash, node);
        ++m_nAdded;
        m_nLists += list ? 1 : 0;
    }
    return true;
}

// The folder of a path below the book, made where it is missing; the book for no path.
// Contacts of one folder mostly come together, so the last path is compared first.
ADTDATA* CContactImporter::FolderOf(const std::vector<std::string>& folders)
{
    if (m_pLastFolder && folders == m_LastPath)
        return m_pLastFolder;
    m_PathKey.clear();
    for (const std::string& folder : folders)
        m_PathKey.append(folder).append(1, '\0');
    ADTDATA*& known = m_Paths[m_PathKey];
    if (!known) {
        ADTDATA* parent = m_pBook;
        for (const std::string& folder : folders) {
            parent = ChildFolder(parent, folder);
            if (!parent)
                return nullptr;
        }
        known = parent;
    }
    m_LastPath = folders;
    m_pLastFolder = known;
    return known;
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
