#include "exchange/VCardReader.h"
#include <algorithm>
#include <numeric>
#include "exchange/ByteScan.h"
#include "exchange/FolderPath.h"
#include "exchange/SystemGroups.h"
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

// Whether a property holds more than blanks and separators.
bool HasText(const VCardProperty& property)
{
    for (char c : property.value) {
        if (c != ' ' && c != '\t' && c != ';' && c != ',')
            return true;
    }
    return false;
}

bool IsBlankOrLineEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Drops the blanks and line ends at either end of text.
void TrimInPlace(std::string& text)
{
    size_t end = text.size();
    while (end > 0 && IsBlankOrLineEnd(text[end - 1]))
        --end;
    size_t begin = 0;
    while (begin < end && IsBlankOrLineEnd(text[begin]))
        ++begin;
    if (end < text.size())
        text.resize(end);
    if (begin > 0)
        text.erase(0, begin);
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
    : m_Lines(text), m_Text(source, text), m_Sink(sink), m_rText(text), m_Source(source)
{
}

void CVCardReader::ReadAll()
{
    VCardProperty property;
    while (!m_bStopped && m_Lines.Next(property))
        OnProperty(property);
    if (m_bInCard && !m_bStopped)
        EndCard(false);
    if (!m_bStopped && !m_bKeepUids)
        ResolveMembers();
    m_List.nCloseGuesses = m_Text.CloseGuesses();
    for (CardMention& mention : m_List.incompleteCards)
        mention.line = CVCardLines::LineNumberAt(m_rText, mention.line);
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
    hasName = false;
    writtenName.kept = false;
    organisation.clear();
    nickname.clear();
    uid.clear();
    memberIds.clear();
    memberAddresses.clear();
    hasMembers = false;
    hasOrganisation = false;
    hasNickname = false;
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
        OnBegin(false);
    } else if (end) {
        if (m_bInCard)
            EndCard(!m_bNoBegin);
    } else if (m_bInCard) {
        OnCardProperty(property);
    } else if (property.kind != VCardProperty::kOther && property.kind != VCardProperty::kEnd) {
        // A card whose BEGIN:VCARD is missing (a damaged or hand-edited file) is read from
        // its first property that a card holds, and counted as incomplete.
        OnBegin(true);
        OnCardProperty(property);
    }
}

// The kind of field is noted once: then whether a property holds text is not asked again.
void CVCardReader::NotKeptIf(const VCardProperty& property, unsigned kind, bool applies)
{
    if (applies && !(m_List.fNotKept & kind) && HasText(property))
        m_List.fNotKept |= kind;
}

void CVCardReader::OnBegin(bool noBegin)
{
    m_bInCard = true;
    m_bNoBegin = noBegin;
    m_nCardStart = m_Lines.PropertyStart();
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
    case VCardProperty::kPhoneGroup:
        OnPhoneGroup(property);
        break;
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
    case VCardProperty::kReading:
        NotKeptIf(property, kNotKeptReadings);
        break;
    case VCardProperty::kSound:
        NotKeptIf(property, kNotKeptReadings, property.nameReading);
        break;
    case VCardProperty::kTitle:
        NotKeptIf(property, kNotKeptTitles);
        break;
    case VCardProperty::kBirthday:
        NotKeptIf(property, kNotKeptBirthdays);
        break;
    case VCardProperty::kWebPage:
        NotKeptIf(property, kNotKeptWebPages);
        break;
    case VCardProperty::kMessenger:
        NotKeptIf(property, kNotKeptMessengers);
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
    if (property.kind == VCardProperty::kOrganisation)
        card.hasOrganisation = card.hasOrganisation || HasText(property);
    if (property.kind == VCardProperty::kNickname)
        card.hasNickname = card.hasNickname || HasText(property);
    if (!card.contact.name.empty())
        return;
    if (property.kind == VCardProperty::kFormattedName) {
        std::string& name = card.contact.name;
        m_Text.Decode(property, name);
        CVCardText::UnescapeInPlace(name);
        TrimInPlace(name);
    } else if (property.kind == VCardProperty::kName && !card.hasName && HasText(property)) {
        // Composed at the card's end, and only when FN is missing; phones write N before FN,
        // so it is decoded then where that gives the same text.
        card.writtenName.Keep(property, m_Text.DecodesByItself(property));
        if (card.writtenName.kept)
            m_Text.NoteCharset(property);
        else
            m_Text.Decode(property, card.nameValue);
        card.hasName = true;
    } else if (property.kind == VCardProperty::kOrganisation && card.organisation.empty()) {
        card.organisation = FirstComponent(m_Text.Decode(property), ';');
    } else if (property.kind == VCardProperty::kNickname && card.nickname.empty()) {
        card.nickname = FirstComponent(m_Text.Decode(property), ',');
    }
}

// N's parts in the order of their script: given, additional and family name.
std::string CVCardReader::ComposedName(const std::string& value)
{
    std::vector<std::string> parts = CVCardText::Split(value, ';');
    parts.resize(3);
    return ComposeName(CVCardText::Unescape(parts[1]), CVCardText::Unescape(parts[2]), CVCardText::Unescape(parts[0]));
}

