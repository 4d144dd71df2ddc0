#include <winsock2.h>
#include "remote/TlsRelay.h"
#include <string>
#include <vector>

namespace {

const long kSliceUs = 200000;

}  // namespace

bool CTlsRelay::Start(std::unique_ptr<CTlsChannel> channel, int& port)
{
    m_Channel = std::move(channel);
    m_Listener.m_Socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_Listener.m_Socket == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int size = sizeof address;
    if (bind(m_Listener.m_Socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_Listener.m_Socket, 1) != 0 ||
        getsockname(m_Listener.m_Socket, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return false;
    port = ntohs(address.sin_port);
    m_hThread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    return m_hThread != nullptr;
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
    m_Channel.reset();
}

DWORD WINAPI CTlsRelay::ThreadMain(LPVOID relay)
{
    CTlsRelay* self = static_cast<CTlsRelay*>(relay);
    CSocket client;
    client.m_Socket = self->AcceptClient();
    self->m_Listener.Close();
    if (client.m_Socket != INVALID_SOCKET)
        self->Carry(client.m_Socket);
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
        int ready = select(0, &readable, nullptr, nullptr, &wait);
        if (ready < 0)
            break;
        if (ready > 0)
            return accept(m_Listener.m_Socket, nullptr, nullptr);
    }
    return INVALID_SOCKET;
}

void CTlsRelay::Carry(SOCKET client)
{
    SOCKET server = m_Channel->Socket();
    DWORD wait = g_FetchLimits.answerMs;
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
    std::string plain;
    // What came with the end of the handshake.
    CTlsChannel::Read read = m_Channel->Receive(plain, false);
    if (read != CTlsChannel::Data || (!plain.empty() && !SendAll(client, plain.data(), plain.size())))
        return;
    std::vector<char> chunk(16384);
    while (!m_nStop) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(client, &readable);
        FD_SET(server, &readable);
        timeval slice = {0, kSliceUs};
        int ready = select(0, &readable, nullptr, nullptr, &slice);
        if (ready < 0)
            return;
        if (FD_ISSET(client, &readable)) {
            int count = recv(client, chunk.data(), static_cast<int>(chunk.size()), 0);
            if (count <= 0 || !m_Channel->Send(chunk.data(), static_cast<size_t>(count)))
                return;
        }
        if (FD_ISSET(server, &readable)) {
            plain.clear();
            read = m_Channel->Receive(plain, true);
            if (!plain.empty() && !SendAll(client, plain.data(), plain.size()))
                return;
            if (read != CTlsChannel::Data)
                return;
        }
    }
}
