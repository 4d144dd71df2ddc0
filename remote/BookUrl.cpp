#include "remote/BookUrl.h"
#include <cctype>

namespace {

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

bool Fail(std::string* reason, const char* text)
{
    if (reason)
        *reason = text;
    return false;
}

// "host", "host:port", "[v6]" or "[v6]:port" into url; false with a reason when malformed.
bool ParseAuthority(const std::string& authority, BookUrl& url, int defaultPort, std::string* reason)
{
    if (authority.find('@') != std::string::npos)
        return Fail(reason, "URL にユーザー名やパスワードを書くことはできません。"
                            "認証が必要なときは、更新のときに入力してください。");
    std::string host = authority;
    std::string port;
    if (!host.empty() && host[0] == '[') {
        size_t close = host.find(']');
        if (close == std::string::npos)
            return Fail(reason, "URL のサーバー名が正しくありません。");
        port = host.substr(close + 1);
        host = host.substr(1, close - 1);
        if (!port.empty() && port[0] != ':')
            return Fail(reason, "URL のサーバー名が正しくありません。");
        if (!port.empty())
            port.erase(0, 1);
    } else {
        size_t colon = host.rfind(':');
        if (colon != std::string::npos) {
            port = host.substr(colon + 1);
            host.erase(colon);
        }
    }
    if (host.empty())
        return Fail(reason, "URL にサーバー名がありません。");
    // A name is letters, digits, "-", "_" and "." (a name in other scripts is UTF-8); an
    // address in brackets holds hexadecimal digits, ":" and "." only. Anything else (a ":"
    // outside brackets, a "]", a blank) would name another server than the user reads.
    bool bracketed = authority[0] == '[';
    for (unsigned char c : host) {
        bool allowed = bracketed ? (std::isxdigit(c) || c == ':' || c == '.')
                                 : (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c >= 0x80);
        if (!allowed)
            return Fail(reason, "URL のサーバー名が正しくありません。");
    }
    url.host = Lower(host);
    url.port = defaultPort;
    if (!port.empty()) {
        if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
            return Fail(reason, "URL のポート番号が正しくありません。");
        url.port = std::stoi(port);
        if (url.port < 1 || url.port > 65535)
            return Fail(reason, "URL のポート番号が正しくありません。");
    }
    return true;
}

// The parts after the host of an LDAP URL: dn?attributes?scope?filter?extensions.
bool ParseLdapRest(const std::string& rest, BookUrl& url, std::string* reason)
{
    std::vector<std::string> parts = Split(rest, '?');
    if (parts.size() > 5)
        return Fail(reason, "LDAP の URL の形式が正しくありません。");
    parts.resize(5);
    std::string text;
    if (!PercentDecode(parts[0], url.baseDn))
        return Fail(reason, "LDAP の URL の形式が正しくありません。");
    for (const std::string& attribute : Split(parts[1], ',')) {
        if (attribute.empty())
            continue;
        if (!PercentDecode(attribute, text))
            return Fail(reason, "LDAP の URL の形式が正しくありません。");
        url.attributes.push_back(text);
    }
    std::string scope = Lower(parts[2]);
    if (scope == "base")
        url.scope = LdapScope::Base;
    else if (scope == "one")
        url.scope = LdapScope::OneLevel;
    else if (scope == "sub" || scope.empty())
        url.scope = LdapScope::Subtree;
    else
        return Fail(reason, "LDAP の URL の検索範囲は base、one、sub のいずれかです。");
    if (!parts[3].empty()) {
        if (!PercentDecode(parts[3], text))
            return Fail(reason, "LDAP の URL の形式が正しくありません。");
        url.filter = text[0] == '(' ? text : "(" + text + ")";
    }
    // An extension marked critical ("!") that is not understood makes the URL unusable.
    for (const std::string& extension : Split(parts[4], ',')) {
        if (!extension.empty() && extension[0] == '!')
            return Fail(reason, "LDAP の URL に使えない拡張（!で始まるもの）があります。");
    }
    return true;
}

// "file:" URLs: file:///C:/x.adr, file://localhost/C:/x.adr and file://server/share/x.adr.
bool ParseFileUrl(const std::string& rest, BookUrl& url, std::string* reason)
{
    std::string decoded;
    if (rest.compare(0, 2, "//") != 0 || !PercentDecode(rest.substr(2), decoded))
        return Fail(reason, "file の URL の形式が正しくありません。");
    size_t slash = decoded.find('/');
    std::string host = Lower(decoded.substr(0, slash));
    std::string path = slash == std::string::npos ? "" : decoded.substr(slash);
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    if (host.empty() || host == "localhost") {
        // "\C:\dir\x.adr" or "\C|\dir\x.adr"
        if (path.size() < 3 || !std::isalpha(static_cast<unsigned char>(path[1])) || (path[2] != ':' && path[2] != '|'))
            return Fail(reason, "file の URL にドライブ名がありません。");
        path.erase(0, 1);
        path[1] = ':';
        url.path = path;
    } else {
        if (path.size() < 2)
            return Fail(reason, "file の URL に共有フォルダとファイルの名前がありません。");
        url.path = "\\\\" + host + path;
    }
    url.scheme = BookScheme::File;
    return true;
}

bool IsWindowsPath(const std::string& text)
{
    bool drive = text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' &&
                 (text[2] == '\\' || text[2] == '/');
    return drive || text.compare(0, 2, "\\\\") == 0;
}

}  // namespace

