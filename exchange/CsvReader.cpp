#include "exchange/CsvReader.h"
#include <algorithm>
#include "exchange/CsvColumns.h"
#include "text/Charset.h"

namespace {

bool IsEmptyRow(const std::vector<std::string>& row)
{
    return std::all_of(row.begin(), row.end(), [](const std::string& field) {
        return field.find_first_not_of(" \t\r\n") == std::string::npos;
    });
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

}  // namespace

bool CCsvReader::AtLineEnd() const
{
    return IsLineEnd(m_Text[m_nPos]);
}

void CCsvReader::SkipLineEnd()
{
    if (m_nPos < m_Text.size() && m_Text[m_nPos] == '\r')
        ++m_nPos;
    if (m_nPos < m_Text.size() && m_Text[m_nPos] == '\n')
        ++m_nPos;
}

// The quote that closes the field opened at open: one followed by a comma, a line end or
// the end of the text (a doubled quote is a quote of the text). npos when there is none,
// or when the field would run over a later line's quote that opens a field (one at the
// start of a line or after a comma): that quote is the next row's, not this one's close.
size_t CCsvReader::FindClosingQuote(size_t open) const
{
    bool crossedLine = false;
    for (size_t i = open + 1; i < m_Text.size(); ++i) {
        char c = m_Text[i];
        if (IsLineEnd(c)) {
            crossedLine = true;
            continue;
        }
        if (c != '"')
            continue;
        if (i + 1 < m_Text.size() && m_Text[i + 1] == '"') {
            ++i;
            continue;
        }
        if (i + 1 == m_Text.size() || m_Text[i + 1] == m_cSeparator || IsLineEnd(m_Text[i + 1]))
            return i;
        char before = m_Text[i - 1];
        if (crossedLine && (IsLineEnd(before) || before == m_cSeparator))
            return std::string::npos;
    }
    return std::string::npos;
}

// The field between the quote at m_nPos and close, a doubled quote as one; runs without a
// quote are copied whole.
void CCsvReader::QuotedField(size_t close, std::string& field)
{
    field.clear();
    for (size_t i = m_nPos + 1; m_bKeep && i < close;) {
        size_t quote = m_Text.find('"', i);
        if (quote == std::string::npos || quote > close)
            quote = close;
        field.append(m_Text, i, quote - i);
        if (quote == close)
            break;
        field += '"';
        i = quote + (m_Text[quote + 1] == '"' ? 2 : 1);
    }
    m_nPos = close + 1;
}

// Mostly the first quote after the opening one closes the field: then it is taken at once.
bool CCsvReader::SimpleQuotedField(std::string& field)
{
    // Fields are short, mostly empty: looked through here rather than by a call.
    const char* text = m_Text.data();
    size_t close = m_nPos + 1;
    while (close < m_Text.size() && text[close] != '"')
        ++close;
    if (close == m_Text.size())
        return false;
    if (close + 1 < m_Text.size() && m_Text[close + 1] != m_cSeparator && !IsLineEnd(m_Text[close + 1]))
        return false;
    if (m_bKeep)
        field.assign(m_Text, m_nPos + 1, close - m_nPos - 1);
    else
        field.clear();
    m_nPos = close + 1;
    return true;
}

void CCsvReader::PlainField(std::string& field)
{
    const char* text = m_Text.data();
    size_t start = m_nPos;
    size_t end = start;
    char separator = m_cSeparator;
    while (end < m_Text.size() && text[end] != separator && text[end] != '\r' && text[end] != '\n')
        ++end;
    m_nPos = end;
    if (end == start || !m_bKeep)
        field.clear();
    else
        field.assign(text + start, end - start);
}

// The fields of the last row are reused, so rows of the same width make no new strings.
bool CCsvReader::NextRow(std::vector<std::string>& fields)
{
    m_bCut = false;
    m_bSkippedText = false;
    if (m_nPos >= m_Text.size())
        return false;
    size_t count = 0;
    auto next = [&]() -> std::string& {
        if (count == fields.size())
            fields.emplace_back();
        return fields[count++];
    };
    for (;;) {
        std::string& field = next();
        size_t start = m_nPos;
        // A column nobody reads is passed over: only whether it held anything is kept.
        m_bKeep = m_Wanted.empty() || (count <= m_Wanted.size() && m_Wanted[count - 1]);
        if (m_Text[m_nPos] == m_cSeparator) {
            field.clear();
        } else if (m_Text[m_nPos] == '"' && SimpleQuotedField(field)) {
        } else if (m_Text[m_nPos] == '"') {
            size_t close = FindClosingQuote(m_nPos);
            if (close != std::string::npos) {
                QuotedField(close, field);
            } else {
                m_bCut = true;
                ++m_nPos;
                PlainField(field);
            }
        } else {
            PlainField(field);
        }
        if (!m_bKeep)
            m_bSkippedText = m_bSkippedText || m_nPos > start + (m_Text[start] == '"' ? 2 : 0);
        if (m_nPos < m_Text.size() && m_Text[m_nPos] == m_cSeparator) {
            ++m_nPos;
            if (m_nPos < m_Text.size())
                continue;
            next().clear();
        }
        SkipLineEnd();
        fields.resize(count);
        return true;
    }
}

bool CCsvReader::ReadHeader(std::vector<std::string>& header)
{
    bool more = NextRow(header);
    while (more && IsEmptyRow(header))
        more = NextRow(header);
    return more;
}

// Outlook in most European locales separates by ";", other programs by tabs: the header
// tells, as the separator that gives one it knows.
char CCsvReader::DetectSeparator(const std::string& text)
{
    std::vector<std::string> header;
    for (char separator : {',', ';', '\t'}) {
        CCsvReader reader(text, separator);
        if (reader.ReadHeader(header) && CCsvColumns().Recognise(header))
            return separator;
    }
    return ',';
}

ContactList CCsvReader::ReadContacts(const std::string& bytes)
{
    return CollectContacts([&](IContactSink& sink) { return ReadContacts(bytes, sink); });
}

ContactList CCsvReader::ReadContacts(const std::string& bytes, IContactSink& sink)
{
    ContactList list;
    bool close = false;
    std::string converted;
    const std::string& text = Charset::FileTextAsUtf8(bytes, converted, &close);
    list.nCloseGuesses = close ? 1 : 0;
    CCsvReader reader(text, DetectSeparator(text));
    std::vector<std::string> row;
    CCsvColumns columns;
    if (!reader.ReadHeader(row) || !columns.Recognise(row)) {
        list.bUnknownHeader = true;
        return list;
    }
    reader.ReadOnly(columns.Wanted());
    Contact contact;
    while (reader.NextRow(row)) {
        if (reader.RowWasCut())
            ++list.nIncomplete;
        if (IsEmptyRow(row) && !reader.SkippedText())
            continue;
        columns.ContactOf(row, list.fNotKept, contact);
        if (contact.addresses.empty())
            ++(contact.isGroup ? list.nEmptyGroups : list.nWithoutAddress);
        else if (!sink.OnContact(contact))
            break;
    }
    return list;
}
