#include "exchange/VCardLines.h"
#include "exchange/ByteScan.h"
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsNoCase(std::string_view text, std::string_view upper)
{
    if (text.size() != upper.size())
        return false;
    if (text == upper)
        return true;  // mostly written in capitals
    for (size_t i = 0; i < upper.size(); ++i) {
        if (Upper(text[i]) != upper[i])
            return false;
    }
    return true;
}

std::string_view Trim(std::string_view text)
{
    if (text.empty() || (text.front() != ' ' && text.front() != '\t' && text.back() != ' ' && text.back() != '\t'))
        return text;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string_view Unquote(std::string_view text)
{
    text = Trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return text;
}

bool IsFoldBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The value of PREF=n, 1 to 100; larger or malformed numbers count as 100.
int PreferenceNumber(std::string_view text)
{
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || number > 100)
            return 100;
        number = number * 10 + (c - '0');
    }
    return number < 1 ? 100 : (number > 100 ? 100 : number);
}

struct KnownProperty {
    const char* name;
    size_t length;
    VCardProperty::Kind kind;
};

template <size_t N>
constexpr KnownProperty Known(const char (&name)[N], VCardProperty::Kind kind)
{
    return {name, N - 1, kind};
}

// By length, so that most names are told apart by their length alone.
constexpr KnownProperty kKnownProperties[] = {
    Known("N", VCardProperty::kName),
    Known("FN", VCardProperty::kFormattedName),
    Known("END", VCardProperty::kEnd),
    Known("ORG", VCardProperty::kOrganisation),
    Known("UID", VCardProperty::kUid),
    Known("TEL", VCardProperty::kPhone),
    Known("ADR", VCardProperty::kPostalAddress),
    Known("URL", VCardProperty::kWebPage),
    Known("X-GN", VCardProperty::kPhoneGroup),  // docomo and au phones: the contact's group
    Known("KIND", VCardProperty::kKind),
    Known("NOTE", VCardProperty::kNote),
    Known("BDAY", VCardProperty::kBirthday),
    Known("ROLE", VCardProperty::kTitle),
    Known("IMPP", VCardProperty::kMessenger),
    Known("X-QQ", VCardProperty::kMessenger),
    Known("EMAIL", VCardProperty::kEmail),
    Known("BEGIN", VCardProperty::kBegin),
    Known("AGENT", VCardProperty::kAgent),
    Known("LABEL", VCardProperty::kPostalAddress),
    Known("PHOTO", VCardProperty::kPhoto),
    Known("SOUND", VCardProperty::kSound),
    Known("TITLE", VCardProperty::kTitle),
    Known("X-AIM", VCardProperty::kMessenger),
    Known("X-ICQ", VCardProperty::kMessenger),
    Known("X-MSN", VCardProperty::kMessenger),
    Known("MEMBER", VCardProperty::kMember),
    Known("VERSION", VCardProperty::kVersion),
    Known("X-SKYPE", VCardProperty::kMessenger),
    Known("X-YAHOO", VCardProperty::kMessenger),
    Known("NICKNAME", VCardProperty::kNickname),
    Known("X-JABBER", VCardProperty::kMessenger),
    Known("CATEGORIES", VCardProperty::kCategories),
    Known("ANNIVERSARY", VCardProperty::kBirthday),
    Known("SORT-STRING", VCardProperty::kReading),
    Known("X-GOOGLE-TALK", VCardProperty::kMessenger),
    Known("X-PHONETIC-ORG", VCardProperty::kReading),
    Known("X-SKYPE-USERNAME", VCardProperty::kMessenger),
    Known("X-PHONETIC-LAST-NAME", VCardProperty::kReading),
    Known("X-PHONETIC-FIRST-NAME", VCardProperty::kReading),
    Known("X-PHONETIC-MIDDLE-NAME", VCardProperty::kReading),
    Known("X-ADDRESSBOOKSERVER-KIND", VCardProperty::kKind),
    Known("X-ADDRESSBOOKSERVER-MEMBER", VCardProperty::kMember),
};
constexpr size_t kKnownCount = sizeof kKnownProperties / sizeof kKnownProperties[0];
constexpr size_t kLongestName = 26;

constexpr bool IsSortedByLength()
{
    for (size_t i = 1; i < kKnownCount; ++i) {
        if (kKnownProperties[i - 1].length > kKnownProperties[i].length)
            return false;
    }
    return kKnownProperties[kKnownCount - 1].length == kLongestName;
}
static_assert(IsSortedByLength(), "the known properties go by the length of their names");

// Where the names of each length begin in the table.
struct LengthIndex {
    size_t begin[kLongestName + 2];
};

