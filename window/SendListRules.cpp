#include "window/SendListRules.h"
#include <cstring>
#include "store/Sjis.h"

namespace SendListRules {

namespace {

const char* const kPrefixes[] = {"", "[宛先] ", "[CC] ", "[BCC] ", "[ReplyTo] "};

bool IsLead(std::string_view text, size_t i)
{
    return IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
}

// Cuts text at separators, walking whole characters. Commas inside double quotes do not
// cut, and inside them a backslash takes the character after it as it is (so "\"" is a
// quote of the name); a line feed (when it separates) always cuts and ends any open quote.
std::vector<std::string> Split(const std::string& text, bool lineFeedsSeparate)
{
    std::vector<std::string> parts;
    std::string part;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (IsLead(text, i)) {
            part.append(text, i, 2);
            ++i;
            continue;
        }
        if (quoted && c == '\\' && i + 1 < text.size() && text[i + 1] != '\n') {
            size_t length = IsLead(text, i + 1) ? 3 : 2;
            part.append(text, i, length);
            i += length - 1;
            continue;
        }
        bool cut = (c == ',' && !quoted) || (c == '\n' && lineFeedsSeparate);
        if (cut) {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
            quoted = false;
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        part.push_back(c);
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

// The first "<" that stands outside double quotes, walking whole characters.
size_t UnquotedOpenBracket(std::string_view text)
{
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsLead(text, i)) {
            ++i;
        } else if (text[i] == '\\' && quoted) {
            ++i;
        } else if (text[i] == '"') {
            quoted = !quoted;
        } else if (text[i] == '<' && !quoted) {
            return i;
        }
    }
    return std::string::npos;
}

// Whether a display name is already one quoted string: it opens and closes with a quote,
// and no quote in between is unescaped.
bool IsQuotedString(std::string_view name)
{
    if (name.size() < 2 || name.front() != '"')
        return false;
    for (size_t i = 1; i < name.size(); ++i) {
        if (IsLead(name, i))
            ++i;
        else if (name[i] == '\\')
            ++i;
        else if (name[i] == '"')
            return i == name.size() - 1;
    }
    return false;
}

size_t SkipSpaces(std::string_view text, size_t pos)
{
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    return pos;
}

}  // namespace

const char* Prefix(int type)
{
    return (type >= SEND_TO && type <= SEND_REPLYTO) ? kPrefixes[type] : "";
}

std::string CutText(const std::string& text, size_t maxBytes)
{
    return text.substr(0, SjisCutLength(text.c_str(), text.size(), maxBytes));
}

std::string AddressKey(const std::string& text)
{
    std::string scratch;
    return std::string(AddressKeyOf(text, scratch));
}

std::string_view AddressKeyOf(std::string_view text, std::string& scratch)
{
    size_t open = UnquotedOpenBracket(text);
    if (open != std::string_view::npos) {
        size_t close = text.find('>', open);
        if (close != std::string_view::npos && close > open) {
            std::string_view key = text.substr(open + 1, close - open - 1);
            return key.substr(0, SjisCutLength(key.data(), key.size(), kMaxEntryBytes));
        }
    }
    scratch.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsLead(text, i)) {
            // A full-width space (0x81 0x40) is dropped like a blank.
            if (!(static_cast<unsigned char>(text[i]) == 0x81 && text[i + 1] == 0x40))
                scratch.append(text, i, 2);
            ++i;
        } else if (text[i] != ' ') {
            scratch.push_back(text[i]);
        }
    }
    scratch.resize(SjisCutLength(scratch.data(), scratch.size(), kMaxEntryBytes));
    return scratch;
}

int32_t SortKey(int type, std::string_view text)
{
    uint32_t key = static_cast<uint32_t>(type) << 24;
    for (size_t i = 0; i < 3 && i < text.size(); ++i)
        key += static_cast<uint32_t>(static_cast<unsigned char>(text[i])) << (16 - 8 * i);
    return static_cast<int32_t>(key);
}

bool ContainsText(std::string_view text, std::string_view key)
{
    // A byte search first; a match counts only where a character starts. The walk over the
    // characters goes on from the last match, never from the start again.
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    size_t boundary = 0;
    for (size_t pos = text.find(key); pos != std::string_view::npos; pos = text.find(key, pos + 1)) {
        while (boundary < pos)
            boundary += IsSjisLeadByte(bytes[boundary]) && boundary + 1 < text.size() ? 2 : 1;
        if (boundary == pos)
            return true;
    }
    return false;
}

