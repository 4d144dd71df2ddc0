#include "remote/ProxyChoice.h"
#include <vector>

namespace {

const int kDefaultProxyPort = 80;

std::string Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The entries of a list separated by ';', ',' or blanks.
std::vector<std::string> Entries(const std::string& list)
{
    std::vector<std::string> entries;
    std::string entry;
    for (char c : list + ";") {
        if (c == ';' || c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!entry.empty())
                entries.push_back(entry);
            entry.clear();
        } else {
            entry += c;
        }
    }
    return entries;
}

// "*" stands for any run of characters; the rest is compared without regard to case.
bool Matches(const std::string& pattern, const std::string& text)
{
    size_t p = 0, t = 0, star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool IsLoopback(const std::string& host)
{
    return host == "localhost" || host.compare(0, 4, "127.") == 0 || host == "::1";
}

bool Bypassed(const std::string& bypass, const std::string& host)
{
    for (std::string entry : Entries(Lower(bypass))) {
        if (entry == "<local>") {
            if (host.find('.') == std::string::npos && host.find(':') == std::string::npos)
                return true;
            continue;
        }
        size_t scheme = entry.find("://");
        if (scheme != std::string::npos) {
            if (entry.compare(0, scheme, "https") != 0)
                continue;
            entry.erase(0, scheme + 3);
        }
        if (!entry.empty() && entry[0] == '[') {
            size_t close = entry.find(']');
            entry = entry.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        } else if (entry.find(':') == entry.rfind(':')) {
            entry = entry.substr(0, entry.find(':'));  // a port, when named, is not compared
        }
        if (Matches(entry, host))
            return true;
    }
    return false;
}

// "[http://]host[:port]" or "[[::1]]:port"; false when no host can be read.
bool ParseServer(std::string text, ProxyServer& server)
{
    size_t scheme = text.find("://");
    if (scheme != std::string::npos)
        text.erase(0, scheme + 3);
    while (!text.empty() && text.back() == '/')
        text.pop_back();
    std::string host = text, port;
    if (!text.empty() && text[0] == '[') {
        size_t close = text.find(']');
        if (close == std::string::npos)
            return false;
        host = text.substr(1, close - 1);
        if (close + 1 < text.size() && text[close + 1] == ':')
            port = text.substr(close + 2);
    } else if (text.find(':') != std::string::npos && text.find(':') == text.rfind(':')) {
        host = text.substr(0, text.find(':'));
        port = text.substr(text.find(':') + 1);
    }
    int number = port.empty() ? kDefaultProxyPort : 0;
    for (char c : port) {
        if (c < '0' || c > '9' || number > 65535)
            return false;
        number = number * 10 + (c - '0');
    }
    if (host.empty() || number <= 0 || number > 65535)
        return false;
    server.host = Lower(host);
    server.port = number;
    return true;
}

}  // namespace

std::string ProxyServer::HostPort() const
{
    std::string name = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return name + ":" + std::to_string(port);
}

ProxyServer ChooseHttpsProxy(const ProxySetting& setting, const std::string& host)
{
    ProxyServer chosen, anyScheme;
    if (IsLoopback(host) || Bypassed(setting.bypass, host))
        return chosen;
    bool named = false;
    for (const std::string& entry : Entries(setting.proxies)) {
        size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            if (!anyScheme.IsNamed())
                ParseServer(entry, anyScheme);
        } else if (!named && Lower(entry.substr(0, equals)) == "https") {
            named = ParseServer(entry.substr(equals + 1), chosen);
        }
    }
    return named ? chosen : anyScheme;
}