constexpr LengthIndex MakeLengthIndex()
{
    LengthIndex index{};
    for (size_t length = 0; length <= kLongestName + 1; ++length) {
        size_t i = 0;
        while (i < kKnownCount && kKnownProperties[i].length < length)
            ++i;
        index.begin[length] = i;
    }
    return index;
}

constexpr LengthIndex kByLength = MakeLengthIndex();

VCardProperty::Kind KindOf(std::string_view name)
{
    if (name.empty() || name.size() > kLongestName)
        return VCardProperty::kOther;
    char first = Upper(name[0]);
    for (size_t i = kByLength.begin[name.size()]; i < kByLength.begin[name.size() + 1]; ++i) {
        const KnownProperty& known = kKnownProperties[i];
        if (known.name[0] != first)
            continue;
        size_t k = 1;
        while (k < name.size() && Upper(name[k]) == known.name[k])
            ++k;
        if (k == name.size())
            return known.kind;
    }
    return VCardProperty::kOther;
}

// The first CR or LF from p on; end when there is none.
const char* FindLineEnd(const char* p, const char* end)
{
    return p + FindFirstOfThree(p, 0, static_cast<size_t>(end - p), '\n', '\r', '\r');
}

// Where the line that ends at p (at its first CR or LF, or at end) is followed by the next:
// every line ends by itself at CR LF, LF or CR, so a file whose line ends change on the way
// (lines joined from several files, a stretch saved by another program) loses no line; CR CR
// LF, which a CR LF file becomes when written again in text mode, is one line end.
const char* AfterLineEnd(const char* p, const char* end)
{
    if (p == end || *p == '\n')
        return p == end ? p : p + 1;
    const char* q = p + 1;
    while (q < end && *q == '\r')
        ++q;
    return q < end && *q == '\n' ? q + 1 : p + 1;
}

// The first ';', ':' or '"' of line from i on; the line's size when there is none.
size_t FindHeadMark(std::string_view line, size_t i)
{
    return FindFirstOfThree(line.data(), i, line.size(), ';', ':', '"');
}

// Properties whose value the reader does not look past the first line of: pictures (tens of
// lines of base64), what a book does not keep but for the fact that the card had it
// (telephone numbers, postal addresses, notes), and the properties it does not know.
bool IsSkippedValue(VCardProperty::Kind kind)
{
    return kind == VCardProperty::kPhoto || kind == VCardProperty::kOther || kind == VCardProperty::kNote ||
           kind == VCardProperty::kPostalAddress || kind == VCardProperty::kPhone;
}

// Properties whose value the reader decodes, so that every parameter counts: the others are
// only looked at for their text (VERSION, UID) or whether they hold any, and of their
// parameters only the encoding counts, as a soft line break continues a quoted-printable one.
bool ReadsParameters(VCardProperty::Kind kind)
{
    switch (kind) {
    case VCardProperty::kFormattedName:
    case VCardProperty::kName:
    case VCardProperty::kOrganisation:
    case VCardProperty::kNickname:
    case VCardProperty::kEmail:
    case VCardProperty::kCategories:
    case VCardProperty::kPhoneGroup:
    case VCardProperty::kMember:
    case VCardProperty::kSound:
        return true;
    default:
        return false;
    }
}

// Whether a parameter may set the encoding: "ENCODING=...", a bare "QUOTED-PRINTABLE" (or
// quoted, or after an empty key); a parameter that begins with any other letter cannot.
bool MaySetEncoding(std::string_view parameter)
{
    size_t i = 0;
    while (i < parameter.size() && IsFoldBlank(parameter[i]))
        ++i;
    if (i == parameter.size())
        return true;
    char c = static_cast<char>(parameter[i] | 0x20);
    return !((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) || c == 'e' || c == 'q';
}

}  // namespace

bool VCardProperty::IsCardDelimiter(Kind delimiter) const
{
    return kind == delimiter && EqualsNoCase(Trim(value), "VCARD");
}

bool CVCardLines::IsCardDelimiter(std::string_view line)
{
    if (line.empty() || (Upper(line[0]) != 'B' && Upper(line[0]) != 'E' && !IsFoldBlank(line[0])))
        return false;
    line = Trim(line);
    return EqualsNoCase(line, "BEGIN:VCARD") || EqualsNoCase(line, "END:VCARD");
}

// The physical line at pos without its line end; next is where the line after it begins.
std::string_view CVCardLines::LineAt(size_t pos, size_t& next) const
{
    if (pos == m_Peeked.at && pos != 0) {
        next = m_Peeked.next;
        return m_Peeked.line;
    }
    const char* begin = m_Text.data() + pos;
    const char* end = m_Text.data() + m_Text.size();
    const char* p = FindLineEnd(begin, end);
    next = static_cast<size_t>(AfterLineEnd(p, end) - m_Text.data());
    return std::string_view(begin, static_cast<size_t>(p - begin));
}

