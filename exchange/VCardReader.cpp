#include "exchange/VCardReader.h"
#include <algorithm>
#include <numeric>
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

int VersionNumber(std::string_view version)
{
    while (!version.empty() && (version.front() == ' ' || version.front() == '\t'))
        version.remove_prefix(1);
    while (!version.empty() && (version.back() == ' ' || version.back() == '\t'))
        version.remove_suffix(1);
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
    return CollectContacts([&](IContactSink& sink) { return Read(bytes, sink); });
}

ContactList CVCardReader::Read(const std::string& bytes, IContactSink& sink)
{
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0)
        return ReadText(Charset::FileTextToUtf8(bytes), CVCardText::kUtf16, sink);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return ReadText(bytes.substr(3), CVCardText::kUtf8Marked, sink);
    return ReadText(bytes, CVCardText::kBytes, sink);
}

ContactList CVCardReader::ReadText(const std::string& text, CVCardText::Source source, IContactSink& sink)
{
    CVCardReader reader(text, source, sink);
    reader.ReadAll();
    return std::move(reader.m_List);
}

CVCardReader::CVCardReader(const std::string& text, CVCardText::Source source, IContactSink& sink)
    : m_Lines(text), m_Text(text, source), m_Sink(sink)
{
    // Members are named by UID in MEMBER or X-ADDRESSBOOKSERVER-MEMBER; without either no
    // UID needs keeping.
    m_bKeepUids = text.find("MEMBER") != std::string::npos || text.find("member") != std::string::npos ||
                  text.find("Member") != std::string::npos;
}

void CVCardReader::ReadAll()
{
    VCardProperty property;
    while (!m_bStopped && m_Lines.Next(property))
        OnProperty(property);
    if (m_bInCard && !m_bStopped)
        EndCard(false);
    if (!m_bStopped)
        ResolveMembers();
}

void CVCardReader::Card::Clear()
{
    contact.name.clear();
    ClearAddresses(contact, spareAddresses);
    contact.folders.clear();
    contact.moreFolders.clear();
    contact.isGroup = false;
    ranks.clear();
    anyPreference = false;
    composedName.clear();
    organisation.clear();
    nickname.clear();
    uid.clear();
    memberIds.clear();
    memberAddresses.clear();
    hasMembers = false;
}

void CVCardReader::OnProperty(const VCardProperty& property)
{
    bool delimiter = property.kind == VCardProperty::kBegin || property.kind == VCardProperty::kEnd;
    bool begin = delimiter && property.IsCardDelimiter(VCardProperty::kBegin);
    bool end = delimiter && property.IsCardDelimiter(VCardProperty::kEnd);
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
    m_Card.Clear();
    m_Text.SetVersion(0);
    m_Lines.KeepFoldBlank(false);
}

void CVCardReader::OnCardProperty(const VCardProperty& property)
{
    switch (property.kind) {
    case VCardProperty::kVersion:
        m_Text.SetVersion(VersionNumber(property.value));
        m_Lines.KeepFoldBlank(m_Text.Version() == 21);
        break;
    case VCardProperty::kEmail:
        OnEmail(property);
        break;
    case VCardProperty::kFormattedName:
    case VCardProperty::kName:
    case VCardProperty::kOrganisation:
    case VCardProperty::kNickname:
        OnName(property);
        break;
    case VCardProperty::kCategories:
        OnCategories(property);
        break;
    case VCardProperty::kPhoneGroup: {
        std::string group = TrimBlanks(CVCardText::Unescape(m_Text.Decode(property)));
        if (!group.empty())
            AddFolderPath(m_Card.contact, {group});
        break;
    }
    case VCardProperty::kUid:
        m_Card.uid = MemberId(std::string(property.value));
        break;
    case VCardProperty::kAgent:
        m_bAgentOpen = TrimBlanks(std::string(property.value)).empty();
        break;
    case VCardProperty::kKind:
        m_Card.contact.isGroup = IsGroupKind(std::string(property.value));
        break;
    case VCardProperty::kMember:
        OnMember(property);
        break;
    case VCardProperty::kPhone:
        m_List.fNotKept |= kNotKeptPhones;
        break;
    case VCardProperty::kPostalAddress:
        m_List.fNotKept |= kNotKeptPostalAddresses;
        break;
    case VCardProperty::kNote:
        m_List.fNotKept |= kNotKeptNotes;
        break;
    case VCardProperty::kPhoto:
        m_List.fNotKept |= kNotKeptPhotos;
        break;
    default:
        break;
    }
}

