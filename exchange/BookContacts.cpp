#include "exchange/BookContacts.h"
#include <cstring>
#include <memory>
#include <utility>
#include "exchange/CsvWriter.h"
#include "exchange/SjisToUtf8.h"
#include "exchange/VCardWriter.h"
#include "store/AsciiText.h"
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

// A mail address of the contact being gathered: a stretch of a node's text where the
// store's bytes are the address (ASCII), else of the walk's room for converted ones.
struct AddressSlot {
    const char* text;  // the node's text, or none for the room
    size_t offset;
    size_t size;
};

// The addresses of one contact (or of the node being read) and the room of those of them
// that were converted.
struct Addresses {
    std::vector<AddressSlot> slots;
    std::string room;

    void Clear()
    {
        slots.clear();
        room.clear();
    }
    std::string_view At(size_t i) const
    {
        const AddressSlot& slot = slots[i];
        return std::string_view((slot.text ? slot.text : room.data()) + slot.offset, slot.size);
    }
    void AddCopy(std::string_view address)
    {
        slots.push_back({nullptr, room.size(), address.size()});
        room.append(address);
    }
};

// The walk of one book: a person waits until the next node shows whether it has more
// addresses; each folder is told when it is left whether anything below it was written.
// The contact is handed on as views of the nodes' texts where the store's bytes are
// already UTF-8, and of the walk's room where they were converted.
class CContactWalk {
public:
    CContactWalk(const std::function<void(const ContactView&)>& visit, ExportCounts& counts)
        : m_Visit(visit), m_Counts(counts)
    {
    }

    void Walk(const ADTDATA* book);

private:
    const std::function<void(const ContactView&)>& m_Visit;
    ExportCounts& m_Counts;
    std::vector<OpenFolder> m_Open;
    std::vector<std::string> m_FolderNames;  // UTF-8, as m_Open: the folders of any contact waiting
    size_t m_nFolderChanges = 0;
    size_t m_nVisitedFolders = ~size_t(0);  // the folder change that the last contact handed on is of
    Addresses m_Pending;                     // the waiting person's addresses
    std::string_view m_PendingName;
    bool m_bPendingGroup = false;
    bool m_bPending = false;
    const ADTDATA* m_pLastPerson = nullptr;  // the node that gave the waiting person its last address
    Addresses m_Current;                      // the addresses of the node being read
    std::string m_NameRoom;
    std::vector<std::string_view> m_Views;
    Contact m_Cut;  // a text of several addresses (or one to cut) cut into them
    std::vector<std::string> m_Spare;
    std::string m_Text;
    CSjisToUtf8 m_Sjis;