bool CVCardLines::Next(VCardProperty& property)
{
    while (m_nPos < m_Text.size()) {
        size_t next = 0;
        m_nPropertyStart = m_nPos;
        std::string_view text = LineAt(m_nPos, next);
        m_nPos = next;
        if (text.empty() || IsFoldBlank(text[0]))
            continue;  // an empty line, or a continuation with nothing to continue
        size_t valueStart = 0;
        bool headKnown = ParseFirstLineHead(text, property, valueStart);
        // Mostly a property is one line: the next line neither begins with a blank nor
        // follows a quoted-printable "=" at this one's end.
        if (headKnown && (next == m_Text.size() || !IsFoldBlank(m_Text[next])) &&
            (property.encoding != VCardProperty::kQuotedPrintable || text.back() != '=')) {
            property.value = text.substr(valueStart);
            return true;
        }
        if (JoinLines(text, headKnown, property, valueStart))
            return true;
    }
    return false;
}

// Where the line that holds offset begins, from begin on.
size_t CVCardLines::LastLineStart(size_t begin, size_t offset) const
{
    while (offset > begin && m_Text[offset - 1] != '\n' && m_Text[offset - 1] != '\r')
        --offset;
    return offset;
}

// The lines that continue the property whose first line is text, joined when the reader
// looks at its value; true when the property has a head.
bool CVCardLines::JoinLines(std::string_view text, bool headKnown, VCardProperty& property, size_t& valueStart)
{
    // A head longer than any real one is not parsed again as lines join, so a stream of
    // folded lines without ":" stays linear.
    const size_t kLongestHead = 1024;
    bool headJoined = false;  // the head was found only in the joined lines
    bool joined = false;
    std::string_view last = text;
    while (m_nPos < m_Text.size()) {
        size_t next = 0;
        std::string_view line = LineAt(m_nPos, next);
        bool softBreak = headKnown && property.encoding == VCardProperty::kQuotedPrintable && !last.empty() &&
                         last.back() == '=' && !IsCardDelimiter(line);
        bool fold = !line.empty() && IsFoldBlank(line[0]);
        if (!softBreak && !fold) {
            m_Peeked = {m_nPos, next, line};  // the next property's first line
            break;
        }
        last = line;
        if (headKnown && IsSkippedValue(property.kind)) {
            // A photo's lines, or those of a property nobody reads. Folded lines (the tens of
            // lines of a picture's base64) are passed over together to the last that may end
            // them, which is then looked at as the others.
            if (fold && property.encoding != VCardProperty::kQuotedPrintable)
                next = std::max(next, LastLineStart(m_nPos, FindFoldedLinesEnd(m_Text.data(), m_nPos, m_Text.size())));
            m_nPos = next;
            continue;
        }
        if (!joined)
            m_Joined.assign(text.data(), text.size());
        joined = true;
        if (softBreak)
            m_Joined.pop_back();
        if (softBreak || m_bKeepFoldBlank)
            m_Joined.append(line.data(), line.size());
        else
            m_Joined.append(line.data() + 1, line.size() - 1);
        m_nPos = next;
        text = m_Joined;
        if (!headKnown && text.size() <= kLongestHead)
            headKnown = headJoined = ParseHead(text, property, valueStart);
    }
    if (!headKnown)
        return false;
    // A head found in the first line points into the file's text, and the joined text
    // begins with that line; one found in the joined text must point into it as it
    // ended, which joining may have moved.
    if (headJoined)
        ParseHead(text, property, valueStart);
    property.value = text.substr(valueStart);
    return true;
}

// ParseHead for a property's first line, which lies in the text: a head met before is taken
// as it was parsed then.
bool CVCardLines::ParseFirstLineHead(std::string_view line, VCardProperty& property, size_t& valueStart)
{
    if (m_KnownHeads.empty())
        m_KnownHeads.resize(kHeadSets * kHeadWays);
    // Cards mostly write their properties in the same order: first the head that followed
    // the last one before.
    if (m_nLastHead != kNoHead && TakeKnownHead(m_KnownHeads[m_nLastHead].next, line, property, valueStart))
        return true;
    if (line.size() < 4) {
        m_nLastHead = kNoHead;
        return ParseHead(line, property, valueStart);
    }
    uint32_t first;
    std::memcpy(&first, line.data(), 4);
    size_t set = (first * 2654435761u) >> 27;
    static_assert(kHeadSets == 32, "the set is the hash's top five bits");
    for (size_t way = 0; way < kHeadWays; ++way) {
        if (TakeKnownHead(set * kHeadWays + way, line, property, valueStart))
            return true;
    }
    if (!ParseHead(line, property, valueStart)) {
        m_nLastHead = kNoHead;
        return false;
    }
    size_t index = set * kHeadWays + m_NextWay[set];
    m_NextWay[set] = static_cast<uint8_t>((m_NextWay[set] + 1) % kHeadWays);
    m_KnownHeads[index].head = line.substr(0, valueStart);
    m_KnownHeads[index].property = property;
    FollowHead(index);
    return true;
}

