#include "exchange/VCardWriter.h"
#include "exchange/FolderPath.h"

namespace {

// Text escaped as vCard 3.0 wants it: "\", "," and ";" with a backslash, line ends as "\n".
std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == ',' || c == ';')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else if (c != '\r')
            out += c;
    }
    return out;
}

bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string CVCardWriter::Write(const ContactList& list)
{
    std::string out;
    for (const Contact& contact : list.contacts)
        WriteCard(out, contact);
    return out;
}

void CVCardWriter::WriteCard(std::string& out, const Contact& contact)
{
    WriteLine(out, "BEGIN:VCARD");
    WriteLine(out, "VERSION:3.0");
    if (contact.isGroup)
        WriteLine(out, "KIND:group");
    WriteLine(out, "FN:" + Escape(contact.name));
    PersonName parts = contact.isGroup ? PersonName() : SplitName(contact.name);
    WriteLine(out, "N:" + Escape(parts.family) + ";" + Escape(parts.given) + ";;;");
    if (contact.isGroup) {
        for (const std::string& address : contact.addresses)
            WriteLine(out, "MEMBER:mailto:" + Escape(address));
    }
    for (const std::string& address : contact.addresses)
        WriteLine(out, "EMAIL;TYPE=INTERNET:" + Escape(address));
    std::string categories;
    for (const std::vector<std::string>& path : FolderPaths(contact)) {
        if (!path.empty())
            categories += (categories.empty() ? "" : ",") + Escape(FolderPath::Format(path, "\\/"));
    }
    if (!categories.empty())
        WriteLine(out, "CATEGORIES:" + categories);
    WriteLine(out, "END:VCARD");
}

// Folds the line into pieces of at most 75 bytes, never inside a UTF-8 character; each
// piece after the first starts with a blank.
void CVCardWriter::WriteLine(std::string& out, const std::string& line)
{
    const size_t kMaxLine = 75;
    size_t pos = 0;
    size_t room = kMaxLine;
    while (line.size() - pos > room) {
        size_t cut = pos + room;
        while (cut > pos + 1 && IsUtf8Continuation(line[cut]))
            --cut;
        out.append(line, pos, cut - pos);
        out += "\r\n ";
        pos = cut;
        room = kMaxLine - 1;
    }
    out.append(line, pos, std::string::npos);
    out += "\r\n";
}
