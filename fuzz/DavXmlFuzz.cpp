// Fuzz target for the reader of CardDAV answers. Both readings of one document must agree
// on what it is (they share the reader, not the handlers); a cancel asked at once ends a
// reading that has more than a few hundred tags and changes nothing else; what is read as
// a card holds more than blanks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>
#include "remote/DavXml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string xml(reinterpret_cast<const char*>(data), size);
    bool collection = false;
    bool book = false;
    std::vector<std::string> cards;
    DavXml::Outcome types = DavXml::ReadResourceType(xml, collection, book);
    DavXml::Outcome read = DavXml::ReadAddressData(xml, cards);
    if (types != read || read == DavXml::Outcome::Cancelled)
        std::abort();
    for (const std::string& card : cards) {
        if (card.find_first_not_of(" \t\r\n") == std::string::npos)
            std::abort();
    }
    std::vector<std::string> again;
    DavXml::Outcome cancelled = DavXml::ReadAddressData(xml, again, []() { return true; });
    if (cancelled != DavXml::Outcome::Cancelled && (cancelled != read || again != cards))
        std::abort();
    return 0;
}
