#include "files/LineReader.h"

namespace {
// Never a trail byte of a two-byte Shift-JIS character, so a byte test is safe.
const int kEndOfFileMark = 0x1A;
}  // namespace

int CLineReader::NextByte()
{
    if (m_pFile)
        return std::getc(m_pFile);
    return m_nPos < m_nSize ? static_cast<unsigned char>(m_pData[m_nPos++]) : EOF;
}

bool CLineReader::Next(std::string& line)
{
    line.clear();
    if (m_bEnded)
        return false;
    int c = NextByte();
    while (c != EOF && c != '\n' && c != kEndOfFileMark) {
        line.push_back(static_cast<char>(c));
        c = NextByte();
    }
    if (c == EOF || c == kEndOfFileMark) {
        m_bEnded = true;
        return !line.empty();
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}
