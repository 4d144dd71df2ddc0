// Carries WinHTTP's requests to an https server over TLS connections that Velmora makes and
// verifies itself, so that nothing WinHTTP sends (the request, the credentials) crosses a
// connection whose certificate was not checked, trust status and name, on that very
// connection. WinHTTP speaks plain HTTP to a port of the loopback address; every connection
// it makes there (the first, one after the server closed a kept-alive one, one after a 401)
// gets a TLS connection of its own to the server, verified before a byte of WinHTTP's is read.
// A connection whose server cannot be reached or verified is closed unread, and the reason
// is kept for the fetch's message; from then on every connection is closed at once. When
// the system's proxy is to be used for the server, each TLS connection goes through a
// tunnel that the proxy opens (CONNECT), and is verified for the server all the same. The
// relay lives as long as one book's fetch of one origin.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <memory>
#include <vector>
#include "remote/BookUrl.h"
#include "remote/FetchStatus.h"
#include "remote/ProxyChoice.h"
#include "remote/Socket.h"
#include "remote/TlsRelay.h"

class CWebRelay {
public:
    CWebRelay(const BookUrl& url, const ProxyServer& proxy);
    ~CWebRelay();
    CWebRelay(const CWebRelay&) = delete;
    CWebRelay& operator=(const CWebRelay&) = delete;

    // Starts listening; port is where WinHTTP is to connect. False when no port or thread
    // could be had.
    bool Start(int& port);
    // Ends the relay and every connection it carries (within a fraction of a second).
    void Stop();
    // True, with why in status, once a connection was refused.
    bool Refused(FetchStatus& status);

private:
    CWinsock m_Winsock;
    BookUrl m_Url;
    ProxyServer m_Proxy;
    CSocket m_Listener;
    HANDLE m_hThread = nullptr;
    volatile LONG m_nStop = 0;
    CRITICAL_SECTION m_Lock;
    bool m_bRefused = false;
    FetchStatus m_Refusal;
    std::vector<std::unique_ptr<CTlsRelay>> m_Links;  // only the relay's thread changes it

    static DWORD WINAPI ThreadMain(LPVOID relay);
    void Serve();
    void Take(SOCKET client);
};
