#include "exchange/CsvColumns.h"
#include <algorithm>
#include <numeric>
#include "exchange/FolderPath.h"
#include "exchange/SystemGroups.h"

namespace {

struct KnownColumn {
    const char* name;  // as compared: no blanks, ASCII in lower case
    CCsvColumns::Role role;
};

// Thunderbird (English, Japanese): First Name, Last Name, Display Name, Nickname, Primary
// Email, Secondary Email, Organization / 名, 姓, 表示名, ニックネーム, メールアドレス, 別の
// メールアドレス, 会社. Outlook (English, Japanese): First Name, Middle Name, Last Name,
// Company, E-mail Address, E-mail 2 Address, E-mail 3 Address, Categories / 名, ミドル ネーム,
// 姓, 会社, 電子メール アドレス, 電子メール 2 アドレス, 電子メール 3 アドレス, 分類項目. Gmail:
// Name, Given Name, Additional Name, Family Name, Group Membership (older files), First
// Name, Middle Name, Last Name, Organization Name, Labels (newer ones) / 名前, ラベル, and
// the numbered "E-mail 1 - Value" / "メール 1 - 値" columns (see GmailMailColumn). Outlook
// in German: Vorname, Weitere Vornamen, Nachname, Firma, E-Mail-Adresse, E-Mail 2: Adresse,
// E-Mail 3: Adresse, Kategorien; in French: Prénom, Deuxième prénom, Nom, Société, Adresse
// de messagerie, Adresse de messagerie 2, Adresse de messagerie 3, Catégories, Surnom.
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
    {"nickname", CCsvColumns::kNickname},
    {u8"ニックネーム", CCsvColumns::kNickname},
    {"organization", CCsvColumns::kOrganisation},
    {"organizationname", CCsvColumns::kOrganisation},
    {"organization1-name", CCsvColumns::kOrganisation},
    {"company", CCsvColumns::kOrganisation},
    {u8"会社", CCsvColumns::kOrganisation},
    {u8"会社名", CCsvColumns::kOrganisation},
    {u8"組織", CCsvColumns::kOrganisation},
    {u8"組織名", CCsvColumns::kOrganisation},
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
    {"labels", CCsvColumns::kLabels},
    {u8"ラベル", CCsvColumns::kLabels},
    {"groupmembership", CCsvColumns::kLabels},
    {u8"グループメンバーシップ", CCsvColumns::kLabels},
    {"members", CCsvColumns::kMembers},
    {"vorname", CCsvColumns::kGivenName},
    {"weiterevornamen", CCsvColumns::kMiddleName},
    {"nachname", CCsvColumns::kFamilyName},
    {"firma", CCsvColumns::kOrganisation},
    {"e-mail-adresse", CCsvColumns::kEmail},
    {"e-mail2:adresse", CCsvColumns::kEmail},
    {"e-mail3:adresse", CCsvColumns::kEmail},
    {"kategorien", CCsvColumns::kCategories},
    {u8"prénom", CCsvColumns::kGivenName},
    {u8"deuxièmeprénom", CCsvColumns::kMiddleName},
    {"nom", CCsvColumns::kFamilyName},
    {u8"société", CCsvColumns::kOrganisation},
    {"surnom", CCsvColumns::kNickname},
    {"adressedemessagerie", CCsvColumns::kEmail},
    {"adressedemessagerie2", CCsvColumns::kEmail},
    {"adressedemessagerie3", CCsvColumns::kEmail},
    {u8"catégories", CCsvColumns::kCategories},
};

