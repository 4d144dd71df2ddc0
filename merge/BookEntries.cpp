#include "merge/BookEntries.h"
#include <algorithm>
#include <cstring>
#include "files/AddrLine.h"
#include "store/BookWalk.h"

namespace {

const char kEndMark = 0x1A;  // Ctrl+Z: the file ends at the first one

// The first byte equal to c in [at, end), or end. Glibc's memchr is vectorised; the one of
// the Windows C runtime under Wine walks byte by byte, so there eight bytes are looked at
// at a time (a book is megabytes, read twice by every merge).
inline const char* FindByte(const char* at, const char* end, char c)
{
#ifdef _WIN32
    const uint64_t kOnes = 0x0101010101010101ull;
    const uint64_t kHigh = 0x8080808080808080ull;
    const uint64_t pattern = kOnes * static_cast<unsigned char>(c);
    while (end - at >= 8) {
        uint64_t word;
        std::memcpy(&word, at, 8);
        uint64_t x = word ^ pattern;
        // The top bit of each byte equal to c (and perhaps of bytes after it): the lowest
        // one set marks the first exactly.
        if (uint64_t marks = (x - kOnes) & ~x & kHigh)
            return at + __builtin_ctzll(marks) / 8;
        at += 8;
    }
    while (at < end && *at != c)
        ++at;
    return at;
#else
    const void* found = std::memchr(at, c, static_cast<size_t>(end - at));
    return found ? static_cast<const char*>(found) : end;
#endif
}

}  // namespace

CBookEntries CBookEntries::Parse(std::string_view bytes, size_t lines)
{
    CBookEntries book;
    // The reader's lines (CByteLines) and rules (ParseAddrLine), with a short way for the
    // lines that can be no folder line: after its blanks, a line that starts with neither
    // "g" nor "e" in any case is an address when it holds a colon, else skipped.
    if (!lines)
        lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    book.entries.reserve(lines);
    std::vector<int> levels;  // the open folders
    const char* at = bytes.data();
    const char* end = at + bytes.size();
    end = FindByte(at, end, kEndMark);  // which may end a line that has no line end
    while (at < end) {
        const char* stop = FindByte(at, end, '\n');
        const char* lf = stop < end ? stop : nullptr;
        const char* lineEnd = lf ? lf : end;
        const char* next = lf ? lf + 1 : end;
        if (lf && lineEnd > at && lineEnd[-1] == '\r')
            --lineEnd;
        const char* start = at;
        while (start < lineEnd && *start == ' ')
            ++start;
        int current = levels.empty() ? -1 : levels.back();
        char first = start < lineEnd ? static_cast<char>(*start | 0x20) : 0;
        if (first != 'g' && first != 'e') {
            const char* colon = FindByte(start, lineEnd, ':');
            if (colon < lineEnd) {
                const char* text = colon + 1;
                while (text < lineEnd && *text == ' ')
                    ++text;
                book.entries.push_back({current, ADT_ADDR, std::string_view(start, static_cast<size_t>(colon - start)),
                                        std::string_view(text, static_cast<size_t>(lineEnd - text))});
            }
        } else {
            AddrLine parsed = ParseAddrLine(std::string_view(at, static_cast<size_t>(lineEnd - at)));
            if (parsed.kind == AddrLine::FOLDER_START) {
                levels.push_back(book.Size());
                book.entries.push_back({current, ADT_FOLDER, parsed.name, {}});
            } else if (parsed.kind == AddrLine::FOLDER_END) {
                if (!levels.empty())  // an end line at the top level is skipped
                    levels.pop_back();
            } else if (parsed.kind == AddrLine::ADDRESS) {
                book.entries.push_back({current, ADT_ADDR, parsed.name, parsed.text});
            }
        }
        at = next;
    }
    return book;
}

CBookEntries CBookEntries::FromBook(const ADTDATA* book, std::vector<ADTDATA*>* nodes, size_t expected)
{
    CBookEntries entries;
    entries.entries.reserve(expected + expected / 8);
    if (nodes)
        nodes->reserve(expected + expected / 8);
    // An entry's index is its visit's number, so a folder's visit number is its entry.
    ForEachBelow(book, [&](const ADTDATA* node, int parent) {
        entries.entries.push_back({parent, node->cType, node->psName ? node->psName : "",
                                   node->psAddr ? node->psAddr : ""});
        if (nodes)
            nodes->push_back(const_cast<ADTDATA*>(node));
    });
    entries.Link();
    return entries;
}

void CBookEntries::Link()
{
    size_t slots = entries.size() + 2;
    m_Start.assign(slots, 0);
    for (const BookEntry& entry : entries)
        ++m_Start[static_cast<size_t>(entry.parent + 2)];
    for (size_t i = 1; i < slots; ++i)
        m_Start[i] += m_Start[i - 1];
    m_Children.resize(entries.size());
    std::vector<int> fill(m_Start.begin(), m_Start.end() - 1);
    for (int i = 0; i < Size(); ++i)
        m_Children[static_cast<size_t>(fill[static_cast<size_t>(entries[static_cast<size_t>(i)].parent + 1)]++)] = i;
}

uint64_t HashBytes(const void* data, size_t size, uint64_t seed)
{
    const uint64_t kMultiplier = 0x9FB21C651E98DF25ull;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    uint64_t hash = seed ^ 0x9E3779B97F4A7C15ull ^ (size * kMultiplier);
    while (size >= 8) {
        uint64_t word;
        std::memcpy(&word, bytes, 8);
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 28;
        bytes += 8;
        size -= 8;
    }
    uint64_t tail = 0;  // the last bytes as a little-endian load would read them
    for (size_t k = 0; k < size; ++k)
        tail |= static_cast<uint64_t>(bytes[k]) << (8 * k);
    hash = (hash ^ tail) * kMultiplier;
    hash ^= hash >> 32;
    hash *= kMultiplier;
    return hash ^ (hash >> 29);
}

uint64_t EntryKey(const BookEntry& entry)
{
    uint64_t name = HashBytes(entry.name.data(), entry.name.size(), entry.kind);
    return HashBytes(entry.addr.data(), entry.addr.size(), name);
}

uint64_t CBookEntries::NewKey(int i) const
{
    if (m_Keys.size() != entries.size())
        m_Keys.assign(entries.size(), 0);
    uint64_t& key = m_Keys[static_cast<size_t>(i)];
    if (!key)
        key = EntryKey(entries[static_cast<size_t>(i)]) | 1;  // never 0
    return key;
}
