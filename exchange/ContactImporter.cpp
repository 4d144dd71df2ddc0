#include "exchange/ContactImporter.h"
#include <unordered_set>
#include "text/Charset.h"

namespace {

const char kFullWidthColon[] = u8"：";

std::string BlankControls(const std::string& text)
{
    std::string out = text;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
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
    ADTDATA* folder = FolderOf(contact.folders);
    if (!folder)
        return false;
    // The same address given twice (a first and a second address alike) is kept once.
    std::string addresses;
    std::unordered_set<std::string> seen;
    for (const std::string& address : contact.addresses) {
        std::string sjis = m_Encoder.Encode(address);
        if (seen.insert(sjis).second)
            addresses += (addresses.empty() ? "" : ",") + sjis;
    }
    std::string name = m_Encoder.Encode(StorableName(contact.name));
    if (!m_Store.AddData(ADT_ADDR, name.c_str(), addresses.c_str(), folder, PLACE_CHILD))
        return false;
    ++m_nAdded;
    return true;
}

// The folder of a path below the book, made where it is missing; the book for no path.
ADTDATA* CContactImporter::FolderOf(const std::vector<std::string>& folders)
{
    ADTDATA* parent = m_pBook;
    for (const std::string& folder : folders) {
        std::string text = TrimBlanks(BlankControls(folder));
        if (text.empty())
            continue;
        // Folders are told apart by their Shift-JIS names; a replaced character counts
        // once, when its folder is made.
        CSjisEncoder lookup;
        ADTDATA*& child = m_Folders[{parent, lookup.Encode(text)}];
        if (!child)
            child = m_Store.AddData(ADT_FOLDER, m_Encoder.Encode(text).c_str(), nullptr, parent, PLACE_CHILD);
        if (!child)
            return nullptr;
        parent = child;
    }
    return parent;
}
