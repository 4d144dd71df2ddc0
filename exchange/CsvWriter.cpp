#include "exchange/CsvWriter.h"
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

// Appends a field, in quotes when it holds a comma, a quote or a line end; quotes are
// doubled.
void AppendField(std::string& out, const std::string& text)
{
    bool special = false;
    for (char c : text)
        special = special || c == ',' || c == '"' || c == '\r' || c == '\n';
    if (!special) {
        out += text;
        return;
    }
    out += '"';
    size_t plain = 0;
    for (size_t quote = text.find('"'); quote != std::string::npos; quote = text.find('"', quote + 1)) {
        out.append(text, plain, quote + 1 - plain);
        out += '"';
        plain = quote + 1;
    }
    out.append(text, plain, std::string::npos);
    out += '"';
}

}  // namespace

CCsvWriter::CCsvWriter(std::string& out) : m_Out(out)
{
    m_Out += "\xEF\xBB\xBF";
    for (size_t i = 0; i < kColumnCount; ++i) {
        if (i)
            m_Out += ',';
        m_Out += kColumns[i];
    }
    m_Out += "\r\n";
}

std::string CCsvWriter::Write(const ContactList& list)
{
    std::string out;
    CCsvWriter writer(out);
    for (const Contact& contact : list.contacts)
        writer.Add(contact);
    return out;
}

// The rows of one contact: the names, the addresses two by two (a group's members in
// Members), the categories.
void CCsvWriter::Add(const Contact& contact)
{
    if (contact.folders != m_LastFolders || contact.moreFolders != m_LastMoreFolders) {
        m_LastFolders = contact.folders;
        m_LastMoreFolders = contact.moreFolders;
        std::string categories;
        for (const std::vector<std::string>& path : FolderPaths(contact)) {
            if (!path.empty())
                categories += (categories.empty() ? "" : ",") + FolderPath::Format(path);
        }
        m_Categories.clear();
        AppendField(m_Categories, categories);
    }
    PersonName parts = contact.isGroup ? PersonName() : SplitName(contact.name);
    const std::string empty;
    size_t rows = contact.isGroup ? 1 : (contact.addresses.size() + 1) / 2;
    for (size_t row = 0; row < rows; ++row) {
        AppendField(m_Out, parts.given);
        m_Out += ',';
        AppendField(m_Out, parts.family);
        m_Out += ',';
        AppendField(m_Out, contact.name);
        m_Out += ',';
        AppendField(m_Out, parts.nickname);
        m_Out += ',';
        if (!contact.isGroup) {
            AppendField(m_Out, contact.addresses[2 * row]);
            m_Out += ',';
            AppendField(m_Out, 2 * row + 1 < contact.addresses.size() ? contact.addresses[2 * row + 1] : empty);
        } else {
            m_Out += ',';
        }
        m_Out.append(kCategories - kPrimaryEmail - 1, ',');
        m_Out += m_Categories;
        m_Out += ',';
        if (contact.isGroup) {
            std::string members;
            for (const std::string& address : contact.addresses)
                members += (members.empty() ? "" : ",") + address;
            AppendField(m_Out, members);
        }
        m_Out += "\r\n";
    }
}
