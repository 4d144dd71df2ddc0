#include "exchange/VCardWriter.h"
#include "exchange/ByteSet.h"
#include "exchange/FolderPath.h"
#include "exchange/PersonName.h"

namespace {

// The bytes that vCard 3.0 escapes in a value: "\", "," and ";" (with a backslash) and the
// line ends ("\n" for a line feed; a carriage return is dropped).
constexpr ByteSet kEscaped{'\\', ',', ';', '\n', '\r'};

// Appends text escaped as vCard 3.0 wants it. Mostly there is nothing to escape, which
// one scan tells.
void AppendEscaped(COutBytes& out, std::string_view text)
{
    size_t i = FindFirstOf(text, kEscaped);
    out.Append(text.data(), i);
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (!kEscaped.has[static_cast<unsigned char>(c)])
            out.Append(c);
        else if (c == '\n')
            out.AppendLiteral("\\n");
        else if (c != '\r')
            out.Append('\\'), out.Append(c);
    }
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
    return WriteAll<CVCardWriter>(list);
}

void CVCardWriter::Add(const Contact& contact)
{
    m_Out.AppendLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    if (contact.isGroup)
        m_Out.AppendLiteral("KIND:group\r\n");
    BeginLine();
    m_Out.AppendLiteral("FN:");
    AppendEscaped(m_Out, contact.name);
    EndLine();
    const PersonName& parts = NameParts(contact);
    BeginLine();
    m_Out.AppendLiteral("N:");
    AppendEscaped(m_Out, parts.family);
    m_Out.Append(';');
    AppendEscaped(m_Out, parts.given);
    m_Out.AppendLiteral(";;");
    AppendEscaped(m_Out, parts.prefix);
    m_Out.Append(';');
    AppendEscaped(m_Out, parts.suffix);
    EndLine();
    if (!parts.nickname.empty()) {
        BeginLine();
        m_Out.AppendLiteral("NICKNAME:");
        AppendEscaped(m_Out, parts.nickname);
        EndLine();
    }
    if (contact.isGroup) {
        for (const std::string& member : contact.addresses) {
            std::string address = BareAddress(member);
            m_nMemberNames += address != member ? 1 : 0;
            BeginLine();
            m_Out.AppendLiteral("MEMBER:mailto:");
            AppendEscaped(m_Out, address);
            EndLine();
        }
    }
    for (const std::string& address : contact.addresses) {
        BeginLine();
        m_Out.AppendLiteral("EMAIL;TYPE=INTERNET:");
        if (contact.isGroup)
            AppendEscaped(m_Out, BareAddress(address));
        else
            AppendEscaped(m_Out, address);
        EndLine();
    }
    AddCategories(contact);
    m_Out.AppendLiteral("END:VCARD\r\n");
}

void CVCardWriter::AddCategories(const Contact& contact)
{
    if (FoldersChanged(contact)) {
        m_Categories.Clear();
        for (const std::vector<std::string>& path : FolderPaths(contact)) {
            if (path.empty())
                continue;
            if (m_Categories.Size())
                m_Categories.Append(',');
            AppendEscaped(m_Categories, FolderPath::Format(path, "\\/"));
        }
    }
    if (!m_Categories.Size())
        return;
    BeginLine();
    m_Out.AppendLiteral("CATEGORIES:");
    m_Out.Append(m_Categories.Data(), m_Categories.Size());
    EndLine();
}

// Ends the line begun at m_nLineStart, folding it into pieces of at most 75 bytes, never
// inside a UTF-8 character; each piece after the first starts with a blank. Mostly a line
// is shorter and only its end is added.
void CVCardWriter::EndLine()
{
    const size_t kMaxLine = 75;
    if (m_Out.Size() - m_nLineStart > kMaxLine) {
        m_Scratch.assign(m_Out.Data() + m_nLineStart, m_Out.Size() - m_nLineStart);
        m_Out.Truncate(m_nLineStart);
        size_t pos = 0;
        size_t room = kMaxLine;
        while (m_Scratch.size() - pos > room) {
            size_t cut = pos + room;
            while (cut > pos + 1 && IsUtf8Continuation(m_Scratch[cut]))
                --cut;
            m_Out.Append(m_Scratch.data() + pos, cut - pos);
            m_Out.AppendLiteral("\r\n ");
            pos = cut;
            room = kMaxLine - 1;
        }
        m_Out.Append(m_Scratch.data() + pos, m_Scratch.size() - pos);
    }
    m_Out.AppendLiteral("\r\n");
}
