// The columns of an address book export in CSV that the import reads, found by the names
// in the file's first row: the header rows that Thunderbird, Outlook and Gmail write, in
// English and in Japanese (Outlook also in German and French), and the Categories and
// Members columns of Velmora's own export.
// Names are compared without blanks and without regard to ASCII case.
#pragma once
#include <string>
#include <string_view>
#include <vector>
#include "exchange/Contact.h"

class CCsvColumns {
public:
    // Learns the columns of a header row; false when none of them holds mail addresses.
    bool Recognise(const std::vector<std::string>& header);

    // The contact of a data row: the display name, else the name composed of its parts,
    // else the organisation, else the nickname; the addresses of every mail column, those
    // that Gmail marks as primary ("* ") first; a folder for each category or label but
    // Google's system groups. A row with addresses in the Members column is a group. Adds
    // to notKept what the row holds that a book does not keep. The contact's room is used
    // again.
    void ContactOf(const std::vector<std::string_view>& row, unsigned& notKept, Contact& contact) const;

    enum Role {
        kOther,
        kDisplayName,
        kGivenName,
        kMiddleName,
        kFamilyName,
        kNickname,
        kOrganisation,
        kEmail,
        kEmailLabel,  // Gmail's "E-mail 1 - Label": "* " marks the primary address
        kCategories,  // Outlook's and Velmora's: folder paths
        kLabels,      // Gmail's "Labels" and "Group Membership": names joined by " ::: "
        kMembers,     // Velmora's: the addresses of a group
        kPhone,
        kPostalAddress,
        kNote,
        kPhoto,
        kReading,
        kTitle,
        kBirthday,
        kWebPage,
        kMessenger,
    };

    // For each column of the header, whether ContactOf reads it.
    std::vector<char> Wanted() const;
    // For each column of the header, whether ContactOf takes its text (names, addresses,
    // folders) rather than only whether it holds any.
    std::vector<char> TextColumns() const;

    // The role of a column by its header text, and for Gmail's numbered mail columns the
    // number that pairs a label with its value.
    static Role RoleOf(const std::string& header, int* number = nullptr);

private:
    std::vector<Role> m_Roles;
    std::vector<int> m_Numbers;
    bool m_bHasLabels = false;
    bool m_bOwnExport = false;  // Velmora's own columns: no Google groups to pass over
    // Room kept from row to row.
    mutable std::vector<std::string> m_SpareAddresses;
    mutable std::vector<int> m_Ranks;
    // The last categories and their paths: contacts of one folder mostly come together.
    mutable std::string m_LastCategories;
    mutable std::vector<std::vector<std::string>> m_LastPaths;
    mutable std::string m_LastLabels;  // the same for Gmail's labels
    mutable std::vector<std::vector<std::string>> m_LastLabelPaths;
    mutable std::vector<int> m_Primary;
    mutable std::string m_Field;
    mutable std::string m_Parts[3];
};
