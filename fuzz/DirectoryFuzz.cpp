// Fuzz target for what a directory and a book's URL bring: the input's first line is a
// book URL, the rest a distinguished name and its values. The URL parser's answer is
// consistent (a reason exactly when refused; what it keeps has no NUL; a URL's origin parses
// to the same server) and a refused URL shown in a message never shows its password; an
// entry's contacts each hold one of its mail values and folders from its own name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>
#include "remote/BookUrl.h"
#include "remote/DirectoryEntry.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void CheckUrl(const std::string& text)
{
    std::string reason;
    BookUrl url = ParseBookUrl(text, &reason);
    if ((url.scheme == BookScheme::Unknown) != !reason.empty())
        std::abort();
    for (const std::string* part : {&url.host, &url.path, &url.baseDn, &url.filter}) {
        if (part->find('\0') != std::string::npos)
            std::abort();
    }
    if (url.IsDirectory() || url.IsWeb()) {
        BookUrl origin = ParseBookUrl(url.Origin());
        if (origin.scheme != url.scheme || origin.host != url.host || origin.port != url.port)
            std::abort();
    }
    // Where the text has "user:password@" before its path, the message's URL starts with the
    // user and something else than the password.
    std::string shown = UrlWithoutPassword(text);
    size_t scheme = text.find("://");
    size_t end = scheme == std::string::npos ? std::string::npos : text.find_first_of("/?#", scheme + 3);
    size_t at = scheme == std::string::npos ? std::string::npos : text.find('@', scheme + 3);
    size_t colon = scheme == std::string::npos ? std::string::npos : text.find(':', scheme + 3);
    if (colon != std::string::npos && at != std::string::npos && colon + 1 < at && (end == std::string::npos || at < end) &&
        text[colon + 1] != '*' && shown.compare(0, at, text, 0, at) == 0)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines = Lines(std::string(reinterpret_cast<const char*>(data), size));
    CheckUrl(lines[0]);
    if (lines.size() < 3)
        return 0;
    DirectoryEntry entry;
    entry.dn = lines[1];
    std::string base = lines[2];
    for (size_t i = 3; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        std::string value = line.size() > 1 ? line.substr(1) : std::string();
        if (!line.empty() && line[0] == 'd')
            entry.displayNames.push_back(value);
        else if (!line.empty() && line[0] == 'c')
            entry.commonNames.push_back(value);
        else
            entry.mails.push_back(value);
    }
    std::vector<Rdn> rdns;
    ParseDn(entry.dn, rdns);
    std::vector<std::string> folders = FoldersBelow(entry.dn, base);
    std::vector<Contact> contacts = ContactsOfEntry(entry, base);
    if (contacts.size() > entry.mails.size())
        std::abort();
    for (const Contact& contact : contacts) {
        if (contact.addresses.size() != 1 || contact.folders != folders)
            std::abort();
    }
    return 0;
}
