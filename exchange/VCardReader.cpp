#include "exchange/VCardReader.h"
#include <algorithm>
#include <numeric>
#include <unordered_map>
#include "exchange/FolderPath.h"
#include "text/Charset.h"

namespace {

const int kNoPreference = 101;

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(const std::string& text, const char* lower)
{
    size_t i = 0;
    for (; lower[i]; ++i) {
        if (i >= text.size() || Lower(text[i]) != lower[i])
            return false;
    }
    return true;
}

// A UID as members name it: without "urn:uuid:", in lower case.
std::string MemberId(const std::string& text)
{
    std::string id = TrimBlanks(text);
    if (StartsWithNoCase(id, "urn:uuid:"))
        id.erase(0, 9);
    for (char& c : id)
        c = Lower(c);
    return id;
}

int VersionNumber(const std::string& text)
{
    std::string version = TrimBlanks(text);
    if (version == "2.1")
        return 21;
    if (version == "3.0")
        return 30;
    return version == "4.0" ? 40 : 0;
}

bool IsGroupKind(const std::string& value)
{
    std::string kind = TrimBlanks(value);
    return kind.size() == 5 && StartsWithNoCase(kind, "group");
}

// The first component of a structured value, unescaped.
std::string FirstComponent(const std::string& text, char separator)
{
    return TrimBlanks(CVCardText::Unescape(CVCardText::Split(text, separator)[0]));
}

}  // namespace

ContactList CVCardReader::Read(const std::string& bytes)
{
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0) {
        std::string text = Charset::FileTextToUtf8(bytes);
        CVCardReader reader(text, CVCardText::kUtf16);
        reader.ReadAll();
        return std::move(reader.m_List);
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        std::string text = bytes.substr(3);
        CVCardReader reader(text, CVCardText::kUtf8Marked);
        reader.ReadAll();
        return std::move(reader.m_List);
    }
    CVCardReader reader(bytes, CVCardText::kBytes);
    reader.ReadAll();
    return std::move(reader.m_List);
}

void CVCardReader::ReadAll()
{
    VCardProperty property;
    while (m_Lines.Next(property))
        OnProperty(property);
    if (m_bInCard)
        EndCard(false);
    ResolveMembers();
}

void CVCardReader::OnProperty(const VCardProperty& property)
{
    bool begin = property.Is("BEGIN") && CVCardLines::IsCardDelimiter("BEGIN:" + std::string(property.value));
    bool end = property.Is("END") && CVCardLines::IsCardDelimiter("END:" + std::string(property.value));
    if (m_nSkipDepth > 0) {
        m_nSkipDepth += begin ? 1 : end ? -1 : 0;
        return;
    }
    bool agentOpen = m_bAgentOpen;
    m_bAgentOpen = false;
    if (begin) {
        if (m_bInCard && agentOpen) {
            m_nSkipDepth = 1;
            return;
        }
        if (m_bInCard)
            EndCard(false);
        OnBegin();
    } else if (end) {
        if (m_bInCard)
            EndCard(true);
    } else if (m_bInCard) {
        OnCardProperty(property);
    }
}

void CVCardReader::OnBegin()
{
    m_bInCard = true;
    m_Card = Card();
    m_Text.SetVersion(0);
    m_Lines.KeepFoldBlank(false);
}

void CVCardReader::OnCardProperty(const VCardProperty& property)
{
    if (property.Is("VERSION")) {
        m_Text.SetVersion(VersionNumber(std::string(property.value)));
        m_Lines.KeepFoldBlank(m_Text.Version() == 21);
    } else if (property.Is("EMAIL")) {
        AddAddresses(m_Card.contact, CVCardText::Unescape(m_Text.Decode(property)));
        m_Card.ranks.resize(m_Card.contact.addresses.size(), property.preference ? property.preference : kNoPreference);
    } else if (property.Is("FN") || property.Is("N") || property.Is("ORG") || property.Is("NICKNAME")) {
        OnName(property);
    } else if (property.Is("CATEGORIES")) {
        for (const std::string& part : CVCardText::Split(m_Text.Decode(property), ','))
            FolderPath::AddPath(m_Card.folders, FolderPath::Parse(CVCardText::Unescape(part)));
    } else if (property.Is("X-GN")) {
        std::string group = TrimBlanks(CVCardText::Unescape(m_Text.Decode(property)));
        FolderPath::AddPath(m_Card.folders, group.empty() ? FolderPath::Path() : FolderPath::Path{group});
    } else if (property.Is("UID")) {
        m_Card.uid = MemberId(std::string(property.value));
    } else if (property.Is("AGENT")) {
        m_bAgentOpen = TrimBlanks(std::string(property.value)).empty();
    } else if (property.Is("TEL")) {
        m_List.fNotKept |= kNotKeptPhones;
    } else if (property.Is("ADR") || property.Is("LABEL")) {
        m_List.fNotKept |= kNotKeptPostalAddresses;
    } else if (property.Is("NOTE")) {
        m_List.fNotKept |= kNotKeptNotes;
    } else if (property.Is("PHOTO")) {
        m_List.fNotKept |= kNotKeptPhotos;
    } else {
        OnGroupProperty(property);
    }
}