// Other columns by a part of their name: what a book does not keep. Readings come first:
// "Phonetic First Name" holds no phone number.
const KnownColumn kNotKeptParts[] = {
    {"phonetic", CCsvColumns::kReading},   {"yomi", CCsvColumns::kReading},
    {u8"ふりがな", CCsvColumns::kReading},  {u8"フリガナ", CCsvColumns::kReading},
    {u8"よみがな", CCsvColumns::kReading},  {u8"ヨミガナ", CCsvColumns::kReading},
    {u8"読み", CCsvColumns::kReading},      {"phone", CCsvColumns::kPhone},
    {"fax", CCsvColumns::kPhone},          {"pager", CCsvColumns::kPhone},
    {"mobile", CCsvColumns::kPhone},       {"telefon", CCsvColumns::kPhone},
    {u8"téléphone", CCsvColumns::kPhone},  {u8"tél.", CCsvColumns::kPhone},
    {u8"télécopie", CCsvColumns::kPhone},  {u8"電話", CCsvColumns::kPhone},
    {u8"携帯", CCsvColumns::kPhone},       {u8"ポケットベル", CCsvColumns::kPhone},
    {u8"ファックス", CCsvColumns::kPhone},  {"address", CCsvColumns::kPostalAddress},
    {"street", CCsvColumns::kPostalAddress}, {"city", CCsvColumns::kPostalAddress},
    {"zip", CCsvColumns::kPostalAddress},  {"postal", CCsvColumns::kPostalAddress},
    {u8"straße", CCsvColumns::kPostalAddress}, {"postleitzahl", CCsvColumns::kPostalAddress},
    {u8"ortgeschäftlich", CCsvColumns::kPostalAddress}, {"ortprivat", CCsvColumns::kPostalAddress},
    {"rue(", CCsvColumns::kPostalAddress}, {"ville(", CCsvColumns::kPostalAddress},
    {u8"住所", CCsvColumns::kPostalAddress}, {u8"郵便", CCsvColumns::kPostalAddress},
    {u8"番地", CCsvColumns::kPostalAddress}, {u8"市区町村", CCsvColumns::kPostalAddress},
    {"notes", CCsvColumns::kNote},         {"notizen", CCsvColumns::kNote},
    {u8"メモ", CCsvColumns::kNote},        {u8"備考", CCsvColumns::kNote},
    {"photo", CCsvColumns::kPhoto},        {u8"写真", CCsvColumns::kPhoto},
    {"jobtitle", CCsvColumns::kTitle},     {"-title", CCsvColumns::kTitle},
    {u8"役職", CCsvColumns::kTitle},       {"position", CCsvColumns::kTitle},
    {"birthday", CCsvColumns::kBirthday},  {"anniversary", CCsvColumns::kBirthday},
    {"geburtstag", CCsvColumns::kBirthday}, {"jahrestag", CCsvColumns::kBirthday},
    {"anniversaire", CCsvColumns::kBirthday}, {u8"誕生日", CCsvColumns::kBirthday},
    {u8"記念日", CCsvColumns::kBirthday},   {"event", CCsvColumns::kBirthday},
    {"webpage", CCsvColumns::kWebPage},    {"website", CCsvColumns::kWebPage},
    {"webseite", CCsvColumns::kWebPage},   {"pageweb", CCsvColumns::kWebPage},
    {u8"webページ", CCsvColumns::kWebPage}, {u8"ホームページ", CCsvColumns::kWebPage},
    {"url", CCsvColumns::kWebPage},        {"instantmessage", CCsvColumns::kMessenger},
    {"im1-", CCsvColumns::kMessenger},
    {"imaddress", CCsvColumns::kMessenger}, {u8"messagerieinstantanée", CCsvColumns::kMessenger},
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

// The first character of a field that is no blank; '\0' for a blank field.
char FirstVisible(std::string_view field)
{
    for (char c : field) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return c;
    }
    return '\0';
}

