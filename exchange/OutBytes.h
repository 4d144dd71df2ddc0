// The growing buffer that the vCard and CSV writers put their bytes into: room is made
// for a piece at a time and the bytes are copied in place, literals inline, without a call
// per piece. The export hands the bytes on to its file whenever they pass 256 KB and
// empties the buffer, which keeps its room (ExportBook); Write(list) keeps them all.
#pragma once
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

class COutBytes {
public:
    // Some room from the start, so that the bytes are never at a null pointer.
    COutBytes() : m_Bytes(64) {}

    const char* Data() const { return m_Bytes.data(); }
    size_t Size() const { return m_nSize; }
    void Clear() { m_nSize = 0; }
    // Drops the bytes after the first size.
    void Truncate(size_t size) { m_nSize = size; }
    std::string Text() const { return std::string(Data(), m_nSize); }

    // Room for n more bytes: write them at the pointer, then Advance(n) at most.
    char* Room(size_t n)
    {
        if (m_Bytes.size() - m_nSize < n)
            Grow(n);
        return m_Bytes.data() + m_nSize;
    }
    void Advance(size_t n) { m_nSize += n; }

    // (An empty view may have no bytes at all, which memcpy must not be given.)
    void Append(const char* bytes, size_t n)
    {
        if (n)
            std::memcpy(Room(n), bytes, n);
        m_nSize += n;
    }
    void Append(std::string_view text) { Append(text.data(), text.size()); }
    // A literal: its length is known when compiling, so the copy is a few moves.
    template <size_t N>
    void AppendLiteral(const char (&literal)[N])
    {
        Append(literal, N - 1);
    }
    void Append(char c) { *Room(1) = c, ++m_nSize; }
    void Append(size_t count, char c)
    {
        std::memset(Room(count), c, count);
        m_nSize += count;
    }

private:
    std::vector<char> m_Bytes;  // its size is the room; m_nSize bytes of it are written
    size_t m_nSize = 0;

    void Grow(size_t n);
};
