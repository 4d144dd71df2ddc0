#include <winsock2.h>
#include "remote/ServerCheck.h"
#include "remote/FetchText.h"
#include "remote/Socket.h"
#include "remote/WideText.h"
#include "remote/NetworkApi.h"

FetchStatus ProbeServer(const BookUrl& url, IFetchHost& host)
{
    CWinsock winsock;
    CSocket sock;
    return ConnectSocket(url, host, sock);
}

FetchStatus ProbeLdapAnswer(const BookUrl& url, IFetchHost& host)
{
    CWinsock winsock;
    CSocket sock;
    FetchStatus status = ConnectSocket(url, host, sock);
    if (!status.IsOk())
        return status;
    std::string server = Utf8ToSjis(url.HostPort());
    // BindRequest { messageID 1, version 3, name "", simple "" }
    const unsigned char bind[] = {0x30, 0x0c, 0x02, 0x01, 0x01, 0x60, 0x07, 0x02, 0x01, 0x03, 0x04, 0x00, 0x80, 0x00};
    if (!SendAll(sock.m_Socket, bind, sizeof bind))
        return FetchStatus::Failure(FetchText::ConnectionLost(server));
    SocketWait wait = WaitReadable(sock.m_Socket, host, g_FetchLimits.answerMs);
    if (wait == SocketWait::Cancelled)
        return FetchStatus::Cancel();
    if (wait == SocketWait::TimedOut)
        return FetchStatus::Failure(FetchText::AnswerTimeout(server, g_FetchLimits.answerMs));
    unsigned char answer[16];
    int count = wait == SocketWait::Ready ? NetworkApi::Ws2().recv(sock.m_Socket, reinterpret_cast<char*>(answer), sizeof answer, 0) : -1;
    if (count <= 0)
        return FetchStatus::Failure(FetchText::ConnectionLost(server));
    // An LDAPMessage is a SEQUENCE whose first element is the message ID, an INTEGER.
    size_t at = 1;
    if (answer[0] == 0x30 && count > 1)
        at = 2 + ((answer[1] & 0x80) ? (answer[1] & 0x7F) : 0);
    if (answer[0] != 0x30 || static_cast<int>(at) >= count || answer[at] != 0x02)
        return FetchStatus::Failure(FetchText::Malformed(server));
    return FetchStatus::Success();
}
