#include "remote/DirectoryEntry.h"
#include <cctype>

namespace {

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text)
{
    size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos)
        return "";
    return text.substr(start, text.find_last_not_of(' ') - start + 1);
}

int Hex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The value of an attribute-value pair from pos on, up to an unescaped "," ";" or "+".
bool ReadValue(const std::string& dn, size_t& pos, std::string& value)
{
    value.clear();
    size_t lastKept = 0;  // length of value up to its last escaped or non-blank character
    bool quoted = pos < dn.size() && dn[pos] == '"';
    if (quoted)
        ++pos;
    while (pos < dn.size()) {
        char c = dn[pos];
        if (quoted && c == '"') {
            ++pos;
            quoted = false;
            lastKept = value.size();
            continue;
        }
        if (!quoted && (c == ',' || c == ';' || c == '+'))
            break;
        if (c == '\\') {
            if (pos + 1 >= dn.size())
                return false;
            int high = Hex(dn[pos + 1]);
            int low = pos + 2 < dn.size() ? Hex(dn[pos + 2]) : -1;
            if (high >= 0 && low >= 0) {
                value += static_cast<char>(high * 16 + low);
                pos += 3;
            } else {
                value += dn[pos + 1];
                pos += 2;
            }
            lastKept = value.size();
            continue;
        }
        value += c;
        if (c != ' ')
            lastKept = value.size();
        ++pos;
    }
    if (quoted)
        return false;
    value.resize(lastKept);  // blanks before the separator are no part of the value
    return true;
}

}  // namespace

bool ParseDn(const std::string& dn, std::vector<Rdn>& rdns)
{
    rdns.clear();
    size_t pos = 0;
    if (Trim(dn).empty())
        return true;
    bool first = true;
    while (pos <= dn.size()) {
        size_t equals = dn.find('=', pos);
        if (equals == std::string::npos)
            return false;
        std::string type = Lower(Trim(dn.substr(pos, equals - pos)));
        if (type.empty())
            return false;
        pos = equals + 1;
        while (pos < dn.size() && dn[pos] == ' ')
            ++pos;
        std::string value;
        if (!ReadValue(dn, pos, value))
            return false;
        if (first)
            rdns.push_back({type, value});
        if (pos >= dn.size())
            return true;
        first = dn[pos] != '+';
        ++pos;
    }
    return true;
}

std::vector<std::string> FoldersBelow(const std::string& dn, const std::string& base)
{
    std::vector<Rdn> entry;
    std::vector<Rdn> top;
    if (!ParseDn(dn, entry) || !ParseDn(base, top) || entry.size() <= top.size())
        return {};
    size_t own = entry.size() - top.size();
    for (size_t i = 0; i < top.size(); ++i) {
        if (entry[own + i].type != top[i].type || Lower(entry[own + i].value) != Lower(top[i].value))
            return {};
    }
    std::vector<std::string> folders;
    for (size_t i = own; i-- > 1;) {
        if (entry[i].type == "ou" && !entry[i].value.empty())
            folders.push_back(entry[i].value);
    }
    return folders;
}

std::vector<Contact> ContactsOfEntry(const DirectoryEntry& entry, const std::string& base)
{
    std::string name;
    for (const std::vector<std::string>* names : {&entry.displayNames, &entry.commonNames}) {
        for (const std::string& candidate : *names) {
            if (name.empty() && !TrimBlanks(candidate).empty())
                name = candidate;
        }
    }
    if (name.empty()) {
        std::vector<Rdn> rdns;
        if (ParseDn(entry.dn, rdns) && !rdns.empty())
            name = rdns[0].value;
    }
    std::vector<std::string> folders = FoldersBelow(entry.dn, base);
    std::vector<Contact> contacts;
    for (const std::string& mail : entry.mails) {
        std::string address = TrimBlanks(mail);
        if (address.empty())
            continue;
        Contact contact;
        contact.name = name;
        contact.addresses.push_back(address);
        contact.folders = folders;
        contacts.push_back(std::move(contact));
    }
    return contacts;
}