// A field without the blanks at either end.
std::string_view Trimmed(std::string_view field)
{
    while (!field.empty() && (field.front() == ' ' || field.front() == '\t' || field.front() == '\r' || field.front() == '\n'))
        field.remove_prefix(1);
    while (!field.empty() && (field.back() == ' ' || field.back() == '\t' || field.back() == '\r' || field.back() == '\n'))
        field.remove_suffix(1);
    return field;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Gmail's "E-mail 1 - Value", "E-mail 1 - Label" (older: "- Type") ... ("メール 1 - 値",
// "メール 1 - ラベル" in Japanese): the role and the number, or kOther.
CCsvColumns::Role GmailMailColumn(const std::string& name, int& number)
{
    static const std::string heads[] = {"e-mail", u8"メール"};
    static const std::pair<std::string, CCsvColumns::Role> tails[] = {
        {"-value", CCsvColumns::kEmail},      {u8"-値", CCsvColumns::kEmail},
        {"-label", CCsvColumns::kEmailLabel}, {"-type", CCsvColumns::kEmailLabel},
        {u8"-ラベル", CCsvColumns::kEmailLabel}, {u8"-タイプ", CCsvColumns::kEmailLabel},
    };
    for (const std::string& head : heads) {
        for (const auto& tail : tails) {
            if (name.size() <= head.size() + tail.first.size() || name.compare(0, head.size(), head) != 0 ||
                !EndsWith(name, tail.first))
                continue;
            std::string digits = name.substr(head.size(), name.size() - head.size() - tail.first.size());
            if (digits.empty() || digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string::npos)
                continue;
            number = std::stoi(digits);
            return tail.second;
        }
    }
    return CCsvColumns::kOther;
}

// The folders of Gmail's labels: "* myContacts ::: 友人 ::: * Friends". "* " marks a
// group of Gmail's own (SystemGroups.h), which is passed over.
std::vector<FolderPath::Path> LabelFolders(const std::string& field)
{
    std::vector<FolderPath::Path> paths;
    size_t start = 0;
    for (size_t end = field.find(":::"); start <= field.size(); end = field.find(":::", start)) {
        std::string label = TrimBlanks(field.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? field.size() + 1 : end + 3;
        if (IsGoogleSystemLabel(label))
            continue;
        FolderPath::AddPath(paths, label.empty() ? FolderPath::Path() : FolderPath::Path{label});
    }
    return paths;
}

// Outlook writes an empty date as "0.0.00" or "0/0/00": a date has a digit other than 0.
bool IsDate(std::string_view field)
{
    for (char c : field) {
        if (c >= '1' && c <= '9')
            return true;
    }
    return false;
}

unsigned NotKeptOf(CCsvColumns::Role role)
{
    switch (role) {
    case CCsvColumns::kPhone:
        return kNotKeptPhones;
    case CCsvColumns::kPostalAddress:
        return kNotKeptPostalAddresses;
    case CCsvColumns::kNote:
        return kNotKeptNotes;
    case CCsvColumns::kPhoto:
        return kNotKeptPhotos;
    case CCsvColumns::kReading:
        return kNotKeptReadings;
    case CCsvColumns::kTitle:
        return kNotKeptTitles;
    case CCsvColumns::kBirthday:
        return kNotKeptBirthdays;
    case CCsvColumns::kWebPage:
        return kNotKeptWebPages;
    case CCsvColumns::kMessenger:
        return kNotKeptMessengers;
    default:
        return 0;
    }
}

}  // namespace

CCsvColumns::Role CCsvColumns::RoleOf(const std::string& header, int* number)
{
    std::string name = Normalise(header);
    for (const KnownColumn& known : kKnownColumns) {
        if (name == known.name)
            return known.role;
    }
    int gmailNumber = 0;
    Role gmail = GmailMailColumn(name, gmailNumber);
    if (number)
        *number = gmailNumber;
    if (gmail != kOther || EndsWith(name, "-label") || EndsWith(name, "-type"))
        return gmail;
    for (const KnownColumn& part : kNotKeptParts) {
        if (name.find(part.name) != std::string::npos)
            return part.role;
    }
    return kOther;
}

bool CCsvColumns::Recognise(const std::vector<std::string>& header)
{
    m_Roles.clear();
    m_Numbers.clear();
    m_bHasLabels = false;
    m_bOwnExport = false;
    bool hasEmail = false;
    for (const std::string& column : header) {
        int number = 0;
        m_Roles.push_back(RoleOf(column, &number));
        m_Numbers.push_back(number);
        m_bHasLabels = m_bHasLabels || m_Roles.back() == kEmailLabel;
        hasEmail = hasEmail || m_Roles.back() == kEmail;
        m_bOwnExport = m_bOwnExport || m_Roles.back() == kMembers;
    }
    return hasEmail;
}

std::vector<char> CCsvColumns::TextColumns() const
{
    std::vector<char> text;
    for (Role role : m_Roles)
        text.push_back(role >= kDisplayName && role <= kMembers);
    return text;
}

std::vector<char> CCsvColumns::Wanted() const
{
    std::vector<char> wanted;
    for (Role role : m_Roles)
        wanted.push_back(role != kOther);
    return wanted;
}

void CCsvColumns::ContactOf(const std::vector<std::string_view>& row, unsigned& notKept, Contact& contact) const
{
    ClearAddresses(contact, m_SpareAddresses);
    contact.name.clear();
    contact.folders.clear();
    contact.moreFolders.clear();
    contact.isGroup = false;
    m_Ranks.clear();
    std::vector<int>& primary = m_Primary;  // Gmail numbers whose label says primary
    primary.clear();
    if (m_bHasLabels) {
        for (size_t i = 0; i < row.size() && i < m_Roles.size(); ++i) {
            if (m_Roles[i] == kEmailLabel && FirstVisible(row[i]) == '*')
                primary.push_back(m_Numbers[i]);
        }
    }
    const std::string_view* parts[kOrganisation + 1] = {};
    const size_t columns = std::min(row.size(), m_Roles.size());
    const Role* roles = m_Roles.data();
    for (size_t i = 0; i < columns; ++i) {
        Role role = roles[i];
        std::string_view field = row[i];
        if (role == kOther || field.empty())
            continue;
        if (role == kEmail || role == kMembers) {
            m_Field.assign(field.data(), field.size());
            AddAddresses(contact, m_Field, m_SpareAddresses);
            bool first = role == kEmail && m_Numbers[i] != 0 &&
                         std::find(primary.begin(), primary.end(), m_Numbers[i]) != primary.end();
            m_Ranks.resize(contact.addresses.size(), first ? 0 : 1);
            contact.isGroup = contact.isGroup || (role == kMembers && FirstVisible(field));
        } else if (role == kCategories) {
            if (field != m_LastCategories) {
                m_LastCategories.assign(field.data(), field.size());
                m_LastPaths = FolderPath::ParseList(m_LastCategories, ",;");
                // Velmora's own export (with its Members column) holds the user's folders only.
                if (!m_bOwnExport)
                    RemoveGoogleSystemGroups(m_LastPaths);
            }
            for (const FolderPath::Path& path : m_LastPaths)
                AddFolderPath(contact, path);
        } else if (role == kLabels) {
            if (field != m_LastLabels) {
                m_LastLabels.assign(field.data(), field.size());
                m_LastLabelPaths = LabelFolders(m_LastLabels);
            }
            for (const FolderPath::Path& path : m_LastLabelPaths)
                AddFolderPath(contact, path);
        } else if (role >= kPhone && FirstVisible(field) && (role != kBirthday || IsDate(field))) {
            notKept |= NotKeptOf(role);
        } else if (role >= kDisplayName && role <= kOrganisation && !parts[role] && FirstVisible(field)) {
            parts[role] = &row[i];
        }
    }
    if (!primary.empty()) {
        // Gmail's primary addresses first, the others in the order of the row.
        std::vector<std::string>& addresses = contact.addresses;
        for (size_t i = 0, front = 0; i < addresses.size(); ++i) {
            if (m_Ranks[i] != 0)
                continue;
            std::rotate(addresses.begin() + static_cast<std::ptrdiff_t>(front), addresses.begin() + static_cast<std::ptrdiff_t>(i),
                        addresses.begin() + static_cast<std::ptrdiff_t>(i + 1));
            ++front;
        }
    }
    // The name as the first of the display name, the composed parts, the organisation and
    // the nickname that the row holds.
    auto text = [](const std::string_view* part) { return part ? std::string(Trimmed(*part)) : std::string(); };
    if (parts[kDisplayName]) {
        contact.name = text(parts[kDisplayName]);
    } else if (parts[kGivenName] || parts[kMiddleName] || parts[kFamilyName]) {
        for (int k = 0; k < 3; ++k) {
            const std::string_view* part = parts[kGivenName + k];
            m_Parts[k].assign(part ? part->data() : "", part ? part->size() : 0);
        }
        contact.name = ComposeName(m_Parts[0], m_Parts[1], m_Parts[2]);
    } else if (parts[kOrganisation]) {
        contact.name = text(parts[kOrganisation]);
    } else if (parts[kNickname]) {
        contact.name = text(parts[kNickname]);
    }
    // An organisation or a nickname that did not become the name is not kept.
    if (parts[kOrganisation] && contact.name != Trimmed(*parts[kOrganisation]))
        notKept |= kNotKeptCompanies;
    if (parts[kNickname] && contact.name != Trimmed(*parts[kNickname]))
        notKept |= kNotKeptNicknames;
}
