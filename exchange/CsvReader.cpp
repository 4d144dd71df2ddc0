#include "exchange/CsvReader.h"
#include <algorithm>
#include <cstdint>
#include <cstring>
#include "exchange/ByteScan.h"
#include "exchange/CsvColumns.h"
#include "text/Charset.h"
#include "text/CharsetGuess.h"

namespace {

template <typename Field>
bool IsEmptyRow(const std::vector<Field>& row)
{
    for (const Field& field : row) {
        for (char c : field) {
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
                return false;
        }
    }
    return true;
}

// Eight bytes a step: the fields that the book takes are looked at in every row.
bool HasEightBitByte(std::string_view text)
{
    uint64_t any = 0;
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        any |= word;
    }
    for (; i < text.size(); ++i)
        any |= static_cast<unsigned char>(text[i]);
    return (any & 0x8080808080808080ull) != 0;
}

// The first separator or line end from i on; size when there is none.
size_t FindFieldEnd(const char* text, size_t i, size_t size, char separator)
{
    return FindFirstOfThree(text, i, size, separator, '\r', '\n');
}

bool HasMark(const std::string& bytes)
{
    return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 || bytes.compare(0, 2, "\xFF\xFE") == 0 ||
           bytes.compare(0, 2, "\xFE\xFF") == 0;
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

// The field between the quote at m_nPos and close, a doubled quote as one: a view of the
// text, or where it held doubled quotes the field written into the row's room.
void CCsvReader::QuotedField(size_t close, size_t index, std::string_view& field)
{
    size_t first = m_nPos + 1;
    m_nPos = close + 1;
    field = std::string_view();
    if (!m_bKeep)
        return;
    size_t quote = m_Text.find('"', first);
    if (quote >= close) {
        field = std::string_view(m_Text.data() + first, close - first);
        return;
    }
    size_t offset = m_Unquoted.size();
    for (size_t i = first; i < close;) {
        quote = m_Text.find('"', i);
        if (quote == std::string::npos || quote > close)
            quote = close;
        m_Unquoted.append(m_Text, i, quote - i);
        if (quote == close)
            break;
        m_Unquoted += '"';
        i = quote + (m_Text[quote + 1] == '"' ? 2 : 1);
    }
    m_UnquotedFields.push_back({index, offset, m_Unquoted.size() - offset});
}

// Mostly the first quote after the opening one closes the field: then it is taken at once.
bool CCsvReader::SimpleQuotedField(std::string_view& field)
{
    const char* text = m_Text.data();
    size_t close = FindFirstOfThree(text, m_nPos + 1, m_Text.size(), '"', '"', '"');
    if (close == m_Text.size())
        return false;
    if (close + 1 < m_Text.size() && m_Text[close + 1] != m_cSeparator && !IsLineEnd(m_Text[close + 1]))
        return false;
    field = m_bKeep ? std::string_view(text + m_nPos + 1, close - m_nPos - 1) : std::string_view();
    m_nPos = close + 1;
    return true;
}

void CCsvReader::PlainField(std::string_view& field)
{
    const char* text = m_Text.data();
    size_t start = m_nPos;
    size_t end = FindFieldEnd(text, start, m_Text.size(), m_cSeparator);
    m_nPos = end;
    field = m_bKeep ? std::string_view(text + start, end - start) : std::string_view();
}

bool CCsvReader::NextRow(std::vector<std::string>& fields)
{
    if (!NextRow(m_Views))
        return false;
    fields.resize(m_Views.size());
    for (size_t i = 0; i < m_Views.size(); ++i)
        fields[i].assign(m_Views[i].data(), m_Views[i].size());
    return true;
}

// The views of the last row are reused, so rows of the same width make no new room.
bool CCsvReader::NextRow(std::vector<std::string_view>& fields)
{
    m_bCut = false;
    m_bSkippedText = false;
    m_Unquoted.clear();
    m_UnquotedFields.clear();
    if (m_nPos >= m_Text.size())
        return false;
    size_t count = 0;
    auto next = [&]() -> std::string_view& {
        if (count == fields.size())
            fields.emplace_back();
        return fields[count++];
    };
    const char* text = m_Text.data();
    for (;;) {
        std::string_view& field = next();
        // An empty quoted field with more after it, as Outlook writes most, is taken at once.
        if (m_nPos + 3 < m_Text.size() && text[m_nPos] == '"' && text[m_nPos + 1] == '"' &&
            text[m_nPos + 2] == m_cSeparator) {
            field = std::string_view();
            m_nPos += 3;
            continue;
        }
        size_t start = m_nPos;
        // A column nobody reads is passed over: only whether it held anything is kept.
        m_bKeep = m_Wanted.empty() || (count <= m_Wanted.size() && m_Wanted[count - 1]);
        if (m_Text[m_nPos] == m_cSeparator) {
            field = std::string_view();
        } else if (m_Text[m_nPos] == '"' && SimpleQuotedField(field)) {
        } else if (m_Text[m_nPos] == '"') {
            size_t close = FindClosingQuote(m_nPos);
            if (close != std::string::npos) {
                QuotedField(close, count - 1, field);
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
            next() = std::string_view();
        }
        SkipLineEnd();
        fields.resize(count);
        // The room of doubled-quote fields is complete only now.
        for (const UnquotedField& unquoted : m_UnquotedFields)
            fields[unquoted.field] = std::string_view(m_Unquoted.data() + unquoted.offset, unquoted.length);
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

bool CCsvReader::ReadHeader(std::vector<std::string>& header, bool shiftJis)
{
    if (!ReadHeader(header))
        return false;
    for (std::string& name : header) {
        if (shiftJis && HasEightBitByte(name))
            name = Charset::SjisToUtf8(name);
    }
    return true;
}

// Outlook in most European locales separates by ";", other programs by tabs: the header
// tells, as the separator that gives one it knows.
char CCsvReader::DetectSeparator(const std::string& text, bool shiftJis)
{
    std::vector<std::string> header;
    for (char separator : {',', ';', '\t'}) {
        CCsvReader reader(text, separator);
        if (reader.ReadHeader(header, shiftJis) && CCsvColumns().Recognise(header))
            return separator;
    }
    return ',';
}

ContactList CCsvReader::ReadContacts(const std::string& bytes)
{
    return CollectContacts([&](IContactSink& sink) { return ReadContacts(bytes, sink); });
}

// A file without a byte-order mark is read in the code guessed for it. Shift-JIS is read as
// it is, for no byte of a separator, a quote or a line end is ever part of a Shift-JIS
// character: only the fields whose text the book takes are converted.
ContactList CCsvReader::ReadContacts(const std::string& bytes, IContactSink& sink)
{
    ContactList list;
    bool close = false;
    std::string converted;
    const std::string* text = &bytes;
    bool shiftJis = false;
    if (HasMark(bytes)) {
        text = &Charset::FileTextAsUtf8(bytes, converted, &close);
    } else {
        CCharsetGuess::Result guess = CCharsetGuess(TextCode::kShiftJis).Guess(bytes);
        close = guess.close;
        shiftJis = guess.code == TextCode::kShiftJis;
        if (guess.code != TextCode::kUtf8 && !shiftJis) {
            converted = CCharsetGuess::Decode(bytes, guess.code);
            text = &converted;
        }
    }
    list.nCloseGuesses = close ? 1 : 0;
    CCsvReader reader(*text, DetectSeparator(*text, shiftJis));
    std::vector<std::string> header;
    CCsvColumns columns;
    if (!reader.ReadHeader(header, shiftJis) || !columns.Recognise(header)) {
        list.bUnknownHeader = true;
        return list;
    }
    reader.ReadOnly(columns.Wanted());
    std::vector<char> textColumns = columns.TextColumns();
    std::vector<std::string> decoded(textColumns.size());
    std::vector<std::string_view> row;
    Contact contact;
    while (reader.NextRow(row)) {
        if (reader.RowWasCut())
            ++list.nIncomplete;
        if (IsEmptyRow(row) && !reader.SkippedText())
            continue;
        for (size_t i = 0; shiftJis && i < row.size() && i < textColumns.size(); ++i) {
            if (textColumns[i] && HasEightBitByte(row[i])) {
                decoded[i].clear();
                Charset::SjisToUtf8(row[i], decoded[i]);
                row[i] = decoded[i];
            }
        }
        columns.ContactOf(row, list.fNotKept, contact);
        if (contact.addresses.empty())
            ++(contact.isGroup ? list.nEmptyGroups : list.nWithoutAddress);
        else if (!sink.OnContact(contact))
            break;
    }
    return list;
}
