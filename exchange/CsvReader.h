// Reads CSV text (RFC 4180) row by row: fields are separated by commas (or the ";" or tab
// that a file's header shows) and rows by line ends (CR LF, LF or CR); a field in double
// quotes may hold separators, line ends and doubled quotes ("" for one "). A quote closes
// where a separator or a line end follows it. A quote
// that nothing closes, or whose close would lie beyond the opening quote of a later row,
// does not swallow the rest of the file: its row ends with its line, read as if the quote
// were not there. ReadContacts reads an address book export whose first row names its
// columns (CCsvColumns). Used by the import.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>
#include "exchange/Contact.h"

class CCsvReader {
public:
    explicit CCsvReader(const std::string& text, char separator = ',') : m_Text(text), m_cSeparator(separator) {}

    // The next row into fields; false at the end of the text.
    bool NextRow(std::vector<std::string>& fields);
    // The same as views into the text, or for a field with doubled quotes into the reader's
    // room; they hold until the next row is read.
    bool NextRow(std::vector<std::string_view>& fields);
    // True when the last row's quote never closed, so the row ended with its line.
    bool RowWasCut() const { return m_bCut; }
    // From now on only the columns marked in wanted are read; the others are empty.
    void ReadOnly(std::vector<char> wanted) { m_Wanted = std::move(wanted); }
    // True when a column passed over in the last row held something.
    bool SkippedText() const { return m_bSkippedText; }
    // The first row that is not empty into header; false when there is none.
    bool ReadHeader(std::vector<std::string>& header);

    // The same, the names converted from Shift-JIS when the text is so.
    bool ReadHeader(std::vector<std::string>& header, bool shiftJis);

    // The separator of a file's fields: ";" or a tab when the header read so is one that
    // CCsvColumns knows, else ",".
    static char DetectSeparator(const std::string& text, bool shiftJis = false);

    // The contacts of a file in UTF-16 or UTF-8 with a byte-order mark, or without one in
    // the code guessed for the whole file (UTF-8, Shift-JIS, EUC-JP or Windows-1252).
    // Empty rows are passed over; a first row that is no known header reads nothing.
    static ContactList ReadContacts(const std::string& bytes);
    // Hands each contact to sink; the list returned holds the counts and no contacts.
    static ContactList ReadContacts(const std::string& bytes, IContactSink& sink);

private:
    const std::string& m_Text;
    char m_cSeparator;
    size_t m_nPos = 0;
    bool m_bCut = false;
    std::vector<char> m_Wanted;
    bool m_bKeep = true;  // the field being read is wanted
    bool m_bSkippedText = false;
    std::string m_Unquoted;  // the row's fields that held doubled quotes, one after another
    struct UnquotedField {
        size_t field, offset, length;
    };
    std::vector<UnquotedField> m_UnquotedFields;
    std::vector<std::string_view> m_Views;

    bool AtLineEnd() const;
    void SkipLineEnd();
    size_t FindClosingQuote(size_t open) const;
    void QuotedField(size_t close, size_t index, std::string_view& field);
    bool SimpleQuotedField(std::string_view& field);
    void PlainField(std::string_view& field);
};