bool BlocksNewEntry(const std::string& entry, int type, const std::string& key)
{
    if (!ContainsText(entry, key))
        return false;
    bool entryIsReplyTo = entry.find("[ReplyTo]") != std::string::npos;
    return entryIsReplyTo == (type == SEND_REPLYTO);
}

std::vector<std::string> SplitHostText(const std::string& text)
{
    return Split(text, true);
}

std::vector<std::string> SplitManualText(const std::string& text)
{
    if (!text.empty() && text.find_first_not_of(',') == std::string::npos)
        return {text};
    return Split(text, false);
}

namespace {

// The characters that a display name must not carry outside double quotes.
struct CHeaderSpecials {
    bool is[256] = {};
    constexpr CHeaderSpecials()
    {
        for (const char* c = "()<>[]:;@\\,.\""; *c; ++c)
            is[static_cast<unsigned char>(*c)] = true;
    }
};
constexpr CHeaderSpecials kHeaderSpecials;

void AppendHeaderDisplayName(std::string& out, std::string_view name)
{
    bool special = false;
    for (size_t i = 0; i < name.size() && !special; ++i) {
        if (IsLead(name, i))
            ++i;
        else
            special = kHeaderSpecials.is[static_cast<unsigned char>(name[i])];
    }
    if (!special || IsQuotedString(name)) {
        out.append(name);
        return;
    }
    out += '"';
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsLead(name, i)) {
            out.append(name, i, 2);
            ++i;
            continue;
        }
        if (name[i] == '"' || name[i] == '\\')
            out += '\\';
        out += name[i];
    }
    out += '"';
}

// The next entry of entries[0, count), its room kept from before.
std::string& NextEntry(std::vector<std::string>& entries, size_t& count)
{
    if (count == entries.size())
        entries.emplace_back();
    std::string& entry = entries[count++];
    entry.clear();
    return entry;
}

void CutEntry(std::string& entry)
{
    entry.resize(SjisCutLength(entry.data(), entry.size(), kMaxEntryBytes));
}

}  // namespace

std::string HeaderDisplayName(const std::string& name)
{
    std::string out;
    AppendHeaderDisplayName(out, name);
    return out;
}

std::vector<std::string> NodeEntries(const ADTDATA* node)
{
    std::vector<std::string> entries;
    NodeEntries(node, entries);
    return entries;
}

void NodeEntries(const ADTDATA* node, std::vector<std::string>& entries)
{
    size_t count = 0;
    if (node && node->psAddr) {
        std::string_view addr = node->psAddr;
        if (addr.find(',') == std::string_view::npos) {
            // A node without a name gives the address alone, not " <address>".
            std::string& entry = NextEntry(entries, count);
            if (node->psName) {
                AppendHeaderDisplayName(entry, node->psName);
                entry += " <";
                entry.append(addr);
                entry += '>';
            } else {
                entry.append(addr);
            }
            CutEntry(entry);
        } else {
            size_t pos = SkipSpaces(addr, 0);
            for (size_t comma = addr.find(',', pos); comma != std::string_view::npos; comma = addr.find(',', pos)) {
                NextEntry(entries, count).append(addr, pos, comma - pos);
                CutEntry(entries[count - 1]);
                pos = SkipSpaces(addr, comma + 1);
            }
            std::string_view last = addr.substr(pos);
            if (ContainsText(last, "@")) {
                NextEntry(entries, count).append(last);
                CutEntry(entries[count - 1]);
            }
        }
    }
    entries.resize(count);
}

HeaderTexts BuildHeaderTexts(const std::vector<std::string>& entries)
{
    HeaderTexts texts;
    std::string* targets[] = {nullptr, &texts.to, &texts.cc, &texts.bcc, &texts.replyTo};
    for (const std::string& entry : entries) {
        for (int type = SEND_TO; type <= SEND_REPLYTO; ++type) {
            const char* prefix = Prefix(type);
            size_t length = std::strlen(prefix);
            if (entry.compare(0, length, prefix) != 0)
                continue;
            *targets[type] += entry.substr(length) + (type == SEND_REPLYTO ? "," : "\n");
            break;
        }
    }
    if (!texts.replyTo.empty() && texts.replyTo.back() == ',')
        texts.replyTo.pop_back();
    return texts;
}

}  // namespace SendListRules