// FN is the name; N, ORG and NICKNAME stand in for it when a card has none, so they are
// decoded only while no better one is known.
void CVCardReader::OnName(const VCardProperty& property)
{
    if (!m_Card.formattedName.empty())
        return;
    if (property.Is("FN")) {
        m_Card.formattedName = TrimBlanks(CVCardText::Unescape(m_Text.Decode(property)));
    } else if (property.Is("N") && m_Card.composedName.empty()) {
        std::vector<std::string> parts = CVCardText::Split(m_Text.Decode(property), ';');
        parts.resize(3);
        m_Card.composedName = ComposeName(CVCardText::Unescape(parts[1]), CVCardText::Unescape(parts[2]),
                                          CVCardText::Unescape(parts[0]));
    } else if (property.Is("ORG") && m_Card.composedName.empty() && m_Card.organisation.empty()) {
        m_Card.organisation = FirstComponent(m_Text.Decode(property), ';');
    } else if (property.Is("NICKNAME") && m_Card.composedName.empty() && m_Card.nickname.empty()) {
        m_Card.nickname = FirstComponent(m_Text.Decode(property), ',');
    }
}

void CVCardReader::OnGroupProperty(const VCardProperty& property)
{
    if (property.Is("KIND") || property.Is("X-ADDRESSBOOKSERVER-KIND")) {
        m_Card.contact.isGroup = IsGroupKind(std::string(property.value));
    } else if (property.Is("MEMBER") || property.Is("X-ADDRESSBOOKSERVER-MEMBER")) {
        m_Card.hasMembers = true;
        std::string member = CVCardText::Unescape(m_Text.Decode(property));
        if (StartsWithNoCase(TrimBlanks(member), "mailto:"))
            m_Card.memberAddresses.push_back(TrimBlanks(member).substr(7));
        else if (!TrimBlanks(member).empty())
            m_Card.memberIds.push_back(MemberId(member));
    }
}

void CVCardReader::EndCard(bool complete)
{
    m_bInCard = false;
    if (!complete)
        ++m_List.nIncomplete;
    Card& card = m_Card;
    Contact& contact = card.contact;
    // The preferred addresses first, the others in the order of the file.
    std::vector<size_t> order(contact.addresses.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return card.ranks[a] < card.ranks[b]; });
    std::vector<std::string> addresses;
    for (size_t i : order)
        addresses.push_back(std::move(contact.addresses[i]));
    contact.addresses = std::move(addresses);
    if (contact.isGroup && card.hasMembers) {
        contact.addresses.clear();
        for (const std::string& member : card.memberAddresses)
            AddAddresses(contact, member);
    }
    for (const std::string* name : {&card.formattedName, &card.composedName, &card.organisation, &card.nickname}) {
        if (contact.name.empty())
            contact.name = *name;
    }
    SetFolderPaths(contact, std::move(card.folders));
    if (contact.isGroup && !card.memberIds.empty()) {
        // Members named by UID are found once every card is read.
        m_GroupPlaces.push_back(m_List.contacts.size());
        m_List.contacts.push_back(contact);
        m_Uids.emplace_back();
        m_Groups.push_back(std::move(card));
        return;
    }
    size_t count = m_List.contacts.size();
    AddContact(m_List, std::move(contact));
    if (m_List.contacts.size() > count)
        m_Uids.push_back(card.uid);
}

// Each member named by UID gives the preferred address of its card; a group left with no
// address is no contact.
void CVCardReader::ResolveMembers()
{
    if (m_Groups.empty())
        return;
    std::unordered_map<std::string, size_t> byUid;
    for (size_t i = 0; i < m_Uids.size(); ++i) {
        if (!m_Uids[i].empty() && !m_List.contacts[i].isGroup)
            byUid.emplace(m_Uids[i], i);
    }
    for (size_t g = 0; g < m_Groups.size(); ++g) {
        Contact& group = m_List.contacts[m_GroupPlaces[g]];
        for (const std::string& id : m_Groups[g].memberIds) {
            auto found = byUid.find(id);
            if (found != byUid.end())
                group.addresses.push_back(m_List.contacts[found->second].addresses.front());
        }
    }
    std::vector<Contact> kept;
    for (Contact& contact : m_List.contacts) {
        if (contact.addresses.empty())
            ++m_List.nEmptyGroups;
        else
            kept.push_back(std::move(contact));
    }
    m_List.contacts = std::move(kept);
}
