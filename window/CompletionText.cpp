#include "window/CompletionText.h"
#include "store/Sjis.h"
#include "window/SendListRules.h"

namespace CompletionText {

size_t TypedPartStart(const std::string& text)
{
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsSjisLeadByte(c) && i + 1 < text.size()) {
            ++i;
        } else if (quoted && c == '\\') {
            if (i + 1 < text.size() && IsSjisLeadByte(static_cast<unsigned char>(text[i + 1])))
                ++i;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            start = i + 1;
        }
    }
    // Half-width and full-width (0x81 0x40) blanks.
    for (;;) {
        if (start < text.size() && text[start] == ' ')
            ++start;
        else if (start + 1 < text.size() && static_cast<unsigned char>(text[start]) == 0x81 && text[start + 1] == 0x40)
            start += 2;
        else
            return start;
    }
}

std::string PickText(const ADTDATA* node)
{
    std::string pick;
    for (const std::string& entry : SendListRules::NodeEntries(node))
        pick += entry + ",";
    return pick;
}

std::string PickText(const std::string& name, const std::string& address)
{
    std::string entry = name.empty() ? address : SendListRules::HeaderDisplayName(name) + " <" + address + ">";
    return SendListRules::CutText(entry, SendListRules::kMaxEntryBytes) + ",";
}

}  // namespace CompletionText
