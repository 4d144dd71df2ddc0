// Fuzz target for how fetched bytes are told apart and decoded: the form they are in, the
// contacts of a vCard or CSV answer, and the message for bytes that are no address book,
// which must say what came (a web page for what looks like one) and never be empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include "exchange/ImportFormat.h"
#include "remote/FetchText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    ImportFormat format = DetectImportFormat(bytes);
    if (format == ImportFormat::VCard || format == ImportFormat::Csv) {
        ContactList contacts = ReadContacts(bytes, format);
        for (const Contact& contact : contacts.contacts) {
            if (contact.addresses.empty())
                std::abort();
        }
    }
    std::string message = FetchText::NotABook("source", bytes);
    if (message.compare(0, 6, "source") != 0 || message.size() <= 6)
        std::abort();
    if (FetchText::LooksLikeHtml(bytes) && message.find("Web") == std::string::npos)
        std::abort();
    return 0;
}
