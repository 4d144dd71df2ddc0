#include "exchange/BookContacts.h"
#include <cstring>
#include <utility>
#include "exchange/CsvWriter.h"
#include "exchange/VCardWriter.h"
#include "store/Sjis.h"
#include "text/Charset.h"
#include "text/Cp932.h"

namespace {

// Appends Shift-JIS text as UTF-8: ASCII as it is, other characters through code page
// 932's table; a pair without a character is U+FFFD, and a lead byte without its trail
// byte stands alone, so the byte after it keeps its meaning (as Charset::SjisToUtf8 reads
// it, a run of characters at a time).
void AppendUtf8OfSjis(std::string& out, const char* text)
{
    if (!text)
        return;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    for (;;) {
        size_t ascii = i;
        while (bytes[i] && bytes[i] < 0x80)
            ++i;
        out.append(text + ascii, i - ascii);
        if (!bytes[i])
            return;
        char16_t ch;
        if (!IsSjisLeadByte(bytes[i])) {
            ch = Cp932Decode(bytes + i, 1);
            i += 1;
        } else if (bytes[i + 1] >= 0x40 && bytes[i + 1] <= 0xFC && bytes[i + 1] != 0x7F) {
            ch = Cp932Decode(bytes + i, 2);
            i += 2;
        } else {
            ch = 0;
            i += 1;
        }
        char32_t code = ch ? ch : Charset::kReplacement;
        char utf8[3];
        size_t length = 0;
        if (code < 0x800) {
            utf8[length++] = static_cast<char>(0xC0 | (code >> 6));
        } else {
            utf8[length++] = static_cast<char>(0xE0 | (code >> 12));
            utf8[length++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        utf8[length++] = static_cast<char>(0x80 | (code & 0x3F));
        out.append(utf8, length);
    }
}

// Whether an address text is one address at most, to be taken as it is but for blanks
// around it: no comma, colon or control character, which the general cutting looks for.
// (None of them is a Shift-JIS trail byte.)
bool IsPlainAddressText(const char* text)
{
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p < 0x20 || *p == 0x7F || *p == ',' || *p == ':')
            return false;
    }
    return true;
}

struct OpenFolder {
    const ADTDATA* node;
    bool written;  // some contact below it was written
};

// The walk of one book: a person waits until the next node shows whether it has more
// addresses; each folder is told when it is left whether anything below it was written.
class CContactWalk {
public:
    CContactWalk(const std::function<void(const Contact&)>& visit, ExportCounts& counts)
        : m_Visit(visit), m_Counts(counts)
    {
    }

    void Walk(const ADTDATA* book);

private:
    const std::function<void(const Contact&)>& m_Visit;
    ExportCounts& m_Counts;
    std::vector<OpenFolder> m_Open;
    std::vector<std::string> m_FolderNames;  // UTF-8, as m_Open
    size_t m_nFolderChanges = 0;
    Contact m_Pending;
    bool m_bPending = false;
    size_t m_nPendingFolders = ~size_t(0);  // the folder change that m_Pending.folders is of
    const ADTDATA* m_pLastPerson = nullptr;  // the node that gave the waiting person its last address
    Contact m_Current;                        // the addresses of the node being read
    std::vector<std::string> m_Spare;
    std::string m_Text;

