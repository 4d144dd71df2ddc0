#include "exchange/ImportFormat.h"
#include "text/Charset.h"
#include "exchange/Contact.h"
#include "exchange/CsvReader.h"
#include "exchange/VCardReader.h"

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    size_t i = 0;
    for (; prefix[i]; ++i) {
        char c = i < text.size() ? text[i] : '\0';
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != prefix[i])
            return false;
    }
    return true;
}

// The first line of text that holds more than blanks, trimmed.
std::string FirstLine(const std::string& text)
{
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = TrimBlanks(text.substr(pos, end - pos));
        if (!line.empty())
            return line;
        pos = end + 1;
    }
    return "";
}

}  // namespace

ImportFormat DetectImportFormat(const std::string& bytes)
{
    // The first line is all that decides; a long head is enough to find it.
    const size_t kHead = 4096;
    std::string head = bytes.substr(0, kHead);
    bool marked = head.compare(0, 3, "\xEF\xBB\xBF") == 0 || head.compare(0, 2, "\xFF\xFE") == 0 ||
                  head.compare(0, 2, "\xFE\xFF") == 0;
    std::string line = FirstLine(marked ? Charset::FileTextToUtf8(head) : head);
    if (StartsWithNoCase(line, "BEGIN:VCARD"))
        return ImportFormat::VCard;
    if (marked)
        return ImportFormat::Csv;
    if (StartsWithNoCase(line, "GROUP") || StartsWithNoCase(line, "END GROUP") || line.find(':') != std::string::npos)
        return ImportFormat::AlMail;
    return line.find(',') != std::string::npos ? ImportFormat::Csv : ImportFormat::AlMail;
}

ContactList ReadContacts(const std::string& bytes, ImportFormat format)
{
    if (format == ImportFormat::VCard)
        return CVCardReader::Read(bytes);
    if (format == ImportFormat::Csv)
        return CCsvReader::ReadContacts(bytes);
    return ContactList();
}
