// Reads whole lines of any length from a file opened in binary mode, or from bytes already
// in memory. A line ends at LF; a CR just before the LF belongs to the line end. A Ctrl+Z
// byte (0x1A) ends the file, as it did for the text-mode reads that wrote old address files
// with one at their end. The address file reader uses it.
#pragma once
#include <cstdio>
#include <string>

class CLineReader {
public:
    explicit CLineReader(FILE* file) : m_pFile(file) {}
    CLineReader(const char* data, size_t size) : m_pData(data), m_nSize(size) {}

    // The next line without its line end; false at the end of the file.
    bool Next(std::string& line);

private:
    FILE* m_pFile = nullptr;
    const char* m_pData = nullptr;
    size_t m_nSize = 0;
    size_t m_nPos = 0;
    bool m_bEnded = false;

    int NextByte();
};
