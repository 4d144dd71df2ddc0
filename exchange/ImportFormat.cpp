#include "exchange/ImportFormat.h"
#include "exchange/ByteScan.h"
#include "exchange/Contact.h"
#include "exchange/CsvColumns.h"
#include "exchange/CsvReader.h"
#include "exchange/VCardReader.h"
#include "files/AddrLine.h"
#include "text/Charset.h"

namespace {

// The lines that decide: a long head of the file is enough.
const size_t kHead = 64 * 1024;
const int kLinesLookedAt = 200;

char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWithNoCase(const std::string& text, size_t pos, const char* prefix)
{
    for (size_t i = 0; prefix[i]; ++i) {
        if (pos + i >= text.size() || AsciiUpper(text[pos + i]) != prefix[i])
            return false;
    }
    return true;
}

// The lines of text that hold more than blanks, trimmed, as far as the detection looks.
std::vector<std::string> HeadLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size() && static_cast<int>(lines.size()) < kLinesLookedAt) {
        size_t end = FindFirstOfThree(text.data(), pos, text.size(), '\r', '\n', '\n');
        std::string line = TrimBlanks(text.substr(pos, end - pos));
        if (!line.empty())
            lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

bool IsKnownCsvHeader(const std::string& text)
{
    CCsvReader reader(text, CCsvReader::DetectSeparator(text));
    std::vector<std::string> header;
    return reader.ReadHeader(header) && CCsvColumns().Recognise(header);
}

// The head as UTF-8, cut at a line end so that no character is split.
std::string HeadText(const std::string& bytes)
{
    std::string head = bytes.substr(0, kHead);
    if (head.size() < bytes.size()) {
        size_t end = head.find_last_of('\n');
        if (end != std::string::npos)
            head.resize(end + 1);
    }
    return Charset::FileTextToUtf8(head);
}

}  // namespace

bool HasByteOrderMark(const std::string& bytes)
{
    return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 || bytes.compare(0, 2, "\xFF\xFE") == 0 ||
           bytes.compare(0, 2, "\xFE\xFF") == 0;
}

ImportFormat DetectImportFormat(const std::string& bytes)
{
    std::string text = HeadText(bytes);
    std::vector<std::string> lines = HeadLines(text);
    if (lines.empty())
        return ImportFormat::Empty;
    if (StartsWithNoCase(lines[0], 0, "BEGIN:VCARD"))
        return ImportFormat::VCard;
    bool commaFirst = lines[0].find(',') != std::string::npos;
    bool separatorFirst = lines[0].find_first_of(",;\t") != std::string::npos;
    if (separatorFirst && IsKnownCsvHeader(text))
        return ImportFormat::Csv;
    if (ReadsAsAddressFile(text))
        return ImportFormat::AlMail;
    return commaFirst ? ImportFormat::Csv : ImportFormat::Unknown;
}

ContactList ReadContacts(const std::string& bytes, ImportFormat format)
{
    if (format == ImportFormat::VCard)
        return CVCardReader::Read(bytes);
    if (format == ImportFormat::Csv)
        return CCsvReader::ReadContacts(bytes);
    return ContactList();
}

ContactList ReadContacts(const std::string& bytes, ImportFormat format, IContactSink& sink)
{
    if (format == ImportFormat::VCard)
        return CVCardReader::Read(bytes, sink);
    if (format == ImportFormat::Csv)
        return CCsvReader::ReadContacts(bytes, sink);
    return ContactList();
}
