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

// The name of a contact that has none: the local part of its first address.
std::string NameOf(const Contact& contact)
{
    if (!TrimBlanks(BlankControls(contact.name)).empty())
        return contact.name;
    const std::string& address = contact.addresses.front();
    return address.substr(0, address.find('@'));
}

// The contact's addresses without repeats (ASCII case aside), in their order.
std::vector<std::string> DistinctAddresses(const Contact& contact)
{
    std::vector<std::string> distinct;
    for (const std::string& address : contact.addresses) {
        bool seen = false;
        for (const std::string& kept : distinct)
            seen = seen || SameAddress(kept, address);
        if (!seen)
            distinct.push_back(address);
    }
    return distinct;
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
    std::vector<std::string> addresses;
    for (const std::string& address : DistinctAddresses(contact))
        addresses.push_back(m_Encoder.Encode(address));
    std::string name = m_Encoder.Encode(StorableName(NameOf(contact)));
    std::string list;
    if (contact.isGroup) {
        for (const std::string& address : addresses)
            list += (list.empty() ? "" : ",") + address;
    }
    for (const std::vector<std::string>& path : FolderPaths(contact)) {
        ADTDATA* folder = FolderOf(path);
        if (!folder)
            return false;
        if (contact.isGroup) {
            if (!m_Store.AddData(ADT_ADDR, name.c_str(), list.c_str(), folder, PLACE_CHILD))
                return false;
            ++m_nAdded;
            ++m_nLists;
            continue;
        }
        for (const std::string& address : addresses) {
            if (!m_Store.AddData(ADT_ADDR, name.c_str(), address.c_str(), folder, PLACE_CHILD))
                return false;
            ++m_nAdded;
        }
    }
    ++m_nContacts;
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
