#include "remote/SearchQuery.h"
#include <cstdio>

namespace SearchQuery {

std::string LdapEscape(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        if (c == '*' || c == '(' || c == ')' || c == '\\' || c == '\0') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "\\%02x", static_cast<unsigned char>(c));
            escaped += hex;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string LdapFilter(const std::string& urlFilter, const std::string& typed)
{
    std::string t = LdapEscape(typed);
    std::string any = "(|";
    for (const char* attribute : {"displayName", "cn"})
        any += std::string("(") + attribute + "=" + t + "*)(" + attribute + "=* " + t + "*)";
    any += "(mail=" + t + "*)(mail=*@" + t + "*))";
    std::string scope = urlFilter.empty() ? std::string("(mail=*)") : urlFilter;
    if (scope.front() != '(')
        scope = "(" + scope + ")";
    return "(&" + scope + any + ")";
}

namespace {

std::string XmlEscape(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default:
            // Control characters have no place in XML 1.0.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t')
                escaped += c;
            break;
        }
    }
    return escaped;
}

std::string TextMatch(const char* property, const char* matchType, const std::string& text)
{
    return std::string("<C:prop-filter name=\"") + property +
           "\"><C:text-match collation=\"i;unicode-casemap\" match-type=\"" + matchType + "\">" + XmlEscape(text) +
           "</C:text-match></C:prop-filter>";
}

}  // namespace

std::string CardDavQuery(const std::string& typed, size_t limit)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
           "<C:addressbook-query xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
           "<D:prop><D:getetag/><C:address-data/></D:prop><C:filter test=\"anyof\">" +
           TextMatch("FN", "starts-with", typed) + TextMatch("FN", "contains", " " + typed) +
           TextMatch("EMAIL", "starts-with", typed) + TextMatch("EMAIL", "contains", "@" + typed) +
           "</C:filter><C:limit><C:nresults>" + std::to_string(limit) + "</C:nresults></C:limit>"
           "</C:addressbook-query>";
}

}  // namespace SearchQuery
