#include "exchange/VCardReader.h"
#include "text/Charset.h"
#include "exchange/FolderPath.h"

namespace {

std::string Upper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool IsFoldBlank(char c)
{
    return c == ' ' || c == '\t';
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(c & ~0x20);
    return (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
}

// "=XX" is the byte XX; any other "=" stays as it is.
std::string DecodeQuotedPrintable(const std::string& text)
{
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        int high = i + 2 < text.size() && text[i] == '=' ? HexValue(text[i + 1]) : -1;
        int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low < 0) {
            bytes += text[i];
            continue;
        }
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return bytes;
}

// The escapes of vCard text: "\\", "\,", "\;", "\:" and "\n" (a line end). Any other
// backslash is kept.
std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] != '\\' || !(next == '\\' || next == ',' || next == ';' || next == ':' || next == 'n' || next == 'N')) {
            out += text[i];
            continue;
        }
        out += (next == 'n' || next == 'N') ? '\n' : next;
        ++i;
    }
    return out;
}

// The parts of a structured value, cut at each ";" that no backslash escapes.
std::vector<std::string> SplitComponents(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            parts.back() += text.substr(i, 2);
            ++i;
        } else if (text[i] == ';') {
            parts.emplace_back();
        } else {
            parts.back() += text[i];
        }
    }
    return parts;
}

// Cuts text at sep where it stands outside double quotes.
std::vector<std::string> SplitUnquoted(const std::string& text, char sep)
{
    std::vector<std::string> parts(1);
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (c == sep && !quoted)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

bool IsShiftJisName(const std::string& charset)
{
    return charset == "SHIFT_JIS" || charset == "SHIFT-JIS" || charset == "SJIS" || charset == "CP932" ||
           charset == "WINDOWS-31J" || charset == "MS_KANJI" || charset == "X-SJIS";
}

bool IsLatin1Name(const std::string& charset)
{
    return charset == "ISO-8859-1" || charset == "US-ASCII" || charset == "WINDOWS-1252";
}

}  // namespace

ContactList CVCardReader::Read(const std::string& bytes)
{
    std::string text = bytes;
    bool utf8 = true;
    if (text.compare(0, 2, "\xFF\xFE") == 0 || text.compare(0, 2, "\xFE\xFF") == 0 ||
        text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text = Charset::FileTextToUtf8(text);
    else
        utf8 = Charset::IsUtf8(text);
    CVCardReader reader(utf8);
    reader.ReadLines(text);
    return std::move(reader.m_List);
}

// The physical line at pos, without its line end (CR LF, LF or CR); moves pos past it.
std::string CVCardReader::NextLine(const std::string& text, size_t& pos)
{
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos)
        end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end;
    if (pos < text.size() && text[pos] == '\r')
        ++pos;
    if (pos < text.size() && text[pos] == '\n')
        ++pos;
    return line;
}

void CVCardReader::ReadLines(const std::string& text)
{
    size_t pos = 0;
    while (pos < text.size())
        OnPhysicalLine(NextLine(text, pos));
    FlushLine();
    if (m_nDepth > 0)
        EndCard();
}

// A line that begins with a blank or a tab continues the one before (folding), and so
// does any line after a QUOTED-PRINTABLE value that ends in "=" (a soft line break).
void CVCardReader::OnPhysicalLine(const std::string& line)
{
    if (m_bQuotedPrintable && !m_strLine.empty() && m_strLine.back() == '=') {
        m_strLine.pop_back();
        m_strLine += line;
    } else if (m_bPending && !line.empty() && IsFoldBlank(line[0])) {
        m_strLine += m_bKeepFoldBlank ? line : line.substr(1);
    } else {
        FlushLine();
        m_strLine = line;
        m_bPending = true;
    }
    LearnEncoding();
}

// Looks for the property's encoding until its ":" has been seen. A head longer than any
// real one is not looked at again, so a stream of folded lines without ":" stays linear.
void CVCardReader::LearnEncoding()
{
    const size_t kLongestHead = 1024;
    if (m_bHeadKnown || m_strLine.size() > kLongestHead)
        return;
    Property property;
    m_bHeadKnown = ParseProperty(m_strLine, property);
    m_bQuotedPrintable = m_bHeadKnown && property.encoding == "QUOTED-PRINTABLE";
}

