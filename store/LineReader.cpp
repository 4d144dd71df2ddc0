#include "store/LineReader.h"

bool CLineReader::Next(std::string& line)
{
    line.clear();
    int c = std::getc(m_pFile);
    if (c == EOF)
        return false;
    while (c != EOF && c != '\n') {
        line.push_back(static_cast<char>(c));
        c = std::getc(m_pFile);
    }
    if (c == '\n' && !line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}
