// Hands a verified TLS channel to a client that can only make connections of its own (the
// directory client, WinHTTP): it carries the bytes of one connection of the loopback address
// through the channel, on a thread of its own that ends when either side closes or when the
// relay is stopped. No byte reaches the server before the channel's certificate has been
// checked. Start() listens for the connection itself; Attach() takes one already accepted
// (see CWebRelay, which verifies a channel for every connection WinHTTP makes).
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <memory>
#include "remote/Socket.h"
#include "remote/TlsChannel.h"

class CTlsRelay {
public:
    CTlsRelay() = default;
    ~CTlsRelay() { Stop(); }
    CTlsRelay(const CTlsRelay&) = delete;
    CTlsRelay& operator=(const CTlsRelay&) = delete;

    // Starts listening; port is where the client is to connect. False when no port or
    // thread could be had.
    bool Start(std::unique_ptr<CTlsChannel> channel, int& port);
    // Carries client, a connection already accepted, through channel; takes the socket.
    bool Attach(std::unique_ptr<CTlsChannel> channel, SOCKET client);
    // Ends the relay and waits for its thread (within a fifth of a second).
    void Stop();
    // True once the carrying has ended.
    bool Finished() const;

private:
    CWinsock m_Winsock;
    std::unique_ptr<CTlsChannel> m_Channel;
    CSocket m_Listener;
    CSocket m_Client;
    HANDLE m_hThread = nullptr;
    volatile LONG m_nStop = 0;

    static DWORD WINAPI ThreadMain(LPVOID relay);
    SOCKET AcceptClient();
    void Carry();
    bool SendToClient(const char* data, size_t size);
};
