#include "exchange/VCardWriter.h"
#include "exchange/FolderPath.h"
#include "exchange/PersonName.h"

namespace {

// Appends text escaped as vCard 3.0 wants it: "\", "," and ";" with a backslash, line
// ends as "\n".
void AppendEscaped(std::string& out, const std::string& text)
{
    size_t plain = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' && c != ',' && c != ';' && c != '\n' && c != '\r')
            continue;
        out.append(text, plain, i - plain);
        plain = i + 1;
        if (c == '\n')
            out += "\\n";
        else if (c != '\r')
            (out += '\\') += c;
    }
    out.append(text, plain, std::string::npos);
}

bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string BareAddress(const std::string& member)
{
    size_t open = member.rfind('<');
    size_t close = open == std::string::npos ? std::string::npos : member.find('>', open);
    if (close == std::string::npos || member.find('@', open) > close)
        return member;
    return TrimBlanks(member.substr(open + 1, close - open - 1));
}

std::string CVCardWriter::Write(const ContactList& list)
{
    std::string out;
    CVCardWriter writer(out);
    for (const Contact& contact : list.contacts)
        writer.Add(contact);
    return out;
}

void CVCardWriter::Add(const Contact& contact)
{
    m_Out += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    if (contact.isGroup)
        m_Out += "KIND:group\r\n";
    BeginLine("FN:");
    AppendEscaped(m_Out, contact.name);
    EndLine();
    PersonName parts = contact.isGroup ? PersonName() : SplitName(contact.name);
    BeginLine("N:");
    AppendEscaped(m_Out, parts.family);
    m_Out += ';';
    AppendEscaped(m_Out, parts.given);
    m_Out += ";;";
    AppendEscaped(m_Out, parts.prefix);
    m_Out += ';';
    AppendEscaped(m_Out, parts.suffix);
    EndLine();
    if (!parts.nickname.empty()) {
        BeginLine("NICKNAME:");
        AppendEscaped(m_Out, parts.nickname);
        EndLine();
    }
    if (contact.isGroup) {
        for (const std::string& member : contact.addresses) {
            std::string address = BareAddress(member);
            m_nMemberNames += address != member ? 1 : 0;
            BeginLine("MEMBER:mailto:");
            AppendEscaped(m_Out, address);
            EndLine();
        }
    }
    for (const std::string& address : contact.addresses) {
        BeginLine("EMAIL;TYPE=INTERNET:");
        AppendEscaped(m_Out, contact.isGroup ? BareAddress(address) : address);
        EndLine();
    }
    AddCategories(contact);
    m_Out += "END:VCARD\r\n";
}

void CVCardWriter::AddCategories(const Contact& contact)
{
    if (contact.folders != m_LastFolders || contact.moreFolders != m_LastMoreFolders) {
        m_LastFolders = contact.folders;
        m_LastMoreFolders = contact.moreFolders;
        m_Categories.clear();
        for (const std::vector<std::string>& path : FolderPaths(contact)) {
            if (path.empty())
                continue;
            if (!m_Categories.empty())
                m_Categories += ',';
            AppendEscaped(m_Categories, FolderPath::Format(path, "\\/"));
        }
    }
    if (m_Categories.empty())
        return;
    BeginLine("CATEGORIES:");
    m_Out += m_Categories;
    EndLine();
}

// Ends the line begun at m_nLineStart, folding it into pieces of at most 75 bytes, never
// inside a UTF-8 character; each piece after the first starts with a blank.
void CVCardWriter::EndLine()
{
    const size_t kMaxLine = 75;
    if (m_Out.size() - m_nLineStart > kMaxLine) {
        m_Scratch.assign(m_Out, m_nLineStart, std::string::npos);
        m_Out.resize(m_nLineStart);
        size_t pos = 0;
        size_t room = kMaxLine;
        while (m_Scratch.size() - pos > room) {
            size_t cut = pos + room;
            while (cut > pos + 1 && IsUtf8Continuation(m_Scratch[cut]))
                --cut;
            m_Out.append(m_Scratch, pos, cut - pos);
            m_Out += "\r\n ";
            pos = cut;
            room = kMaxLine - 1;
        }
        m_Out.append(m_Scratch, pos, std::string::npos);
    }
    m_Out += "\r\n";
}
