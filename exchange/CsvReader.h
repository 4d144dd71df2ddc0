// Reads CSV text (RFC 4180) row by row: fields are separated by commas and rows by line
// ends (CR LF, LF or CR); a field in double quotes may hold commas, line ends and doubled
// quotes ("" for one "). ReadContacts reads an address book export whose first row names
// its columns (CCsvColumns). Used by the import.
#pragma once
#include <string>
#include <vector>
#include "exchange/Contact.h"

class CCsvReader {
public:
    explicit CCsvReader(const std::string& text) : m_Text(text) {}

    // The next row; false at the end of the text.
    bool NextRow(std::vector<std::string>& fields);

    // The contacts of a file in UTF-8 (with or without a byte-order mark), UTF-16 with a
    // byte-order mark, or Shift-JIS. Empty rows are passed over; a first row that is no
    // known header reads nothing.
    static ContactList ReadContacts(const std::string& bytes);

private:
    const std::string& m_Text;
    size_t m_nPos = 0;

    bool AtLineEnd() const;
    void SkipLineEnd();
    std::string QuotedField();
};
