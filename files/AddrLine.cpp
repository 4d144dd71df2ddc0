#include "files/AddrLine.h"
#include <cstring>
#include "store/AsciiText.h"

namespace {

const char kEndOfFileMark = 0x1A;

bool IsBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

size_t SkipBlanks(std::string_view line, size_t pos)
{
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    return pos;
}

// keyword (lower case) stands at pos, in any ASCII case, followed by a blank, a tab or
// the end of the line. Without the follower test an address named "Groupware" would
// read back as a folder.
bool StartsWithKeyword(std::string_view line, size_t pos, const char* keyword)
{
    size_t i = 0;
    for (; keyword[i]; ++i) {
        if (pos + i >= line.size() || AsciiLower(line[pos + i]) != keyword[i])
            return false;
    }
    size_t after = pos + i;
    return after == line.size() || IsBlankOrTab(line[after]);
}

}  // namespace

AddrLine ParseAddrLine(std::string_view line)
{
    AddrLine parsed;
    size_t start = SkipBlanks(line, 0);
    if (StartsWithKeyword(line, start, "group")) {
        parsed.kind = AddrLine::FOLDER_START;
        parsed.name = line.substr(SkipBlanks(line, start + 5));
    } else if (StartsWithKeyword(line, start, "end group")) {
        parsed.kind = AddrLine::FOLDER_END;
    } else {
        size_t colon = line.find(':', start);
        if (colon != std::string_view::npos) {
            parsed.kind = AddrLine::ADDRESS;
            parsed.name = line.substr(start, colon - start);
            parsed.text = line.substr(SkipBlanks(line, colon + 1));
        }
    }
    return parsed;
}

bool ReadsAsAddressFile(std::string_view text)
{
    const int kLinesLookedAt = 200;
    int looked = 0;
    int addressLines = 0;
    CByteLines lines(text);
    std::string_view line;
    while (looked < kLinesLookedAt && lines.Next(line)) {
        if (line.find_first_not_of(" \t\r") == std::string_view::npos)
            continue;
        ++looked;
        AddrLine parsed = ParseAddrLine(line);
        bool mail = parsed.text.empty() || parsed.text.find('@') != std::string_view::npos;
        if (parsed.kind == AddrLine::FOLDER_START || parsed.kind == AddrLine::FOLDER_END ||
            (parsed.kind == AddrLine::ADDRESS && mail))
            ++addressLines;
    }
    return addressLines > 0 && addressLines * 2 > looked;
}

bool IsCompleteAddressText(std::string_view text)
{
    const void* mark = std::memchr(text.data(), kEndOfFileMark, text.size());
    if (mark)
        text = text.substr(0, static_cast<size_t>(static_cast<const char*>(mark) - text.data()));
    if (text.empty())
        return true;
    if (text.back() != '\n')
        return false;
    long depth = 0;
    CByteLines lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        AddrLine::Kind kind = ParseAddrLine(line).kind;
        if (kind == AddrLine::FOLDER_START)
            ++depth;
        else if (kind == AddrLine::FOLDER_END && depth > 0)
            --depth;  // (an end line at the top is a stray one the reader skips)
    }
    return depth == 0;
}

CByteLines::CByteLines(std::string_view bytes) : m_Bytes(bytes)
{
    // The file ends at its first Ctrl+Z.
    const void* mark = std::memchr(bytes.data(), kEndOfFileMark, bytes.size());
    if (mark)
        m_Bytes = bytes.substr(0, static_cast<size_t>(static_cast<const char*>(mark) - bytes.data()));
}

bool CByteLines::Next(std::string_view& line)
{
    line = std::string_view();
    if (m_nPos >= m_Bytes.size())
        return false;
    const char* begin = m_Bytes.data() + m_nPos;
    size_t left = m_Bytes.size() - m_nPos;
    const char* lf = static_cast<const char*>(std::memchr(begin, '\n', left));
    if (!lf) {
        m_nPos = m_Bytes.size();
        line = std::string_view(begin, left);
        return true;
    }
    size_t length = static_cast<size_t>(lf - begin);
    m_nPos += length + 1;
    if (length && begin[length - 1] == '\r')
        --length;
    line = std::string_view(begin, length);
    return true;
}
