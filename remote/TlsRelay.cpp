#include <winsock2.h>
#include "remote/TlsRelay.h"
#include "remote/NetworkApi.h"
#include <string>
#include <vector>

namespace {

const long kSliceUs = 200000;

}  // namespace

bool CTlsRelay::Start(std::unique_ptr<CTlsChannel> channel, int& port)
{
    m_Channel = std::move(channel);
    if (!ListenOnLoopback(m_Listener, 1, port))
        return false;
    m_hThread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    return m_hThread != nullptr;
}

bool CTlsRelay::Attach(std::unique_ptr<CTlsChannel> channel, SOCKET client)
{
    m_Channel = std::move(channel);
    m_Client.m_Socket = client;
    m_hThread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    return m_hThread != nullptr;
}

bool CTlsRelay::Finished() const
{
    return !m_hThread || WaitForSingleObject(m_hThread, 0) == WAIT_OBJECT_0;
}

void CTlsRelay::Stop()
{
    InterlockedExchange(&m_nStop, 1);
    if (m_hThread) {
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
    m_Listener.Close();
    m_Client.Close();
    m_Channel.reset();
}

DWORD WINAPI CTlsRelay::ThreadMain(LPVOID relay)
{
    CTlsRelay* self = static_cast<CTlsRelay*>(relay);
    if (self->m_Client.m_Socket == INVALID_SOCKET) {
        self->m_Client.m_Socket = self->AcceptClient();
        self->m_Listener.Close();
    }
    if (self->m_Client.m_Socket != INVALID_SOCKET)
        self->Carry();
    // The client sees the end at once, not when the relay is stopped.
    self->m_Client.Close();
    return 0;
}

// The first connection within the connect limit; no other is taken.
SOCKET CTlsRelay::AcceptClient()
{
    DWORD start = GetTickCount();
    while (!m_nStop && GetTickCount() - start < g_FetchLimits.connectMs) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_Listener.m_Socket, &readable);
        timeval wait = {0, kSliceUs};
        int ready = NetworkApi::Ws2().select(0, &readable, nullptr, nullptr, &wait);
        if (ready < 0)
            break;
        if (ready > 0)
            return NetworkApi::Ws2().accept(m_Listener.m_Socket, nullptr, nullptr);
    }
    return INVALID_SOCKET;
}

// What the server sent goes to the client without blocking, so that a client that reads no
// more (an abandoned request) holds the relay no longer than the answer limit, and a stop
// at once.
bool CTlsRelay::SendToClient(const char* data, size_t size)
{
    DWORD start = GetTickCount();
    while (size > 0 && !m_nStop) {
        int part = size > 65536 ? 65536 : static_cast<int>(size);
        int sent = NetworkApi::Ws2().send(m_Client.m_Socket, data, part, 0);
        if (sent > 0) {
            data += sent;
            size -= static_cast<size_t>(sent);
            start = GetTickCount();
            continue;
        }
        if (sent == 0 || NetworkApi::Ws2().WSAGetLastError() != WSAEWOULDBLOCK ||
            GetTickCount() - start >= g_FetchLimits.answerMs)
            return false;
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(m_Client.m_Socket, &writable);
        timeval slice = {0, kSliceUs};
        if (NetworkApi::Ws2().select(0, nullptr, &writable, nullptr, &slice) < 0)
            return false;
    }
    return size == 0;
}

void CTlsRelay::Carry()
{
    SOCKET client = m_Client.m_Socket;
    SOCKET server = m_Channel->Socket();
    u_long nonBlocking = 1;
    NetworkApi::Ws2().ioctlsocket(client, FIONBIO, &nonBlocking);
    // Each side's bytes go on as they come: what is held back for a fuller packet would wait
    // for the other side's delayed acknowledgement.
    BOOL noDelay = TRUE;
    for (SOCKET each : {client, server})
        NetworkApi::Ws2().setsockopt(each, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    std::string plain;
    // What came with the end of the handshake.
    CTlsChannel::Read read = m_Channel->Receive(plain, false);
    if (read != CTlsChannel::Data || (!plain.empty() && !SendToClient(plain.data(), plain.size())))
        return;
    std::vector<char> chunk(16384);
    while (!m_nStop) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(client, &readable);
        FD_SET(server, &readable);
        timeval slice = {0, kSliceUs};
        int ready = NetworkApi::Ws2().select(0, &readable, nullptr, nullptr, &slice);
        if (ready < 0)
            return;
        if (NetworkApi::IsSet(client, readable)) {
            int count = NetworkApi::Ws2().recv(client, chunk.data(), static_cast<int>(chunk.size()), 0);
            if (count < 0 && NetworkApi::Ws2().WSAGetLastError() == WSAEWOULDBLOCK)
                continue;  // nothing after all
            if (count <= 0 || !m_Channel->Send(chunk.data(), static_cast<size_t>(count)))
                return;
        }
        if (NetworkApi::IsSet(server, readable)) {
            plain.clear();
            read = m_Channel->Receive(plain, true);
            if (!plain.empty() && !SendToClient(plain.data(), plain.size()))
                return;
            if (read != CTlsChannel::Data)
                return;
        }
    }
}