    void OnAddress(const ADTDATA* node);
    void ReadAddresses(const ADTDATA* node, unsigned kinds, size_t length);
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

// The mail addresses of the node into m_Current.
void CContactWalk::ReadAddresses(const ADTDATA* node, unsigned kinds, size_t length)
{
    m_Current.Clear();
    if (node->psAddr && !(kinds & (kComma | kCut))) {
        // Mostly a node holds one address, taken as AddAddresses would cut it: trimmed of
        // blanks, with an "@". An ASCII one is the node's own bytes.
        const char* text = node->psAddr;
        const char* begin = text;
        const char* end = begin + length;
        if (kinds & kBeyondAscii) {
            m_Sjis.Append(m_Current.room, text);
            text = nullptr;
            begin = m_Current.room.data();
            end = begin + m_Current.room.size();
        }
        while (begin != end && *begin == ' ')
            ++begin;
        while (end != begin && end[-1] == ' ')
            --end;
        if (begin == end || !std::memchr(begin, '@', static_cast<size_t>(end - begin)))
            return;
        const char* base = text ? text : m_Current.room.data();
        m_Current.slots.push_back({text, static_cast<size_t>(begin - base), static_cast<size_t>(end - begin)});
        return;
    }
    m_Text.clear();
    m_Sjis.Append(m_Text, node->psAddr);
    ClearAddresses(m_Cut, m_Spare);
    AddAddresses(m_Cut, m_Text, m_Spare);
    for (const std::string& address : m_Cut.addresses)
        m_Current.AddCopy(address);
}

void CContactWalk::OnAddress(const ADTDATA* node)
{
    size_t length = 0;
    unsigned kinds = node->psAddr ? AddressBytesOf(node->psAddr, length) : 0;
    ReadAddresses(node, kinds, length);
    bool list = (kinds & kComma) || m_Current.slots.size() > 1;
    if (Joins(node, list)) {
        const AddressSlot& slot = m_Current.slots[0];
        if (slot.text)
            m_Pending.slots.push_back(slot);
        else
            m_Pending.AddCopy(m_Current.At(0));
        m_pLastPerson = node;
        return;
    }
    Flush();
    m_pLastPerson = nullptr;
    if (m_Current.slots.empty()) {
        ++m_Counts.withoutAddress;
        return;
    }
    std::swap(m_Pending, m_Current);
    const char* name = node->psName ? node->psName : "";
    m_PendingName = m_Sjis.Convert(name, std::strlen(name), m_NameRoom);
    m_bPendingGroup = list;
    m_bPending = true;
    m_pLastPerson = list ? nullptr : node;
}

// A node of one address joins the person before it: the node just before it in its
// folder, with the same name and an address the person does not have yet.
bool CContactWalk::Joins(const ADTDATA* node, bool list) const
{
    if (list || !m_bPending || m_bPendingGroup || !m_pLastPerson || node->pPrev != m_pLastPerson ||
        m_Current.slots.size() != 1)
        return false;
    const char* name = node->psName ? node->psName : "";
    const char* personName = m_pLastPerson->psName ? m_pLastPerson->psName : "";
    if (std::strcmp(name, personName) != 0)
        return false;
    std::string_view address = m_Current.At(0);
    for (size_t i = 0; i < m_Pending.slots.size(); ++i) {
        if (EqualNoCase(m_Pending.At(i), address))
            return false;
    }
    return true;
}

// Hands the waiting contact on. Every folder change hands it on first, so the folders open
// now are its folders.
void CContactWalk::Flush()
{
    if (!m_bPending)
        return;
    m_bPending = false;
    for (OpenFolder& folder : m_Open)
        folder.written = true;
    size_t count = m_Pending.slots.size();
    ++m_Counts.contacts;
    m_Counts.addresses += m_bPendingGroup ? 1 : static_cast<int>(count);
    m_Counts.groups += m_bPendingGroup ? 1 : 0;
    m_Views.clear();
    for (size_t i = 0; i < count; ++i)
        m_Views.push_back(m_Pending.At(i));
    ContactView contact;
    contact.name = m_PendingName;
    contact.addresses = m_Views.data();
    contact.addressCount = count;
    contact.folders = &m_FolderNames;
    contact.isGroup = m_bPendingGroup;
    contact.sameFolders = m_nVisitedFolders == m_nFolderChanges;
    m_nVisitedFolders = m_nFolderChanges;
    m_Visit(contact);
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

void ForEachContact(const ADTDATA* book, const std::function<void(const ContactView&)>& visit, ExportCounts& counts)
{
    CContactWalk walk(visit, counts);
    walk.Walk(book);
}

ContactList ContactsOfBook(const ADTDATA* book)
{
    ContactList list;
    ExportCounts counts;
    ForEachContact(
        book,
        [&](const ContactView& view) {
            Contact contact;
            contact.name.assign(view.name);
            contact.addresses.assign(view.addresses, view.addresses + view.addressCount);
            contact.folders = *view.folders;
            contact.isGroup = view.isGroup;
            list.contacts.push_back(std::move(contact));
        },
        counts);
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
        [&](const ContactView& contact) {
            writer->AddView(contact);
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
