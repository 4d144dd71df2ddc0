// Which proxy an https connection goes through: the WinHTTP default proxy setting (what
// "netsh winhttp set proxy" stores) as the relay uses it, since WinHTTP itself no longer
// makes the connections to an https server. The list names one proxy for every scheme
// ("host:port") or one a scheme ("http=host:port;https=host:port"); the bypass list names
// hosts reached directly ("*.example.com;10.*;<local>", where "<local>" is every name
// without a dot). This machine's own addresses are always reached directly, as for http.
#pragma once
#include <string>

struct ProxySetting {
    std::string proxies;  // empty: no proxy is named
    std::string bypass;
};

struct ProxyServer {
    std::string host;  // empty: connect directly
    int port = 0;
    bool IsNamed() const { return !host.empty(); }
    // "host:port" as messages name the proxy.
    std::string HostPort() const;
};

// The proxy for an https connection to host (lower case, IPv6 without brackets).
ProxyServer ChooseHttpsProxy(const ProxySetting& setting, const std::string& host);
