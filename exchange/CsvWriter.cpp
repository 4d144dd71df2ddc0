#include "exchange/CsvWriter.h"
#include "exchange/FolderPath.h"

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
const size_t kFirstName = 0;
const size_t kLastName = 1;
const size_t kDisplayName = 2;
const size_t kPrimaryEmail = 4;
const size_t kSecondaryEmail = 5;
const size_t kCategories = kColumnCount - 2;
const size_t kMembers = kColumnCount - 1;

// A field in quotes when it holds a comma, a quote or a line end; quotes are doubled.
std::string Field(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

void WriteRow(std::string& out, const std::string (&fields)[kColumnCount])
{
    for (size_t i = 0; i < kColumnCount; ++i)
        out += (i ? "," : "") + Field(fields[i]);
    out += "\r\n";
}

// The rows of one contact.
void WriteContact(std::string& out, const Contact& contact)
{
    std::string row[kColumnCount];
    row[kDisplayName] = contact.name;
    if (!contact.isGroup) {
        PersonName parts = SplitName(contact.name);
        row[kFirstName] = parts.given;
        row[kLastName] = parts.family;
    }
    for (const std::vector<std::string>& path : FolderPaths(contact)) {
        if (!path.empty())
            row[kCategories] += (row[kCategories].empty() ? "" : ",") + FolderPath::Format(path);
    }
    if (contact.isGroup) {
        for (const std::string& address : contact.addresses)
            row[kMembers] += (row[kMembers].empty() ? "" : ",") + address;
        WriteRow(out, row);
        return;
    }
    for (size_t i = 0; i < contact.addresses.size(); i += 2) {
        row[kPrimaryEmail] = contact.addresses[i];
        row[kSecondaryEmail] = i + 1 < contact.addresses.size() ? contact.addresses[i + 1] : "";
        WriteRow(out, row);
    }
}

}  // namespace

std::string CCsvWriter::Write(const ContactList& list)
{
    std::string out = "\xEF\xBB\xBF";
    std::string fields[kColumnCount];
    for (size_t i = 0; i < kColumnCount; ++i)
        fields[i] = kColumns[i];
    WriteRow(out, fields);
    for (const Contact& contact : list.contacts)
        WriteContact(out, contact);
    return out;
}