void CVCardReader::FlushLine()
{
    if (m_bPending)
        OnLine(m_strLine);
    m_strLine.clear();
    m_bPending = false;
    m_bHeadKnown = false;
    m_bQuotedPrintable = false;
}

void CVCardReader::OnLine(const std::string& line)
{
    Property property;
    if (!ParseProperty(line, property))
        return;
    std::string value = Upper(TrimBlanks(property.value));
    if (property.name == "BEGIN" && value == "VCARD") {
        if (++m_nDepth == 1) {
            m_Card = Contact();
            m_strFormattedName.clear();
            m_strComposedName.clear();
            m_bHasCategory = false;
            m_bKeepFoldBlank = false;
        }
    } else if (property.name == "END" && value == "VCARD") {
        if (m_nDepth == 1)
            EndCard();
        else if (m_nDepth > 1)
            --m_nDepth;
    } else if (m_nDepth == 1) {
        OnProperty(property);
    }
}

void CVCardReader::OnProperty(const Property& property)
{
    if (property.name == "VERSION") {
        m_bKeepFoldBlank = TrimBlanks(property.value) == "2.1";
        return;
    }
    if (property.encoding == "B" || property.encoding == "BASE64")
        return;  // pictures and keys; no text that is read here comes so
    if (property.name == "FN") {
        if (m_strFormattedName.empty())
            m_strFormattedName = TrimBlanks(Unescape(DecodeValue(property)));
    } else if (property.name == "N") {
        std::vector<std::string> parts = SplitComponents(DecodeValue(property));
        parts.resize(3);
        if (m_strComposedName.empty())
            m_strComposedName = ComposeName(Unescape(parts[1]), Unescape(parts[2]), Unescape(parts[0]));
    } else if (property.name == "EMAIL") {
        AddAddresses(m_Card, Unescape(DecodeValue(property)));
    } else if (property.name == "CATEGORIES" && !m_bHasCategory) {
        m_Card.folders = FolderPath::Parse(DecodeValue(property));
        m_bHasCategory = true;
    }
}

void CVCardReader::EndCard()
{
    m_nDepth = 0;
    m_Card.name = m_strFormattedName.empty() ? m_strComposedName : m_strFormattedName;
    AddContact(m_List, std::move(m_Card));
    m_Card = Contact();
}

// The value as UTF-8 text, still escaped.
std::string CVCardReader::DecodeValue(const Property& property) const
{
    std::string bytes =
        property.encoding == "QUOTED-PRINTABLE" ? DecodeQuotedPrintable(property.value) : property.value;
    if (property.charset == "UTF-8")
        return Charset::CleanUtf8(bytes);
    if (IsShiftJisName(property.charset))
        return Charset::SjisToUtf8(bytes);
    if (IsLatin1Name(property.charset))
        return Charset::Latin1ToUtf8(bytes);
    return m_bUtf8 ? Charset::CleanUtf8(bytes) : Charset::SjisToUtf8(bytes);
}

// "[group.]NAME[;PARAM...]:value". Parameters are "KEY=VALUE" or, in version 2.1, a bare
// value ("QUOTED-PRINTABLE"); a ":" or ";" inside double quotes belongs to a parameter.
bool CVCardReader::ParseProperty(const std::string& line, Property& property)
{
    bool quoted = false;
    size_t colon = std::string::npos;
    for (size_t i = 0; i < line.size() && colon == std::string::npos; ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            colon = i;
    }
    if (colon == std::string::npos)
        return false;
    std::vector<std::string> head = SplitUnquoted(line.substr(0, colon), ';');
    std::string name = Upper(TrimBlanks(head[0]));
    property.name = name.substr(name.rfind('.') == std::string::npos ? 0 : name.rfind('.') + 1);
    property.value = line.substr(colon + 1);
    for (size_t i = 1; i < head.size(); ++i) {
        std::string parameter = Upper(TrimBlanks(head[i]));
        size_t equals = parameter.find('=');
        std::string key = equals == std::string::npos ? "" : TrimBlanks(parameter.substr(0, equals));
        std::string value = TrimBlanks(parameter.substr(equals == std::string::npos ? 0 : equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (key == "CHARSET")
            property.charset = value;
        else if (key == "ENCODING" || (key.empty() && (value == "QUOTED-PRINTABLE" || value == "BASE64")))
            property.encoding = value;
    }
    return true;
}
