// Converts the store's Shift-JIS texts to UTF-8 for the export, a character at a time
// through code page 932's table, whose rows it keeps at hand as UTF-8 (one converter per
// export), so that a character is one look-up and one copy.
// A pair without a character becomes U+FFFD, and a lead byte without its trail byte stands
// alone, so the byte after it keeps its meaning (as Charset::SjisToUtf8 reads a text).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CSjisToUtf8 {
public:
    // Appends text, which ends at its NUL (none is no text), as UTF-8.
    void Append(std::string& out, const char* text);
    // The UTF-8 of the length bytes of text, in room (whose bytes it keeps from call to
    // call, so that converting every name of a book makes room once); valid until the next
    // call with room.
    std::string_view Convert(const char* text, size_t length, std::string& room);

private:
    // Code page 932's rows by lead byte as first needed (row 0: single bytes), each
    // character's UTF-8 bytes in the low three bytes of an entry and their number above.
    std::unique_ptr<uint32_t[]> m_Rows[256];

    const uint32_t* Row(unsigned lead)
    {
        const uint32_t* row = m_Rows[lead].get();
        return row ? row : LoadRow(lead);
    }
    const uint32_t* LoadRow(unsigned lead);
    // Writes the UTF-8 of the length bytes at text to out, which has room for three bytes a
    // byte, and returns where it ends.
    char* Write(const char* text, size_t length, char* out);
};
