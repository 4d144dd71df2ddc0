// What a global book's URL names: the scheme that says how the book is fetched, the
// server (host and port) or the file, and for a directory the search of an LDAP URL
// (RFC 4516). The update parses every book's URL before its fetch starts.
#pragma once
#include <string>
#include <vector>

enum class BookScheme { Unknown, Ldap, Ldaps, Http, Https, File };

enum class LdapScope { Base, OneLevel, Subtree };

struct BookUrl {
    BookScheme scheme = BookScheme::Unknown;
    std::string host;   // lower case, IPv6 without its brackets; empty for a file
    int port = 0;       // the scheme's own port when the URL names none
    std::string path;   // http: path and query as sent ("/" at least); file: a Windows path
    // A directory's search, percent-decoded. The attributes are asked besides the name and
    // mail attributes that the book is made of.
    std::string baseDn;
    std::vector<std::string> attributes;
    LdapScope scope = LdapScope::Subtree;
    std::string filter = "(mail=*)";

    bool IsSecure() const { return scheme == BookScheme::Ldaps || scheme == BookScheme::Https; }
    bool IsDirectory() const { return scheme == BookScheme::Ldap || scheme == BookScheme::Ldaps; }
    bool IsWeb() const { return scheme == BookScheme::Http || scheme == BookScheme::Https; }
    // "scheme://host:port": whom credentials belong to and where a redirect may take them.
    std::string Origin() const;
    // "host:port" as messages name the server ("[::1]:389" for IPv6).
    std::string HostPort() const;
};

// text is UTF-8. Unknown when the text is no URL of a scheme the update reads, or when
// it cannot be used; reason then says why, in a Shift-JIS sentence for the user.
BookUrl ParseBookUrl(const std::string& text, std::string* reason = nullptr);

// text (UTF-8) as a message may show it: a password written into it ("user:password@") is
// replaced by "***".
std::string UrlWithoutPassword(const std::string& text);

// "%41" and the like decoded; false for a "%" without two hexadecimal digits, and for "%00".
bool PercentDecode(const std::string& text, std::string& out);
