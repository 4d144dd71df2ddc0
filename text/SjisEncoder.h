// Turns UTF-8 text into Shift-JIS (code page 932) for the store, and counts the
// characters it had to replace with "?": those that could not be decoded from the file
// (U+FFFD) and those that Shift-JIS cannot hold. A character Shift-JIS cannot hold as it
// is gets one more chance in its normal forms: "か" with a combining sound mark is "が",
// a compatibility form ("ﬁ", the Kangxi radical "⼭") its plain one, a no-break space a
// blank. Text that Shift-JIS holds is never changed. The import of vCard and CSV files
// runs every text through one encoder and reports its counts.
#pragma once
#include <cstdint>
#include <string>

class CSjisEncoder {
public:
    std::string Encode(const std::string& utf8);
    // The same into out, whose room is used again.
    void Encode(const std::string& utf8, std::string& out);

    // Characters replaced with "?", all told.
    int Replaced() const { return m_nUndecodable + m_nUnrepresentable; }
    // Of them, those that could not be read from the file.
    int Undecodable() const { return m_nUndecodable; }

private:
    int m_nUndecodable = 0;
    // Code page 932's encoding rows by high byte, as this encoder first needs them.
    const uint16_t* m_Rows[256] = {};
    int m_nUnrepresentable = 0;

    void EncodeRest(const std::string& utf8, size_t pos, std::string& out, size_t baseStart, char32_t base);
    void EncodeCluster(std::string& out, size_t& baseStart, char32_t base, const std::u32string& cluster);
};