bool PercentDecode(const std::string& text, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        // A NUL would end the text early wherever it is handed on as a C string.
        if (low < 0 || (high == 0 && low == 0))
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::string UrlWithoutPassword(const std::string& text)
{
    size_t start = text.find("://");
    if (start == std::string::npos)
        return text;
    start += 3;
    size_t end = text.find_first_of("/?#", start);
    size_t at = text.rfind('@', end == std::string::npos ? std::string::npos : end);
    if (at == std::string::npos || at < start)
        return text;
    size_t colon = text.find(':', start);
    if (colon == std::string::npos || colon > at)
        return text;
    return text.substr(0, colon + 1) + "***" + text.substr(at);
}

std::string BookUrl::Origin() const
{
    const char* name = scheme == BookScheme::Ldap    ? "ldap"
                       : scheme == BookScheme::Ldaps ? "ldaps"
                       : scheme == BookScheme::Http  ? "http"
                       : scheme == BookScheme::Https ? "https"
                                                      : "file";
    return std::string(name) + "://" + HostPort();
}

std::string BookUrl::HostPort() const
{
    std::string name = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return name + ":" + std::to_string(port);
}

BookUrl ParseBookUrl(const std::string& text, std::string* reason)
{
    BookUrl url;
    std::string trimmed = text;
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t'))
        trimmed.pop_back();
    trimmed.erase(0, trimmed.find_first_not_of(" \t"));
    if (reason)
        reason->clear();
    // A NUL would cut the server's name, the search or the path short where it is handed on.
    if (trimmed.find('\0') != std::string::npos) {
        Fail(reason, "URL に使えない文字（NUL）があります。");
        return url;
    }
    if (IsWindowsPath(trimmed)) {
        url.scheme = BookScheme::File;
        url.path = trimmed;
        return url;
    }
    size_t colon = trimmed.find(':');
    std::string scheme = colon == std::string::npos ? "" : Lower(trimmed.substr(0, colon));
    std::string rest = colon == std::string::npos ? "" : trimmed.substr(colon + 1);
    if (scheme == "file") {
        if (!ParseFileUrl(rest, url, reason))
            url = BookUrl();
        return url;
    }
    struct Known {
        const char* name;
        BookScheme scheme;
        int port;
    };
    const Known known[] = {{"ldap", BookScheme::Ldap, 389},
                           {"ldaps", BookScheme::Ldaps, 636},
                           {"http", BookScheme::Http, 80},
                           {"https", BookScheme::Https, 443}};
    for (const Known& candidate : known) {
        if (scheme != candidate.name)
            continue;
        if (rest.compare(0, 2, "//") != 0) {
            Fail(reason, "URL の形式が正しくありません。");
            return BookUrl();
        }
        rest.erase(0, 2);
        bool directory = candidate.scheme == BookScheme::Ldap || candidate.scheme == BookScheme::Ldaps;
        size_t end = rest.find_first_of(directory ? "/?" : "/?#");
        BookUrl parsed;
        if (!ParseAuthority(rest.substr(0, end), parsed, candidate.port, reason))
            return BookUrl();
        std::string after = end == std::string::npos ? "" : rest.substr(end);
        parsed.scheme = candidate.scheme;
        if (parsed.IsDirectory()) {
            if (!after.empty() && after[0] == '/')
                after.erase(0, 1);
            if (!ParseLdapRest(after, parsed, reason))
                return BookUrl();
        } else {
            after = after.substr(0, after.find('#'));
            parsed.path = after.empty() || after[0] != '/' ? "/" + after : after;
        }
        return parsed;
    }
    Fail(reason, "読み込めない形式の URL です。");
    return url;
}
