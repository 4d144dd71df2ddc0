#include "exchange/ContactImporter.h"
#include "text/Charset.h"

namespace {

const char kFullWidthColon[] = u8"：";

// Control characters are blanks, a line break (CR LF, CR or LF) one blank.
std::string BlankControls(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
    }
    return out;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether a name is stored as it is: no control character, no ":", no blank at either
// end, and no "group" or "end group" at its start (which a first letter g or e may open).
bool IsPlainName(const std::string& name)
{
    if (name.empty() || IsBlank(name.front()) || IsBlank(name.back()))
        return false;
    char first = static_cast<char>(name[0] | 0x20);
    if (first == 'g' || first == 'e')
        return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == ':')
            return false;
    }
    return true;
}

// A contact's name as an address line can hold it: control characters are blanks, a ":"
// (which would end the name) is the full-width "：", blanks around it are dropped, and a
// name that would read back as a folder line ("Group x", "End group") begins with the
// full-width form of its first letter ("Ｇroup x"). UTF-8 in and out.
std::string StorableName(const std::string& name)
{
    std::string text;
    for (char c : TrimBlanks(BlankControls(name))) {
        if (c == ':')
            text += kFullWidthColon;
        else
            text += c;
    }
    if (!CAddrBook::IsStorableAddressName(text.c_str())) {
        // Only "group" or "end group" in any case opens such a name.
        char first = text[0];
        char32_t wide = first >= 'a' ? U'ａ' + (first - 'a') : U'Ａ' + (first - 'A');
        std::string letter;
        Charset::AppendUtf8(letter, wide);
        text.replace(0, 1, letter);
    }
    return text;
}

// The contact's name as an address line holds it (see StorableName), or for a contact
// without one the local part of its first address; buffer keeps what had to be changed.
const std::string& NodeName(const Contact& contact, std::string& buffer)
{
    if (IsPlainName(contact.name))
        return contact.name;
    bool blank = true;
    for (char c : contact.name)
        blank = blank && (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F);
    const std::string& address = contact.addresses.front();
    buffer = StorableName(blank ? address.substr(0, address.find('@')) : contact.name);
    return buffer;
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
        m_Encoder.Encode(contact.addresses[i], m_Addresses[m_nAddresses++]);
    }
    m_Encoder.Encode(NodeName(contact, m_NameBuffer), m_Name);
    if (contact.isGroup) {
        for (size_t i = 1; i < m_nAddresses; ++i)
            m_Addresses[0] += "," + m_Addresses[i];
        m_nAddresses = 1;
    }
    if (!AddNodes(contact.folders, contact.isGroup))
        return false;
    for (const std::vector<std::string>& path : contact.moreFolders) {
        if (!AddNodes(path, contact.isGroup))
            return false;
    }
    ++m_nContacts;
    return true;
}

// The nodes of m_Name with the addresses in m_Addresses, in the folder of path.
bool CContactImporter::AddNodes(const std::vector<std::string>& path, bool list)
{
    ADTDATA* folder = FolderOf(path);
    if (!folder)
        return false;
    for (size_t i = 0; i < m_nAddresses; ++i) {
        if (!m_Store.AddData(ADT_ADDR, m_Name.c_str(), m_Addresses[i].c_str(), folder, PLACE_CHILD))
            return false;
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
        std::string text = TrimBlanks(BlankControls(folder));
        if (text.empty())
            continue;
        parent = ChildFolder(parent, text);
        if (!parent)
            return nullptr;
    }
    m_LastPath = folders;
    m_pLastFolder = parent;
    return parent;
}

// Folders are told apart by their Shift-JIS names; a replaced character counts once, when
// its folder is made.
ADTDATA* CContactImporter::ChildFolder(ADTDATA* parent, const std::string& name)
{
    CSjisEncoder lookup;
    ADTDATA*& folder = m_Folders[{parent, lookup.Encode(name)}];
    if (!folder)
        folder = m_Store.AddData(ADT_FOLDER, m_Encoder.Encode(name).c_str(), nullptr, parent, PLACE_CHILD);
    return folder;
}
