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
    "Categories",
};
const size_t kColumnCount = sizeof kColumns / sizeof kColumns[0];
const size_t kDisplayName = 2;
const size_t kPrimaryEmail = 4;
const size_t kSecondaryEmail = 5;
const size_t kCategories = kColumnCount - 1;

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

}  // namespace

std::string CCsvWriter::Write(const ContactList& list)
{
    std::string out = "\xEF\xBB\xBF";
    std::string fields[kColumnCount];
    for (size_t i = 0; i < kColumnCount; ++i)
        fields[i] = kColumns[i];
    WriteRow(out, fields);
    for (const Contact& contact : list.contacts) {
        std::string row[kColumnCount];
        row[kDisplayName] = contact.name;
        for (size_t i = 0; i < contact.addresses.size(); ++i) {
            std::string& field = i == 0 ? row[kPrimaryEmail] : row[kSecondaryEmail];
            field += (field.empty() ? "" : ",") + contact.addresses[i];
        }
        row[kCategories] = FolderPath::Format(contact.folders);
        WriteRow(out, row);
    }
    return out;
}
