#include "dialogs/AddrText.h"
#include "store/Sjis.h"

std::string ToStoredAddresses(const std::string& shown)
{
    std::string stored;
    stored.reserve(shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') {
            stored += ',';
            ++i;
        } else {
            stored += shown[i];
        }
    }
    if (!stored.empty() && stored.back() == ',')
        stored.pop_back();
    return stored;
}

std::string ToShownAddresses(const std::string& stored)
{
    const unsigned char kFullWidthSpace[] = {0x81, 0x40};
    std::string shown;
    shown.reserve(stored.size() + stored.size() / 8);
    for (size_t i = 0; i < stored.size();) {
        unsigned char c = static_cast<unsigned char>(stored[i]);
        if (IsSjisLeadByte(c) && i + 1 < stored.size()) {
            unsigned char trail = static_cast<unsigned char>(stored[i + 1]);
            if (c != kFullWidthSpace[0] || trail != kFullWidthSpace[1])
                shown.append(stored, i, 2);
            i += 2;
            continue;
        }
        if (c == ',')
            shown += "\r\n";
        else if (c != ' ')
            shown += stored[i];
        ++i;
    }
    return shown;
}
