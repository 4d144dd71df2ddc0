#include <winsock2.h>
#include "remote/Socket.h"
#include <ws2tcpip.h>
#include "remote/FetchText.h"
#include "remote/WideText.h"
#include "remote/NetworkApi.h"

namespace {

const long kSliceUs = 200000;

}  // namespace

bool ListenOnLoopback(CSocket& listener, int backlog, int& port)
{
    listener.m_Socket = NetworkApi::Ws2().socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener.m_Socket == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.S_un.S_un_b = {127, 0, 0, 1};
    address.sin_port = 0;
    int size = sizeof address;
    if (NetworkApi::Ws2().bind(listener.m_Socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        NetworkApi::Ws2().listen(listener.m_Socket, backlog) != 0 ||
        NetworkApi::Ws2().getsockname(listener.m_Socket, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&address.sin_port);
    port = bytes[0] << 8 | bytes[1];  // network order
    return true;
}

FetchStatus ConnectSocket(const BookUrl& url, IFetchHost& host, CSocket& sock)
{
    std::string server = Utf8ToSjis(url.HostPort());
    ADDRINFOW hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    ADDRINFOW* found = nullptr;
    std::wstring port = std::to_wstring(url.port);
    if (NetworkApi::Ws2().GetAddrInfoW(Utf8ToWide(url.host).c_str(), port.c_str(), &hints, &found) != 0 || !found)
        return FetchStatus::Failure(FetchText::UnknownHost(server));
    FetchStatus status = FetchStatus::Failure(FetchText::Refused(server));
    for (ADDRINFOW* address = found; address; address = address->ai_next) {
        sock.m_Socket = NetworkApi::Ws2().socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (sock.m_Socket == INVALID_SOCKET)
            continue;
        u_long nonBlocking = 1;
        NetworkApi::Ws2().ioctlsocket(sock.m_Socket, FIONBIO, &nonBlocking);
        bool connected = NetworkApi::Ws2().connect(sock.m_Socket, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0;
        bool pending = !connected && NetworkApi::Ws2().WSAGetLastError() == WSAEWOULDBLOCK;
        DWORD start = GetTickCount();
        while (pending) {
            if (host.IsCancelled()) {
                NetworkApi::Ws2().FreeAddrInfoW(found);
                sock.Close();
                return FetchStatus::Cancel();
            }
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(sock.m_Socket, &writable);
            FD_SET(sock.m_Socket, &failed);
            timeval wait = {0, kSliceUs};
            int ready = NetworkApi::Ws2().select(0, nullptr, &writable, &failed, &wait);
            if (ready > 0) {
                int error = 0;
                int size = sizeof error;
                NetworkApi::Ws2().getsockopt(sock.m_Socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
                connected = NetworkApi::IsSet(sock.m_Socket, writable) && error == 0;
                break;
            }
            if (GetTickCount() - start >= g_FetchLimits.connectMs) {
                status = FetchStatus::Failure(FetchText::ConnectTimeout(server, g_FetchLimits.connectMs));
                break;
            }
        }
        if (connected) {
            nonBlocking = 0;
            NetworkApi::Ws2().ioctlsocket(sock.m_Socket, FIONBIO, &nonBlocking);
            DWORD wait = g_FetchLimits.answerMs;
            NetworkApi::Ws2().setsockopt(sock.m_Socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
            NetworkApi::Ws2().FreeAddrInfoW(found);
            return FetchStatus::Success();
        }
        sock.Close();
    }
    NetworkApi::Ws2().FreeAddrInfoW(found);
    return status;
}

bool SendAll(SOCKET sock, const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        int part = size > (1u << 20) ? (1 << 20) : static_cast<int>(size);
        int sent = NetworkApi::Ws2().send(sock, bytes, part, 0);
        if (sent <= 0)
            return false;
        bytes += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

SocketWait WaitReadable(SOCKET sock, IFetchHost& host, unsigned waitMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (host.IsCancelled())
            return SocketWait::Cancelled;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(sock, &readable);
        timeval wait = {0, kSliceUs};
        int ready = NetworkApi::Ws2().select(0, &readable, nullptr, nullptr, &wait);
        if (ready > 0)
            return SocketWait::Ready;
        if (ready < 0)
            return SocketWait::Failed;
        if (GetTickCount() - start >= waitMs)
            return SocketWait::TimedOut;
    }
}