// FN is the name; N, ORG and NICKNAME stand in for it when a card has none, so they are
// decoded only while no better one is known.
void CVCardReader::OnName(const VCardProperty& property)
{
    Card& card = m_Card;
    if (!card.contact.name.empty())
        return;
    if (property.kind == VCardProperty::kFormattedName) {
        std::string& name = card.contact.name;
        m_Text.Decode(property, name);
        CVCardText::UnescapeInPlace(name);
        size_t end = name.find_last_not_of(" \t\r\n");
        name.erase(end == std::string::npos ? 0 : end + 1);
        name.erase(0, name.find_first_not_of(" \t\r\n"));
    } else if (property.kind == VCardProperty::kName && card.composedName.empty()) {
        std::vector<std::string> parts = CVCardText::Split(m_Text.Decode(property), ';');
        parts.resize(3);
        card.composedName = ComposeName(CVCardText::Unescape(parts[1]), CVCardText::Unescape(parts[2]),
                                        CVCardText::Unescape(parts[0]));
    } else if (property.kind == VCardProperty::kOrganisation && card.composedName.empty() && card.organisation.empty()) {
        card.organisation = FirstComponent(m_Text.Decode(property), ';');
    } else if (property.kind == VCardProperty::kNickname && card.composedName.empty() && card.nickname.empty()) {
        card.nickname = FirstComponent(m_Text.Decode(property), ',');
    }
}

// Each category is a folder path; the paths of a value are kept for the next card, which
// mostly has the same.
void CVCardReader::OnCategories(const VCardProperty& property)
{
    m_Text.Decode(property, m_Value);
    if (m_Value != m_LastCategories) {
        m_LastCategories = m_Value;
        m_LastPaths.clear();
        for (const std::string& part : CVCardText::Split(m_Value, ','))
            FolderPath::AddPath(m_LastPaths, FolderPath::Parse(CVCardText::Unescape(part)));
    }
    for (const FolderPath::Path& path : m_LastPaths)
        AddFolderPath(m_Card.contact, path);
}

void CVCardReader::OnEmail(const VCardProperty& property)
{
    Card& card = m_Card;
    m_Text.Decode(property, m_Value);
    CVCardText::UnescapeInPlace(m_Value);
    AddAddresses(card.contact, m_Value, card.spareAddresses);
    card.ranks.resize(card.contact.addresses.size(), property.preference ? property.preference : kNoPreference);
    card.anyPreference = card.anyPreference || property.preference;
}

void CVCardReader::OnMember(const VCardProperty& property)
{
    m_Card.hasMembers = true;
    std::string member = TrimBlanks(CVCardText::Unescape(m_Text.Decode(property)));
    if (StartsWithNoCase(member, "mailto:"))
        m_Card.memberAddresses.push_back(member.substr(7));
    else if (!member.empty())
        m_Card.memberIds.push_back(MemberId(member));
}

void CVCardReader::EndCard(bool complete)
{
    m_bInCard = false;
    if (!complete)
        ++m_List.nIncomplete;
    Card& card = m_Card;
    Contact& contact = card.contact;
    if (card.anyPreference) {
        // The preferred addresses first, the others in the order of the file.
        std::vector<size_t> order(contact.addresses.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return card.ranks[a] < card.ranks[b]; });
        std::vector<std::string> addresses;
        for (size_t i : order)
            addresses.push_back(std::move(contact.addresses[i]));
        contact.addresses = std::move(addresses);
    }
    if (contact.isGroup && card.hasMembers) {
        contact.addresses.clear();
        for (const std::string& member : card.memberAddresses)
            AddAddresses(contact, member);
    }
    for (const std::string* name : {&card.composedName, &card.organisation, &card.nickname}) {
        if (contact.name.empty())
            contact.name = *name;
    }
    if (contact.isGroup && !card.memberIds.empty()) {
        // Members named by UID are found once every card is read.
        m_Groups.push_back(card);
        return;
    }
    if (contact.addresses.empty()) {
        ++(contact.isGroup ? m_List.nEmptyGroups : m_List.nWithoutAddress);
        return;
    }
    if (m_bKeepUids && !card.uid.empty() && !contact.isGroup)
        m_AddressByUid.emplace(card.uid, contact.addresses.front());
    m_bStopped = !m_Sink.OnContact(contact);
}

// Each member named by UID gives the preferred address of its card; a group left with no
// address is no contact.
void CVCardReader::ResolveMembers()
{
    for (Card& group : m_Groups) {
        Contact& contact = group.contact;
        for (const std::string& id : group.memberIds) {
            auto found = m_AddressByUid.find(id);
            if (found != m_AddressByUid.end())
                contact.addresses.push_back(found->second);
        }
        if (contact.addresses.empty())
            ++m_List.nEmptyGroups;
        else if (!m_Sink.OnContact(contact))
            return;
    }
}
