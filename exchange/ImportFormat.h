// Tells from a file's content how the import reads it: an AL-MAIL address file, a vCard
// file or a CSV file, or none of them. Neither the file's extension nor the file dialog's
// filter decides. The book dialog asks the same before it lets a file become a book's own.
#pragma once
#include <string>
#include "exchange/Contact.h"

enum class ImportFormat {
    AlMail,
    VCard,
    Csv,
    Empty,    // nothing but blanks and line ends
    Unknown,  // none of the forms above
};

// vCard: the first line that is not blank is "BEGIN:VCARD" (any case). CSV: that line is a
// header with a mail column (fields separated by commas, ";" or tabs). AL-MAIL: most of the
// lines are folder lines or address lines ("name: address" with an "@" or no address), so
// a comment line such as "Friends, family" at the top does not make a CSV. Otherwise a
// first line with a comma is a CSV whose header the import does not know, and anything else
// is unknown. A byte-order mark says how the text is encoded; without one it is guessed.
ImportFormat DetectImportFormat(const std::string& bytes);

// True when bytes start with a Unicode byte-order mark (an address file written as UTF-8 or
// UTF-16 by an editor, which the import converts to Shift-JIS instead of taking it over).
bool HasByteOrderMark(const std::string& bytes);

// The contacts of a vCard or CSV file (an address file has none).
ContactList ReadContacts(const std::string& bytes, ImportFormat format);

// The same, handing each contact to sink as it is read; the list returned holds the
// counts of what was left out, and no contacts.
ContactList ReadContacts(const std::string& bytes, ImportFormat format, IContactSink& sink);
