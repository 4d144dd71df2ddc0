// The plain TCP side of the checks and of the TLS channel: Winsock for the calling thread,
// a socket closed with its owner, a connection made within the connect limit, and waits
// in short slices so that a cancel is seen within a fraction of a second.
#pragma once
#include <winsock2.h>
#include <string>
#include "remote/BookUrl.h"
#include "remote/FetchHost.h"
#include "remote/FetchStatus.h"
#include "remote/NetworkApi.h"

class CWinsock {
public:
    CWinsock() { m_bReady = NetworkApi::Ws2().WSAStartup(MAKEWORD(2, 2), &m_Data) == 0; }
    ~CWinsock()
    {
        if (m_bReady)
            NetworkApi::Ws2().WSACleanup();
    }
    CWinsock(const CWinsock&) = delete;
    CWinsock& operator=(const CWinsock&) = delete;

private:
    WSADATA m_Data = {};
    bool m_bReady = false;
};

class CSocket {
public:
    CSocket() = default;
    ~CSocket() { Close(); }
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;
    void Close()
    {
        if (m_Socket != INVALID_SOCKET)
            NetworkApi::Ws2().closesocket(m_Socket);
        m_Socket = INVALID_SOCKET;
    }
    SOCKET m_Socket = INVALID_SOCKET;
};

// Connects sock to the URL's server within the connect limit. On success the socket is
// blocking, with the answer limit as its send timeout.
FetchStatus ConnectSocket(const BookUrl& url, IFetchHost& host, CSocket& sock);

// Opens listener on a free port of 127.0.0.1 (a relay's end that only this machine reaches)
// and gives the port; false when the system refuses.
bool ListenOnLoopback(CSocket& listener, int backlog, int& port);

bool SendAll(SOCKET sock, const void* data, size_t size);

enum class SocketWait { Ready, Cancelled, TimedOut, Failed };
// Waits until sock can be read, seeing a cancel within a fifth of a second; TimedOut when
// nothing came for waitMs.
SocketWait WaitReadable(SOCKET sock, IFetchHost& host, unsigned waitMs);
