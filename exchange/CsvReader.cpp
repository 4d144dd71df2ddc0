#include "exchange/CsvReader.h"
#include <algorithm>
#include "exchange/CsvColumns.h"
#include "text/Charset.h"

namespace {

bool IsEmptyRow(const std::vector<std::string>& row)
{
    return std::all_of(row.begin(), row.end(), [](const std::string& field) { return TrimBlanks(field).empty(); });
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
        if (i + 1 == m_Text.size() || m_Text[i + 1] == ',' || IsLineEnd(m_Text[i + 1]))
            return i;
        char before = m_Text[i - 1];
        if (crossedLine && (IsLineEnd(before) || before == ','))
            return std::string::npos;
    }
    return std::string::npos;
}

std::string CCsvReader::QuotedField(size_t close)
{
    std::string field;
    for (size_t i = m_nPos + 1; i < close; ++i) {
        field += m_Text[i];
        if (m_Text[i] == '"' && m_Text[i + 1] == '"')
            ++i;
    }
    m_nPos = close + 1;
    return field;
}

std::string CCsvReader::PlainField()
{
    size_t start = m_nPos;
    while (m_nPos < m_Text.size() && m_Text[m_nPos] != ',' && !AtLineEnd())
        ++m_nPos;
    return m_Text.substr(start, m_nPos - start);
}

bool CCsvReader::NextRow(std::vector<std::string>& fields)
{
    fields.clear();
    m_bCut = false;
    if (m_nPos >= m_Text.size())
        return false;
    for (;;) {
        std::string field;
        if (m_Text[m_nPos] == '"') {
            size_t close = FindClosingQuote(m_nPos);
            if (close != std::string::npos) {
                field = QuotedField(close);
            } else {
                m_bCut = true;
                ++m_nPos;
                field = PlainField();
            }
        } else {
            field = PlainField();
        }
        fields.push_back(std::move(field));
        if (m_nPos < m_Text.size() && m_Text[m_nPos] == ',') {
            ++m_nPos;
            if (m_nPos < m_Text.size())
                continue;
            fields.emplace_back();
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
        if (reader.RowWasCut())
            ++list.nIncomplete;
        if (!IsEmptyRow(row))
            AddContact(list, columns.ContactOf(row, list.fNotKept));
    }
    return list;
}