// The known head at index as the parse of line when line begins with it.
bool CVCardLines::TakeKnownHead(size_t index, std::string_view line, VCardProperty& property, size_t& valueStart)
{
    const KnownHead& known = m_KnownHeads[index];
    std::string_view head = known.head;
    if (head.empty() || line.size() < head.size() || !SameBytes(line.data(), head.data(), head.size()))
        return false;
    property = known.property;
    valueStart = head.size();
    FollowHead(index);
    return true;
}

// Notes that the head at index followed the last one.
void CVCardLines::FollowHead(size_t index)
{
    if (m_nLastHead != kNoHead)
        m_KnownHeads[m_nLastHead].next = static_cast<uint8_t>(index);
    m_nLastHead = index;
}

size_t CVCardLines::LineNumberAt(std::string_view text, size_t offset)
{
    size_t line = 1;
    for (const char* p = text.data(), *end = text.data() + std::min(offset, text.size()); (p = FindLineEnd(p, end)) < end;) {
        ++line;
        const char* q = p + 1;
        while (*p == '\r' && q < end && *q == '\r')
            ++q;
        p = *p == '\r' && q < end && *q == '\n' ? q + 1 : p + 1;
    }
    return line;
}

// "[group.]NAME[;PARAM...]:value". A ":" or ";" inside double quotes belongs to a parameter.
bool CVCardLines::ParseHead(std::string_view line, VCardProperty& property, size_t& valueStart)
{
    size_t nameEnd = 0;
    size_t nameStart = 0;  // after a group prefix ("item1.")
    for (; nameEnd < line.size() && line[nameEnd] != ';' && line[nameEnd] != ':'; ++nameEnd) {
        if (line[nameEnd] == '.')
            nameStart = nameEnd + 1;
    }
    if (nameEnd == line.size())
        return false;
    property.charset = std::string_view();
    property.encoding = VCardProperty::kPlain;
    property.preference = 0;
    property.nameReading = false;
    property.kind = KindOf(Trim(line.substr(nameStart, nameEnd - nameStart)));
    bool allParameters = ReadsParameters(property.kind);
    size_t i = nameEnd;
    if (line[i] == ';') {
        bool quoted = false;
        size_t start = i + 1;
        for (++i; (i = FindHeadMark(line, i)) < line.size(); ++i) {
            char c = line[i];
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted) {
                std::string_view parameter = line.substr(start, i - start);
                if (allParameters || MaySetEncoding(parameter))
                    ParseParameter(parameter, property);
                start = i + 1;
                if (c == ':')
                    break;
            }
        }
        if (i >= line.size())
            return false;
    }
    valueStart = i + 1;
    return true;
}

// "KEY=VALUE" or, in version 2.1, a bare value ("QUOTED-PRINTABLE", "PREF", "HOME").
void CVCardLines::ParseParameter(std::string_view parameter, VCardProperty& property)
{
    size_t equals = parameter.find('=');
    std::string_view key = equals == std::string_view::npos ? std::string_view() : Trim(parameter.substr(0, equals));
    std::string_view value = Unquote(equals == std::string_view::npos ? parameter : parameter.substr(equals + 1));
    if (EqualsNoCase(value, "X-IRMC-N")) {
        property.nameReading = true;
    } else if (EqualsNoCase(key, "CHARSET")) {
        property.charset = value;
    } else if (key.empty() || EqualsNoCase(key, "ENCODING")) {
        if (EqualsNoCase(value, "QUOTED-PRINTABLE"))
            property.encoding = VCardProperty::kQuotedPrintable;
        else if (EqualsNoCase(value, "BASE64") || EqualsNoCase(value, "B"))
            property.encoding = VCardProperty::kBase64;
        else if (key.empty() && EqualsNoCase(value, "PREF"))
            property.preference = 1;
    } else if (EqualsNoCase(key, "PREF")) {
        property.preference = PreferenceNumber(value);
    } else if (EqualsNoCase(key, "TYPE")) {
        // A list: TYPE=INTERNET,PREF or TYPE="work,pref".
        size_t start = 0;
        for (size_t i = 0; i <= value.size(); ++i) {
            if (i < value.size() && value[i] != ',')
                continue;
            if (EqualsNoCase(Trim(value.substr(start, i - start)), "PREF") && property.preference == 0)
                property.preference = 1;
            start = i + 1;
        }
    }
}
