// The rules of the send list that need no window: entry prefixes, the address key of the
// duplicate test, the sort key, the cutting of host, typed and node texts into entries,
// and the four header texts built from the entries. The address book window applies them
// to its list view.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include "store/AddrData.h"

enum SendType {
    SEND_TO = 1,
    SEND_CC = 2,
    SEND_BCC = 3,
    SEND_REPLYTO = 4,
};

namespace SendListRules {

// Composed entry texts, address parts and keys hold at most 511 bytes; the manual entry
// is read with at most 1023.
const size_t kMaxEntryBytes = 511;
const size_t kMaxManualBytes = 1023;

// "[宛先] ", "[CC] ", "[BCC] ", "[ReplyTo] " (each ends with one space); "" for other codes.
const char* Prefix(int type);

// The part of a text that the duplicate test looks for: the text between its first "<"
// outside double quotes and the first ">" after it, or else the whole text without blanks
// and full-width spaces.
std::string AddressKey(const std::string& text);
// The same without copying: a part of text, or the key built in scratch.
std::string_view AddressKeyOf(std::string_view text, std::string& scratch);

// Send type in the top byte, then the first three bytes of the text.
int32_t SortKey(int type, std::string_view text);

// True when key occurs in text, starting on a character boundary of text.
bool ContainsText(std::string_view text, std::string_view key);

// Whether an entry (prefix included) blocks a new entry of type whose key is key.
bool BlocksNewEntry(const std::string& entry, int type, const std::string& key);

// Entries from one of the host's header texts: cut at line feeds and at commas outside
// double quotes (in which a backslash escapes the character after it); runs of cuts count
// as one, empty parts are skipped.
std::vector<std::string> SplitHostText(const std::string& text);

// Entries from the manual entry: cut at commas outside double quotes, spaces kept. A text
// of nothing but commas is one entry.
std::vector<std::string> SplitManualText(const std::string& text);

// A display name as a header carries it: in double quotes, with a quote or backslash in
// it escaped by a backslash, when it holds a header special ("," "." "@" ":" ";" "<" ">"
// "(" ")" "[" "]" "\" or a quote) and is not quoted already, so that "Yamada, Taro" stays
// one recipient for the host and for the window's own reading of host texts.
std::string HeaderDisplayName(const std::string& name);

// What an address node adds: "name <address>" for a single address (the name as
// HeaderDisplayName gives it), else each address that the text lists (the last one only
// when it holds "@").
std::vector<std::string> NodeEntries(const ADTDATA* node);
// The same into entries, whose strings keep their room from one node to the next.
void NodeEntries(const ADTDATA* node, std::vector<std::string>& entries);

struct HeaderTexts {
    std::string to, cc, bcc, replyTo;
};

// The four header texts from the entries in list order: To, CC and BCC entries each
// followed by a line feed, ReplyTo entries joined by commas.
HeaderTexts BuildHeaderTexts(const std::vector<std::string>& entries);

// text cut to at most maxBytes without splitting a double-byte character.
std::string CutText(const std::string& text, size_t maxBytes);

}  // namespace SendListRules
