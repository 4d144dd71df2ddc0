#include "store/LineReader.h"

namespace {
// Never a trail byte of a two-byte Shift-JIS character, so a byte test is safe.
const int kEndOfFileMark = 0x1A;
}  // namespace

bool CLineReader::Next(std::string& line)
{
    line.clear();
    if (m_bEnded)
        return false;
    int c = std::getc(m_pFile);
    while (c != EOF && c != '\n' && c != kEndOfFileMark) {
        line.push_back(static_cast<char>(c));
        c = std::getc(m_pFile);
    }
    if (c == EOF || c == kEndOfFileMark) {
        m_bEnded = true;
        return !line.empty();
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}
