// A TLS connection that Velmora makes and verifies itself, through the system's TLS
// (schannel): connect, handshake, and the server's certificate checked on this very
// connection before a byte of anyone's data crosses it. The directory client, which under
// Wine checks no certificate at all, talks through it (see CTlsRelay).
#pragma once
#include <winsock2.h>
#include <windows.h>
#define SECURITY_WIN32
#include <security.h>
#include <string>
#include "remote/BookUrl.h"
#include "remote/FetchHost.h"
#include "remote/FetchStatus.h"
#include "remote/ProxyChoice.h"
#include "remote/Socket.h"

class CTlsChannel {
public:
    CTlsChannel() = default;
    ~CTlsChannel();
    CTlsChannel(const CTlsChannel&) = delete;
    CTlsChannel& operator=(const CTlsChannel&) = delete;

    // Connects to the URL's server, makes the handshake and checks the certificate for the
    // URL's host. When it fails, nothing but the handshake has been sent, and the channel
    // is closed. Through a proxy, when one is named: the proxy is asked for a tunnel to the
    // URL's server (CONNECT), and the handshake and the check are those of the server.
    FetchStatus Open(const BookUrl& url, IFetchHost& host, const ProxyServer& proxy = ProxyServer());

    SOCKET Socket() const { return m_Socket.m_Socket; }
    // Encrypts data and sends it all.
    bool Send(const char* data, size_t size);

    enum Read { Data, Closed, Failed };
    // Appends to plain what the server sent; reads the socket once (it may block) when
    // mayRead and nothing whole is waiting. Data may leave plain as it was.
    Read Receive(std::string& plain, bool mayRead);

private:
    CWinsock m_Winsock;
    CSocket m_Socket;
    CredHandle m_Credentials = {};
    CtxtHandle m_Context = {};
    bool m_bCredentials = false;
    bool m_bContext = false;
    std::wstring m_strName;
    SecPkgContext_StreamSizes m_Sizes = {};
    std::string m_Received;  // from the server, not yet decrypted

    FetchStatus Tunnel(const BookUrl& url, const ProxyServer& proxy, IFetchHost& host);
    FetchStatus Handshake(const BookUrl& url, IFetchHost& host);
    bool TakeHandshakeMessage();
    Read DecryptWaiting(std::string& plain);
    void Close();
};
