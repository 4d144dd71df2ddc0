// Tells from a file's content how the import reads it: an AL-MAIL address file, a vCard
// file or a CSV file. Neither the file's extension nor the file dialog's filter decides.
#pragma once
#include <string>
#include "exchange/Contact.h"

enum class ImportFormat {
    AlMail,
    VCard,
    Csv,
};

// vCard: the first line that is not blank is "BEGIN:VCARD" (any case). AL-MAIL: that line
// opens or ends a folder or holds a ":", as the address file's lines do, or the file is
// empty. CSV: the file starts with a byte-order mark (Unicode, which address files never
// are), or that line holds a comma. Anything else is read as an address file.
ImportFormat DetectImportFormat(const std::string& bytes);

// The contacts of a vCard or CSV file (an address file has none).
ContactList ReadContacts(const std::string& bytes, ImportFormat format);
