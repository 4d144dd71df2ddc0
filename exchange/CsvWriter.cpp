#include "exchange/CsvWriter.h"
#include <cstring>
#include "exchange/ByteSet.h"
#include "exchange/FolderPath.h"
#include "exchange/PersonName.h"

namespace {

const char* const kColumns[] = {
    "First Name", "Last Name", "Display Name", "Nickname", "Primary Email", "Secondary Email",
    "Screen Name", "Work Phone", "Home Phone", "Fax Number", "Pager Number", "Mobile Number",
    "Home Address", "Home Address 2", "Home City", "Home State", "Home ZipCode", "Home Country",
    "Work Address", "Work Address 2", "Work City", "Work State", "Work ZipCode", "Work Country",
    "Job Title", "Department", "Organization", "Web Page 1", "Web Page 2", "Birth Year",
    "Birth Month", "Birth Day", "Custom 1", "Custom 2", "Custom 3", "Custom 4", "Notes",
    "Categories", "Members",
};
const size_t kColumnCount = sizeof kColumns / sizeof kColumns[0];
// The columns that the export fills, in order; the others stay empty.
const size_t kPrimaryEmail = 4;
const size_t kCategories = kColumnCount - 2;

// The bytes for which a field goes in quotes: a comma, a quote, a line end.
constexpr ByteSet kQuoted{',', '"', '\r', '\n'};

// Appends a field, in quotes when it holds a comma, a quote or a line end; quotes are
// doubled. Mostly there is none, which one scan tells.
void AppendField(COutBytes& out, std::string_view text)
{
    if (FindFirstOf(text, kQuoted) == text.size()) {
        out.Append(text);
        return;
    }
    out.Append('"');
    size_t plain = 0;
    for (size_t quote = text.find('"'); quote != std::string_view::npos; quote = text.find('"', quote + 1)) {
        out.Append(text.substr(plain, quote + 1 - plain));
        out.Append('"');
        plain = quote + 1;
    }
    out.Append(text.substr(plain));
    out.Append('"');
}

}  // namespace

CCsvWriter::CCsvWriter(COutBytes& out) : CContactWriter(out)
{
    m_Out.AppendLiteral("\xEF\xBB\xBF");
    for (size_t i = 0; i < kColumnCount; ++i) {
        if (i)
            m_Out.Append(',');
        m_Out.Append(kColumns[i], std::strlen(kColumns[i]));
    }
    m_Out.AppendLiteral("\r\n");
}

std::string CCsvWriter::Write(const ContactList& list)
{
    return WriteAll<CCsvWriter>(list);
}

// The rows of one contact: the names, the addresses two by two (a group's members in
// Members), the categories.
void CCsvWriter::AddView(const ContactView& contact)
{
    if (FoldersChanged(contact)) {
        std::string categories;
        for (const std::vector<std::string>* path : PathsOf(contact))
            categories += (categories.empty() ? "" : ",") + FolderPath::Format(*path);
        m_Categories.Clear();
        AppendField(m_Categories, categories);
    }
    const PersonNameView& parts = NameParts(contact);
    if (!contact.isGroup && AddPlainPerson(contact, parts))
        return;
    const std::string_view* addresses = contact.addresses;
    size_t count = contact.addressCount;
    if (contact.isGroup) {
        m_Members.clear();
        for (size_t i = 0; i < count; ++i)
            (m_Members.empty() ? m_Members : m_Members += ',').append(addresses[i]);
    }
    size_t rows = contact.isGroup ? 1 : (count + 1) / 2;
    for (size_t row = 0; row < rows; ++row) {
        AppendField(m_Out, parts.given);
        m_Out.Append(',');
        AppendField(m_Out, parts.family);
        m_Out.Append(',');
        AppendField(m_Out, contact.name);
        m_Out.Append(',');
        AppendField(m_Out, parts.nickname);
        m_Out.Append(',');
        if (!contact.isGroup) {
            AppendField(m_Out, addresses[2 * row]);
            m_Out.Append(',');
            if (2 * row + 1 < count)
                AppendField(m_Out, addresses[2 * row + 1]);
        } else {
            m_Out.Append(',');
        }
        // The empty columns between Secondary Email and Categories.
        m_Out.Append(kCategories - kPrimaryEmail - 1, ',');
        m_Out.Append(m_Categories.Data(), m_Categories.Size());
        m_Out.Append(',');
        if (contact.isGroup)
            AppendField(m_Out, m_Members);
        m_Out.AppendLiteral("\r\n");
    }
}

// A person's rows when none of its texts needs quotes (the parts of the name come from the
// name, so its look tells for them): their size is added up and their bytes copied into
// room for them all. False, and nothing written, else.
bool CCsvWriter::AddPlainPerson(const ContactView& contact, const PersonNameView& parts)
{
    if (FindFirstOf(contact.name, kQuoted) != contact.name.size())
        return false;
    const std::string_view* addresses = contact.addresses;
    size_t count = contact.addressCount;
    size_t addressBytes = 0;
    for (size_t i = 0; i < count; ++i) {
        if (FindFirstOf(addresses[i], kQuoted) != addresses[i].size())
            return false;
        addressBytes += addresses[i].size();
    }
    // Each row: four name fields, two address fields and the commas up to Members, the
    // categories and the line end.
    const size_t kCommas = kColumnCount - 1;
    size_t rows = (count + 1) / 2;
    size_t names = parts.given.size() + parts.family.size() + contact.name.size() + parts.nickname.size();
    size_t size = rows * (names + kCommas + m_Categories.Size() + 2) + addressBytes;
    char* out = m_Out.Room(size);
    auto put = [&out](std::string_view text) {
        if (text.size())
            std::memcpy(out, text.data(), text.size());
        out += text.size();
    };
    for (size_t row = 0; row < rows; ++row) {
        put(parts.given);
        *out++ = ',';
        put(parts.family);
        *out++ = ',';
        put(contact.name);
        *out++ = ',';
        put(parts.nickname);
        *out++ = ',';
        put(addresses[2 * row]);
        *out++ = ',';
        if (2 * row + 1 < count)
            put(addresses[2 * row + 1]);
        std::memset(out, ',', kCategories - kPrimaryEmail - 1);
        out += kCategories - kPrimaryEmail - 1;
        put(std::string_view(m_Categories.Data(), m_Categories.Size()));
        *out++ = ',';
        *out++ = '\r';
        *out++ = '\n';
    }
    m_Out.Advance(size);
    return true;
}
