// HTTP and HTTPS through the system's client, WinHTTP, as the update needs it: one
// request and its answer, with the limits of every fetch (time, size, cancel), a login
// when the server answers 401, and redirects followed by hand so that credentials go
// only to the origin (scheme, host and port) that asked for them, never from https down
// to http. Each origin has a session of its own, so nothing WinHTTP remembers about one
// server reaches another. WinHTTP makes no TLS connection itself: an https origin's requests
// go as plain HTTP to a relay of its own (CWebRelay), which carries each of WinHTTP's
// connections over a TLS connection whose certificate Velmora has verified, through the
// system's WinHTTP proxy when it names one for the server.
#pragma once
#include <windows.h>
#include <winhttp.h>
#include <map>
#include <memory>
#include <string>
#include "remote/BookUrl.h"
#include "remote/FetchHost.h"
#include "remote/FetchPace.h"
#include "remote/FetchStatus.h"
#include "remote/Login.h"
#include "remote/WebRelay.h"
#include "remote/WebRequest.h"

struct WebAnswer {
    DWORD status = 0;
    std::string body;
    BookUrl url;  // where the answer came from, after the redirects
};

class CWebClient {
public:
    CWebClient(IFetchHost& host, const std::string& bookName);
    ~CWebClient();
    CWebClient(const CWebClient&) = delete;
    CWebClient& operator=(const CWebClient&) = delete;

    // Sends verb with headers and body to url; answer holds the final status and body.
    FetchStatus Exchange(const BookUrl& url, const wchar_t* verb, const std::wstring& headers,
                         const std::string& body, WebAnswer& answer);

private:
    struct Origin {
        HINTERNET hSession = nullptr;
        std::unique_ptr<CLogin> login;
        DWORD nScheme = 0;  // the authentication scheme the server chose, once known
        bool bProbed = false;
        std::unique_ptr<CWebRelay> relay;  // for https: where WinHTTP connects
        int nRelayPort = 0;
    };
    IFetchHost& m_Host;
    std::string m_strBook;
    std::map<std::string, Origin> m_Origins;
    CFetchPace m_Pace;

    Origin* OriginOf(const BookUrl& url, FetchStatus& status);
    DWORD SendOnce(Origin& origin, const std::wstring& headers, const std::string& body, CWebRequest& request);
    FetchStatus ReadBody(const BookUrl& url, CWebRequest& request, std::string& body);
    FetchStatus ErrorOf(const BookUrl& url, DWORD error);
};
