#include "books/IniText.h"
#include <cstdint>
#include "store/AsciiText.h"
#include "store/Sjis.h"

namespace {

const size_t npos = std::string::npos;

std::string Trim(const std::string& text)
{
    return TrimAny(text, " \t");
}

// The section a "[name]" line opens, or false for any other line. "]" can be the second
// byte of a Shift-JIS character, so the line is walked character by character.
bool SectionName(const std::string& line, std::string& name)
{
    std::string text = Trim(line);
    if (text.empty() || text[0] != '[')
        return false;
    for (size_t i = 1; i < text.size(); ++i) {
        if (IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            ++i;
        } else if (text[i] == ']') {
            name = Trim(text.substr(1, i - 1));
            return true;
        }
    }
    name = Trim(text.substr(1));
    return true;
}

// The key of a "key=value" line ("=" is never the second byte of a character).
bool KeyOf(const std::string& line, std::string& key)
{
    size_t equals = line.find('=');
    std::string text = Trim(equals == npos ? line : line.substr(0, equals));
    if (text.empty() || text[0] == ';')
        return false;
    key = text;
    return true;
}

std::string ValueOf(const std::string& line)
{
    size_t equals = line.find('=');
    std::string value = equals == npos ? "" : Trim(line.substr(equals + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

CIniText::CIniText(const std::string& text)
{
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end == npos ? npos : end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        m_Lines.push_back(line);
        if (end == npos)
            break;
        pos = end + 1;
    }
}

CIniText::Place CIniText::Locate(const std::string& section, const std::string& key) const
{
    Place place = {npos, npos, npos};
    for (size_t i = 0; i < m_Lines.size(); ++i) {
        std::string name;
        if (SectionName(m_Lines[i], name)) {
            if (place.sectionLine != npos)
                break;
            if (EqualNoCase(name, section)) {
                place.sectionLine = i;
                place.endLine = i + 1;
            }
            continue;
        }
        if (place.sectionLine == npos)
            continue;
        if (!Trim(m_Lines[i]).empty())
            place.endLine = i + 1;
        std::string lineKey;
        if (place.keyLine == npos && !key.empty() && KeyOf(m_Lines[i], lineKey) && EqualNoCase(lineKey, key))
            place.keyLine = i;
    }
    return place;
}

bool CIniText::Find(const std::string& section, const std::string& key, std::string& value) const
{
    Place place = Locate(section, key);
    if (place.keyLine == npos)
        return false;
    value = ValueOf(m_Lines[place.keyLine]);
    return true;
}

std::string CIniText::Value(const std::string& section, const std::string& key) const
{
    std::string value;
    return Find(section, key, value) ? value : std::string();
}

int CIniText::IntValue(const std::string& section, const std::string& key) const
{
    std::string value = Value(section, key);
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+'))
        negative = value[i++] == '-';
    unsigned long number = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        number = number * 10 + static_cast<unsigned long>(value[i] - '0');
    // The platform returns the number as an unsigned 32-bit value.
    uint32_t bits = static_cast<uint32_t>(negative ? 0ul - number : number);
    return static_cast<int>(bits);
}

void CIniText::Set(const std::string& section, const std::string& key, const std::string& value)
{
    std::string text = value;
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    std::string line = key + "=" + text;
    Place place = Locate(section, key);
    if (place.keyLine != npos) {
        m_Lines[place.keyLine] = line;
        return;
    }
    if (place.sectionLine != npos) {
        m_Lines.insert(m_Lines.begin() + static_cast<std::ptrdiff_t>(place.endLine), line);
        return;
    }
    if (!m_Lines.empty() && !Trim(m_Lines.back()).empty())
        m_Lines.push_back("");
    m_Lines.push_back("[" + section + "]");
    m_Lines.push_back(line);
}

void CIniText::Remove(const std::string& section, const std::string& key)
{
    Place place = Locate(section, key);
    if (place.keyLine != npos)
        m_Lines.erase(m_Lines.begin() + static_cast<std::ptrdiff_t>(place.keyLine));
}

std::vector<std::string> CIniText::Sections() const
{
    std::vector<std::string> sections;
    for (const std::string& line : m_Lines) {
        std::string name;
        if (!SectionName(line, name))
            continue;
        bool seen = false;
        for (const std::string& earlier : sections)
            seen = seen || EqualNoCase(earlier, name);
        if (!seen)
            sections.push_back(name);
    }
    return sections;
}

std::vector<std::string> CIniText::Keys(const std::string& section) const
{
    std::vector<std::string> keys;
    Place place = Locate(section, "");
    if (place.sectionLine == npos)
        return keys;
    for (size_t i = place.sectionLine + 1; i < place.endLine; ++i) {
        std::string key;
        if (!KeyOf(m_Lines[i], key))
            continue;
        bool seen = false;
        for (const std::string& earlier : keys)
            seen = seen || EqualNoCase(earlier, key);
        if (!seen)
            keys.push_back(key);
    }
    return keys;
}

std::string CIniText::Text() const
{
    std::string text;
    for (const std::string& line : m_Lines)
        text += line + "\r\n";
    return text;
}
