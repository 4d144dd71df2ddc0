#include "exchange/CsvColumns.h"
#include "exchange/FolderPath.h"

namespace {

struct KnownColumn {
    const char* name;  // as compared: no blanks, ASCII in lower case
    CCsvColumns::Role role;
};

// Thunderbird (English, Japanese): First Name, Last Name, Display Name, Primary Email,
// Secondary Email / 名, 姓, 表示名, メールアドレス, 別のメールアドレス. Outlook (English,
// Japanese): First Name, Middle Name, Last Name, E-mail Address, E-mail 2 Address,
// E-mail 3 Address, Categories / 名, ミドル ネーム, 姓, 電子メール アドレス, 電子メール 2
// アドレス, 電子メール 3 アドレス, 分類項目. Gmail: Name, Given Name, Additional Name,
// Family Name (older files), First Name, Middle Name, Last Name (newer ones) / 名前, and the
// numbered "E-mail 1 - Value" / "メール 1 - 値" columns (see IsGmailAddressColumn).
const KnownColumn kKnownColumns[] = {
    {"displayname", CCsvColumns::kDisplayName},
    {u8"表示名", CCsvColumns::kDisplayName},
    {"name", CCsvColumns::kDisplayName},
    {u8"名前", CCsvColumns::kDisplayName},
    {"firstname", CCsvColumns::kGivenName},
    {"givenname", CCsvColumns::kGivenName},
    {u8"名", CCsvColumns::kGivenName},
    {"middlename", CCsvColumns::kMiddleName},
    {"additionalname", CCsvColumns::kMiddleName},
    {u8"ミドルネーム", CCsvColumns::kMiddleName},
    {"lastname", CCsvColumns::kFamilyName},
    {"familyname", CCsvColumns::kFamilyName},
    {u8"姓", CCsvColumns::kFamilyName},
    {"primaryemail", CCsvColumns::kEmail},
    {"secondaryemail", CCsvColumns::kEmail},
    {u8"メールアドレス", CCsvColumns::kEmail},
    {u8"別のメールアドレス", CCsvColumns::kEmail},
    {"e-mailaddress", CCsvColumns::kEmail},
    {"e-mail2address", CCsvColumns::kEmail},
    {"e-mail3address", CCsvColumns::kEmail},
    {u8"電子メールアドレス", CCsvColumns::kEmail},
    {u8"電子メール2アドレス", CCsvColumns::kEmail},
    {u8"電子メール3アドレス", CCsvColumns::kEmail},
    {"categories", CCsvColumns::kCategories},
    {u8"分類項目", CCsvColumns::kCategories},
};

// The header text as compared: blanks (half and full width) dropped, ASCII in lower case.
std::string Normalise(const std::string& header)
{
    const std::string fullWidthSpace = u8"　";
    std::string out;
    for (size_t i = 0; i < header.size(); ++i) {
        char c = header[i];
        if (header.compare(i, fullWidthSpace.size(), fullWidthSpace) == 0) {
            i += fullWidthSpace.size() - 1;
            continue;
        }
        if (c == ' ' || c == '\t')
            continue;
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

// Gmail's "E-mail 1 - Value", "E-mail 2 - Value" ... ("メール 1 - 値" in Japanese).
bool IsGmailAddressColumn(const std::string& name)
{
    const std::string forms[][2] = {{"e-mail", "-value"}, {u8"メール", u8"-値"}};
    for (const auto& form : forms) {
        const std::string& head = form[0];
        const std::string& tail = form[1];
        if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
            name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
            continue;
        std::string number = name.substr(head.size(), name.size() - head.size() - tail.size());
        if (number.find_first_not_of("0123456789") == std::string::npos)
            return true;
    }
    return false;
}

}  // namespace

CCsvColumns::Role CCsvColumns::RoleOf(const std::string& header)
{
    std::string name = Normalise(header);
    for (const KnownColumn& known : kKnownColumns) {
        if (name == known.name)
            return known.role;
    }
    return IsGmailAddressColumn(name) ? kEmail : kOther;
}

bool CCsvColumns::Recognise(const std::vector<std::string>& header)
{
    m_Roles.clear();
    bool hasEmail = false;
    for (const std::string& column : header) {
        m_Roles.push_back(RoleOf(column));
        hasEmail = hasEmail || m_Roles.back() == kEmail;
    }
    return hasEmail;
}

Contact CCsvColumns::ContactOf(const std::vector<std::string>& row) const
{
    Contact contact;
    std::string parts[kFamilyName + 1];
    bool hasCategory = false;
    for (size_t i = 0; i < row.size() && i < m_Roles.size(); ++i) {
        Role role = m_Roles[i];
        if (role == kEmail) {
            AddAddresses(contact, row[i]);
        } else if (role == kCategories && !hasCategory) {
            contact.folders = FolderPath::Parse(row[i]);
            hasCategory = !row[i].empty();
        } else if (role != kOther && role != kCategories && parts[role].empty()) {
            parts[role] = TrimBlanks(row[i]);
        }
    }
    contact.name = parts[kDisplayName].empty() ? ComposeName(parts[kGivenName], parts[kMiddleName], parts[kFamilyName])
                                               : parts[kDisplayName];
    return contact;
}
