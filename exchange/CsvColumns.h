// The columns of an address book export in CSV that the import reads, found by the names
// in the file's first row: the header rows that Thunderbird, Outlook and Gmail write, in
// English and in Japanese, and the Categories column of Velmora's own export. Names are
// compared without blanks and without regard to ASCII case.
#pragma once
#include <string>
#include <vector>
#include "exchange/Contact.h"

class CCsvColumns {
public:
    // Learns the columns of a header row; false when none of them holds mail addresses.
    bool Recognise(const std::vector<std::string>& header);

    // The contact of a data row: the display name, else the name composed of its parts;
    // the addresses of every mail column; the folder path of the first category.
    Contact ContactOf(const std::vector<std::string>& row) const;

    enum Role { kOther, kDisplayName, kGivenName, kMiddleName, kFamilyName, kEmail, kCategories };

    // The role of a column by its header text.
    static Role RoleOf(const std::string& header);

private:
    std::vector<Role> m_Roles;
};
