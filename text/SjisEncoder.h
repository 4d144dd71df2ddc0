// Turns UTF-8 text into Shift-JIS (code page 932) for the store, and counts the
// characters that Shift-JIS cannot hold: each becomes "?". The import of vCard and CSV
// files runs every text through one encoder and reports its count.
#pragma once
#include <string>

class CSjisEncoder {
public:
    std::string Encode(const std::string& utf8);
    int Replaced() const { return m_nReplaced; }

private:
    int m_nReplaced = 0;
};