// Each category is a folder path; the paths of a value are kept for the next card, which
// mostly has the same.
void CVCardReader::OnCategories(const VCardProperty& property)
{
    if (m_LastWrittenCategories.Is(property)) {
        for (const FolderPath::Path& path : m_LastPaths)
            AddFolderPath(m_Card.contact, path);
        return;
    }
    m_LastWrittenCategories.Keep(property, m_Text.DecodesByItself(property));
    m_Text.Decode(property, m_Value);
    if (m_Value != m_LastCategories) {
        m_LastCategories = m_Value;
        m_LastPaths.clear();
        for (const std::string& part : CVCardText::Split(m_Value, ','))
            FolderPath::AddPath(m_LastPaths, FolderPath::Parse(CVCardText::Unescape(part)));
        RemoveGoogleSystemGroups(m_LastPaths);
    }
    for (const FolderPath::Path& path : m_LastPaths)
        AddFolderPath(m_Card.contact, path);
}

// The group of docomo and au phones is one folder; cards of one group mostly come together.
void CVCardReader::OnPhoneGroup(const VCardProperty& property)
{
    if (m_LastWrittenGroup.Is(property)) {
        AddFolderPath(m_Card.contact, m_LastGroupPath);
        return;
    }
    m_LastWrittenGroup.Keep(property, m_Text.DecodesByItself(property));
    m_Text.Decode(property, m_Value);
    if (m_Value != m_LastGroup) {
        m_LastGroup = m_Value;
        m_LastGroupPath.assign(1, TrimBlanks(CVCardText::Unescape(m_Value)));
        if (m_LastGroupPath[0].empty())
            m_LastGroupPath.clear();
    }
    AddFolderPath(m_Card.contact, m_LastGroupPath);
}

bool CVCardReader::WrittenValue::Is(const VCardProperty& property) const
{
    return kept && encoding == property.encoding && property.value.size() == value.size() &&
           property.charset.size() == charset.size() && SameBytes(property.value.data(), value.data(), value.size()) &&
           SameBytes(property.charset.data(), charset.data(), charset.size());
}

void CVCardReader::WrittenValue::Keep(const VCardProperty& property, bool decodesByItself)
{
    kept = decodesByItself;
    if (!kept)
        return;
    value.assign(property.value.data(), property.value.size());
    charset.assign(property.charset.data(), property.charset.size());
    encoding = property.encoding;
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
    Card& card = m_Card;
    Contact& contact = card.contact;
    if (contact.name.empty() && card.hasName) {
        if (card.writtenName.kept) {
            VCardProperty name;
            name.kind = VCardProperty::kName;
            name.value = card.writtenName.value;
            name.charset = card.writtenName.charset;
            name.encoding = card.writtenName.encoding;
            m_Text.Decode(name, card.nameValue);
        }
        card.composedName = ComposedName(card.nameValue);
    }
    bool empty = contact.name.empty() && contact.addresses.empty() && card.composedName.empty() &&
                 card.organisation.empty() && card.nickname.empty() && !card.hasMembers;
    if (m_bNoBegin && empty)
        return;  // stray lines between cards, no card
    if (!complete)
        NoteIncomplete();
    if (card.anyPreference && !std::is_sorted(card.ranks.begin(), card.ranks.end())) {
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
    // An organisation or a nickname that did not become the name is not kept.
    if (card.hasOrganisation && (card.organisation.empty() || contact.name != card.organisation))
        m_List.fNotKept |= kNotKeptCompanies;
    if (card.hasNickname && (card.nickname.empty() || contact.name != card.nickname))
        m_List.fNotKept |= kNotKeptNicknames;
    if (!complete && !m_List.incompleteCards.empty() && m_List.incompleteCards.back().name.empty())
        m_List.incompleteCards.back().name = !contact.name.empty() ? contact.name
                                             : contact.addresses.empty() ? std::string() : contact.addresses.front();
    if (contact.isGroup && !card.memberIds.empty()) {
        // Members named by UID are found once every card is read.
        m_Groups.push_back(card);
        return;
    }
    if (contact.addresses.empty()) {
        ++(contact.isGroup ? m_List.nEmptyGroups : m_List.nWithoutAddress);
        return;
    }
    if (m_bKeepUids) {
        if (!card.uid.empty() && !contact.isGroup)
            m_AddressByUid.emplace(card.uid, contact.addresses.front());
        return;
    }
    m_bStopped = !m_Sink.OnContact(contact);
}

// The first few cards read incomplete are named in the import's summary by their line
// (their offset until the end of the reading) and name.
void CVCardReader::NoteIncomplete()
{
    const size_t kNamed = 5;
    ++m_List.nIncomplete;
    if (m_List.incompleteCards.size() < kNamed) {
        m_List.incompleteCards.emplace_back();
        m_List.incompleteCards.back().line = m_nCardStart;
    }
}

// Each member named by UID gives the preferred address of its card; a group left with no
// address is no contact. Such groups are rare, so the cards' UIDs are gathered only then,
// in a second reading of the text.
void CVCardReader::ResolveMembers()
{
    if (m_Groups.empty())
        return;
    struct : IContactSink {
        bool OnContact(const Contact&) override { return true; }
    } none;  // the second reading hands on nothing
    CVCardReader uids(m_rText, m_Source, none);
    uids.m_bKeepUids = true;
    uids.ReadAll();
    m_AddressByUid = std::move(uids.m_AddressByUid);
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
