#include "exchange/VCardWriter.h"
#include <cstring>
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

void CVCardWriter::AddView(const ContactView& contact)
{
    const PersonNameView& parts = NameParts(contact);
    UpdateCategories(contact);
    if (!contact.isGroup && AddPlainPerson(contact, parts))
        return;
    m_Out.AppendLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    if (contact.isGroup)
        m_Out.AppendLiteral("KIND:group\r\n");
    BeginLine();
    m_Out.AppendLiteral("FN:");
    AppendEscaped(m_Out, contact.name);
    EndLine();
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
    const std::string_view* addresses = contact.addresses;
    const std::string_view* end = addresses + contact.addressCount;
    if (contact.isGroup) {
        for (const std::string_view* member = addresses; member != end; ++member) {
            std::string whole(*member);
            std::string address = BareAddress(whole);
            m_nMemberNames += address != whole ? 1 : 0;
            BeginLine();
            m_Out.AppendLiteral("MEMBER:mailto:");
            AppendEscaped(m_Out, address);
            EndLine();
        }
    }
    for (const std::string_view* address = addresses; address != end; ++address) {
        BeginLine();
        m_Out.AppendLiteral("EMAIL;TYPE=INTERNET:");
        if (contact.isGroup)
            AppendEscaped(m_Out, BareAddress(std::string(*address)));
        else
            AppendEscaped(m_Out, *address);
        EndLine();
    }
    AddCategories();
    m_Out.AppendLiteral("END:VCARD\r\n");
}

namespace {

const size_t kMaxLine = 75;

// Copies texts into room made for them, literals by their known length.
struct Cursor {
    char* at;
    void Put(std::string_view text)
    {
        if (text.size())
            std::memcpy(at, text.data(), text.size());
        at += text.size();
    }
    template <size_t N>
    void Put(const char (&literal)[N])
    {
        std::memcpy(at, literal, N - 1);
        at += N - 1;
    }
};

}  // namespace

// A person's card when none of its texts needs an escape and none of its lines a fold
// (the parts of the name come from the name, so its look tells for them): the card's size
// is added up and its bytes copied into room for it all. False, and nothing written, else.
bool CVCardWriter::AddPlainPerson(const ContactView& contact, const PersonNameView& parts)
{
    if (contact.name.size() + 3 > kMaxLine || FindFirstOf(contact.name, kEscaped) != contact.name.size())
        return false;
    size_t nameLine = 6 + parts.family.size() + parts.given.size() + parts.prefix.size() + parts.suffix.size();
    if (nameLine > kMaxLine || (parts.nickname.size() && parts.nickname.size() + 9 > kMaxLine) ||
        (m_Categories.Size() && m_Categories.Size() + 11 > kMaxLine))
        return false;
    const std::string_view* addresses = contact.addresses;
    const std::string_view* end = addresses + contact.addressCount;
    size_t size = sizeof "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\r\n" - 1 + contact.name.size() + nameLine + 2 +
                  sizeof "END:VCARD\r\n" - 1;
    for (const std::string_view* address = addresses; address != end; ++address) {
        if (address->size() + 20 > kMaxLine || FindFirstOf(*address, kEscaped) != address->size())
            return false;
        size += address->size() + 22;
    }
    if (parts.nickname.size())
        size += parts.nickname.size() + 11;
    if (m_Categories.Size())
        size += m_Categories.Size() + 13;
    Cursor out{m_Out.Room(size)};
    out.Put("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:");
    out.Put(contact.name);
    out.Put("\r\nN:");
    out.Put(parts.family);
    *out.at++ = ';';
    out.Put(parts.given);
    out.Put(";;");
    out.Put(parts.prefix);
    *out.at++ = ';';
    out.Put(parts.suffix);
    out.Put("\r\n");
    if (parts.nickname.size()) {
        out.Put("NICKNAME:");
        out.Put(parts.nickname);
        out.Put("\r\n");
    }
    for (const std::string_view* address = addresses; address != end; ++address) {
        out.Put("EMAIL;TYPE=INTERNET:");
        out.Put(*address);
        out.Put("\r\n");
    }
    if (m_Categories.Size()) {
        out.Put("CATEGORIES:");
        out.Put(std::string_view(m_Categories.Data(), m_Categories.Size()));
        out.Put("\r\n");
    }
    out.Put("END:VCARD\r\n");
    m_Out.Advance(size);
    return true;
}

void CVCardWriter::UpdateCategories(const ContactView& contact)
{
    if (!FoldersChanged(contact))
        return;
    m_Categories.Clear();
    for (const std::vector<std::string>* path : PathsOf(contact)) {
        if (m_Categories.Size())
            m_Categories.Append(',');
        AppendEscaped(m_Categories, FolderPath::Format(*path, "\\/"));
    }
}

void CVCardWriter::AddCategories()
{
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
