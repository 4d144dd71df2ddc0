#include "exchange/BookContacts.h"
#include <cstring>
#include <memory>
#include <utility>
#include "exchange/CsvWriter.h"
#include "exchange/SjisToUtf8.h"
#include "exchange/VCardWriter.h"
#include "store/StoreHooks.h"

namespace {

// What an address text holds, looked at byte by byte: a comma (more than one address), other
// bytes that the general cutting looks for (colons, control characters) and bytes beyond
// ASCII. (None of the first two is a Shift-JIS trail byte.)
enum AddressBytes : unsigned char { kComma = 1, kCut = 2, kBeyondAscii = 4 };

struct AddressByteTable {
    unsigned char kind[256] = {};
    constexpr AddressByteTable()
    {
        for (unsigned b = 1; b < 0x20; ++b)
            kind[b] = kCut;
        kind[0x7F] = kCut;
        kind[static_cast<unsigned char>(':')] = kCut;
        kind[static_cast<unsigned char>(',')] = kComma;
        for (unsigned b = 0x80; b < 0x100; ++b)
            kind[b] = kBeyondAscii;
    }
};
constexpr AddressByteTable kAddressBytes;

// The AddressBytes that text holds, and its length.
unsigned AddressBytesOf(const char* text, size_t& length)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* kind = kAddressBytes.kind;
    length = std::strlen(text);
    unsigned kinds = 0;
    size_t i = 0;
    for (; i + 4 <= length; i += 4)
        kinds |= kind[p[i]] | kind[p[i + 1]] | kind[p[i + 2]] | kind[p[i + 3]];
    for (; i < length; ++i)
        kinds |= kind[p[i]];
    return kinds;
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
    CSjisToUtf8 m_Sjis;

    void OnAddress(const ADTDATA* node);
    std::string& OneAddress();
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
    size_t length = 0;
    unsigned kinds = node->psAddr ? AddressBytesOf(node->psAddr, length) : 0;
    if (node->psAddr && !(kinds & (kComma | kCut))) {
        // Mostly a node holds one address, taken as AddAddresses would cut it: trimmed of
        // blanks, with an "@". An ASCII one is taken as it is, without conversion.
        std::string& address = OneAddress();
        const char* begin = node->psAddr;
        const char* end = begin + length;
        if (kinds & kBeyondAscii) {
            address.clear();
            m_Sjis.Append(address, node->psAddr);
            begin = address.data();
            end = begin + address.size();
        }
        while (begin != end && *begin == ' ')
            ++begin;
        while (end != begin && end[-1] == ' ')
            --end;
        if (begin == end || !std::memchr(begin, '@', static_cast<size_t>(end - begin)))
            ClearAddresses(m_Current, m_Spare);
        else
            address.assign(begin, end);  // (a part of itself, when converted)
    } else {
        m_Text.clear();
        m_Sjis.Append(m_Text, node->psAddr);
        ClearAddresses(m_Current, m_Spare);
        AddAddresses(m_Current, m_Text, m_Spare);
    }
    bool list = (kinds & kComma) || m_Current.addresses.size() > 1;
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
    m_Sjis.Append(m_Pending.name, node->psName);
    m_Pending.isGroup = list;
    if (m_nPendingFolders != m_nFolderChanges) {
        m_Pending.folders = m_FolderNames;
        m_nPendingFolders = m_nFolderChanges;
    }
    m_bPending = true;
    m_pLastPerson = list ? nullptr : node;
}

// The current node's one address, in the room of an earlier one where there is one.
std::string& CContactWalk::OneAddress()
{
    if (m_Current.addresses.size() != 1) {
        ClearAddresses(m_Current, m_Spare);
        if (m_Spare.empty())
            m_Spare.emplace_back();
        m_Current.addresses.push_back(std::move(m_Spare.back()));
        m_Spare.pop_back();
    }
    return m_Current.addresses[0];
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
    m_Sjis.Append(m_FolderNames.back(), folder->psName);
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

namespace {

// The one export: the format's writer takes the contacts one at a time, and whenever its
// bytes reach piece, put takes them (and says whether it could) and they are emptied; put
// takes the rest at the end.
template <typename Put>
bool Export(const ADTDATA* book, ExportFormat format, ExportCounts& counts, COutBytes& bytes, size_t piece, Put put)
{
    std::unique_ptr<CContactWriter> writer;
    if (format == ExportFormat::Csv)
        writer = std::make_unique<CCsvWriter>(bytes);
    else
        writer = std::make_unique<CVCardWriter>(bytes);
    bool ok = true;
    ForEachContact(
        book,
        [&](const Contact& contact) {
            writer->Add(contact);
            if (bytes.Size() >= piece && ok) {
                ok = put(bytes);
                bytes.Clear();
            }
        },
        counts);
    counts.memberNames = writer->MemberNamesLeftOut();
    return ok && put(bytes);
}

}  // namespace

std::string ExportBook(const ADTDATA* book, ExportFormat format, ExportCounts& counts)
{
    COutBytes bytes;
    Export(book, format, counts, bytes, std::string::npos, [](const COutBytes&) { return true; });
    return bytes.Text();
}

bool ExportBook(const ADTDATA* book, ExportFormat format, ExportCounts& counts, FILE* file)
{
    const size_t kPiece = size_t(1) << 18;
    COutBytes bytes;
    bytes.Room(kPiece + kPiece / 2);
    return Export(book, format, counts, bytes, kPiece, [file](const COutBytes& piece) {
        return g_StoreHooks.write(piece.Data(), piece.Size(), file) == piece.Size();
    });
}
