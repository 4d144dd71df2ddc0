#include "exchange/CsvReader.h"
#include <algorithm>
#include "text/Charset.h"
#include "exchange/CsvColumns.h"

namespace {

bool IsEmptyRow(const std::vector<std::string>& row)
{
    return std::all_of(row.begin(), row.end(), [](const std::string& field) { return TrimBlanks(field).empty(); });
}

}  // namespace

bool CCsvReader::AtLineEnd() const
{
    return m_Text[m_nPos] == '\r' || m_Text[m_nPos] == '\n';
}

void CCsvReader::SkipLineEnd()
{
    if (m_nPos < m_Text.size() && m_Text[m_nPos] == '\r')
        ++m_nPos;
    if (m_nPos < m_Text.size() && m_Text[m_nPos] == '\n')
        ++m_nPos;
}

// A field that opens with a quote: up to the closing quote, then, leniently, whatever
// stands before the next comma or line end.
std::string CCsvReader::QuotedField()
{
    std::string field;
    ++m_nPos;
    while (m_nPos < m_Text.size()) {
        char c = m_Text[m_nPos++];
        if (c != '"') {
            field += c;
        } else if (m_nPos < m_Text.size() && m_Text[m_nPos] == '"') {
            field += '"';
            ++m_nPos;
        } else {
            break;
        }
    }
    while (m_nPos < m_Text.size() && m_Text[m_nPos] != ',' && !AtLineEnd())
        field += m_Text[m_nPos++];
    return field;
}

bool CCsvReader::NextRow(std::vector<std::string>& fields)
{
    fields.clear();
    if (m_nPos >= m_Text.size())
        return false;
    for (;;) {
        std::string field;
        if (m_nPos < m_Text.size() && m_Text[m_nPos] == '"') {
            field = QuotedField();
        } else {
            while (m_nPos < m_Text.size() && m_Text[m_nPos] != ',' && !AtLineEnd())
                field += m_Text[m_nPos++];
        }
        fields.push_back(std::move(field));
        if (m_nPos < m_Text.size() && m_Text[m_nPos] == ',') {
            ++m_nPos;
            continue;
        }
        SkipLineEnd();
        return true;
    }
}

ContactList CCsvReader::ReadContacts(const std::string& bytes)
{
    ContactList list;
    std::string text = Charset::FileTextToUtf8(bytes);
    CCsvReader reader(text);
    std::vector<std::string> row;
    bool more = reader.NextRow(row);
    while (more && IsEmptyRow(row))
        more = reader.NextRow(row);
    CCsvColumns columns;
    if (!more || !columns.Recognise(row)) {
        list.bUnknownHeader = true;
        return list;
    }
    while (reader.NextRow(row)) {
        if (!IsEmptyRow(row))
            AddContact(list, columns.ContactOf(row));
    }
    return list;
}