    void OnAddress(const ADTDATA* node);
    bool Joins(const ADTDATA* node, bool list) const;
    void Flush();
    void Enter(const ADTDATA* folder);
    void Leave();
    void AddEmptyFolder(const ADTDATA* folder);
};

void CContactWalk::Walk(const ADTDATA* book)
{
    const ADTDATA* node = book ? book->pChild : nullptr;
    while (node) {
        if (node->cType == ADT_FOLDER && node->pChild) {
            Enter(node);
            node = node->pChild;
            continue;
        }
        if (node->cType == ADT_FOLDER)
            AddEmptyFolder(node);
        else if (node->cType == ADT_ADDR)
            OnAddress(node);
        while (node && !node->pNext) {
            node = node->pParent == book ? nullptr : node->pParent;
            if (node)
                Leave();
        }
        if (node)
            node = node->pNext;
    }
    Flush();
}

void CContactWalk::OnAddress(const ADTDATA* node)
{
    if (node->psAddr && IsPlainAddressText(node->psAddr)) {
        // Mostly a node holds one address: converted in place, as AddAddresses would cut it.
        if (m_Current.addresses.size() != 1) {
            ClearAddresses(m_Current, m_Spare);
            if (m_Spare.empty())
                m_Spare.emplace_back();
            m_Current.addresses.push_back(std::move(m_Spare.back()));
            m_Spare.pop_back();
        }
        std::string& address = m_Current.addresses[0];
        address.clear();
        AppendUtf8OfSjis(address, node->psAddr);
        size_t begin = address.find_first_not_of(' ');
        size_t end = address.find_last_not_of(' ');
        if (begin == std::string::npos || address.find('@', begin) > end) {
            ClearAddresses(m_Current, m_Spare);
        } else if (begin > 0 || end + 1 < address.size()) {
            address.erase(end + 1);
            address.erase(0, begin);
        }
    } else {
        m_Text.clear();
        AppendUtf8OfSjis(m_Text, node->psAddr);
        ClearAddresses(m_Current, m_Spare);
        AddAddresses(m_Current, m_Text, m_Spare);
    }
    bool list = (node->psAddr && std::strchr(node->psAddr, ',')) || m_Current.addresses.size() > 1;
    if (Joins(node, list)) {
        m_Pending.addresses.push_back(std::move(m_Current.addresses[0]));
        m_Current.addresses.clear();
        m_pLastPerson = node;
        return;
    }
    Flush();
    m_pLastPerson = nullptr;
    if (m_Current.addresses.empty()) {
        ++m_Counts.withoutAddress;
        return;
    }
    ClearAddresses(m_Pending, m_Spare);
    std::swap(m_Pending.addresses, m_Current.addresses);
    m_Pending.name.clear();
    AppendUtf8OfSjis(m_Pending.name, node->psName);
    m_Pending.isGroup = list;
    if (m_nPendingFolders != m_nFolderChanges) {
        m_Pending.folders = m_FolderNames;
        m_nPendingFolders = m_nFolderChanges;
    }
    m_bPending = true;
    m_pLastPerson = list ? nullptr : node;
}

// A node of one address joins the person before it: the node just before it in its
// folder, with the same name and an address the person does not have yet.
bool CContactWalk::Joins(const ADTDATA* node, bool list) const
{
    if (list || !m_bPending || m_Pending.isGroup || !m_pLastPerson || node->pPrev != m_pLastPerson ||
        m_Current.addresses.size() != 1)
        return false;
    const char* name = node->psName ? node->psName : "";
    const char* personName = m_pLastPerson->psName ? m_pLastPerson->psName : "";
    if (std::strcmp(name, personName) != 0)
        return false;
    for (const std::string& address : m_Pending.addresses) {
        if (SameAddress(address, m_Current.addresses[0]))
            return false;
    }
    return true;
}

void CContactWalk::Flush()
{
    if (!m_bPending)
        return;
    m_bPending = false;
    for (OpenFolder& folder : m_Open)
        folder.written = true;
    ++m_Counts.contacts;
    m_Counts.addresses += m_Pending.isGroup ? 1 : static_cast<int>(m_Pending.addresses.size());
    m_Counts.groups += m_Pending.isGroup ? 1 : 0;
    m_Visit(m_Pending);
}

void CContactWalk::Enter(const ADTDATA* folder)
{
    Flush();
    m_pLastPerson = nullptr;
    m_Open.push_back({folder, false});
    m_FolderNames.emplace_back();
    AppendUtf8OfSjis(m_FolderNames.back(), folder->psName);
    ++m_nFolderChanges;
}

void CContactWalk::Leave()
{
    Flush();
    m_pLastPerson = nullptr;
    if (!m_Open.back().written)
        AddEmptyFolder(m_Open.back().node);
    m_Open.pop_back();
    m_FolderNames.pop_back();
    ++m_nFolderChanges;
}

// The folder's path from the book down, as the tree names it.
void CContactWalk::AddEmptyFolder(const ADTDATA* folder)
{
    std::string path;
    for (const OpenFolder& open : m_Open) {
        if (open.node == folder)
            break;
        path += std::string(open.node->psName ? open.node->psName : "") + "/";
    }
    m_Counts.emptyFolders.push_back(path + (folder->psName ? folder->psName : ""));
}

}  // namespace

void ForEachContact(const ADTDATA* book, const std::function<void(const Contact&)>& visit, ExportCounts& counts)
{
    CContactWalk walk(visit, counts);
    walk.Walk(book);
}

ContactList ContactsOfBook(const ADTDATA* book)
{
    ContactList list;
    ExportCounts counts;
    ForEachContact(book, [&](const Contact& contact) { list.contacts.push_back(contact); }, counts);
    list.nWithoutAddress = counts.withoutAddress;
    return list;
}

std::string ExportBook(const ADTDATA* book, ExportFormat format, ExportCounts& counts)
{
    std::string bytes;
    if (format == ExportFormat::Csv) {
        CCsvWriter writer(bytes);
        ForEachContact(book, [&](const Contact& contact) { writer.Add(contact); }, counts);
        return bytes;
    }
    CVCardWriter writer(bytes);
    ForEachContact(book, [&](const Contact& contact) { writer.Add(contact); }, counts);
    counts.memberNames = writer.MemberNamesLeftOut();
    return bytes;
}
