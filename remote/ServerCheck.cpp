#include <winsock2.h>
#include <ws2tcpip.h>
#include "remote/ServerCheck.h"
#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>
#include <vector>
#include "remote/FetchText.h"
#include "remote/WideText.h"

namespace {

// Winsock for the calling thread's checks.
class CWinsock {
public:
    CWinsock() { m_bReady = WSAStartup(MAKEWORD(2, 2), &m_Data) == 0; }
    ~CWinsock()
    {
        if (m_bReady)
            WSACleanup();
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
    ~CSocket()
    {
        if (m_Socket != INVALID_SOCKET)
            closesocket(m_Socket);
    }
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;
    SOCKET m_Socket = INVALID_SOCKET;
};

// Connects sock to the URL's server within the connect limit, in short waits so that a
// cancel is seen at once. On success the socket is left blocking.
FetchStatus Connect(const BookUrl& url, IFetchHost& host, CSocket& sock)
{
    std::string server = Utf8ToSjis(url.HostPort());
    ADDRINFOW hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    ADDRINFOW* found = nullptr;
    std::wstring port = std::to_wstring(url.port);
    if (GetAddrInfoW(Utf8ToWide(url.host).c_str(), port.c_str(), &hints, &found) != 0 || !found)
        return FetchStatus::Failure(FetchText::UnknownHost(server));
    FetchStatus status = FetchStatus::Failure(FetchText::Refused(server));
    for (ADDRINFOW* address = found; address; address = address->ai_next) {
        sock.m_Socket = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (sock.m_Socket == INVALID_SOCKET)
            continue;
        u_long nonBlocking = 1;
        ioctlsocket(sock.m_Socket, FIONBIO, &nonBlocking);
        bool connected = connect(sock.m_Socket, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0;
        bool pending = !connected && WSAGetLastError() == WSAEWOULDBLOCK;
        DWORD start = GetTickCount();
        while (pending) {
            if (host.IsCancelled()) {
                FreeAddrInfoW(found);
                return FetchStatus::Cancel();
            }
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(sock.m_Socket, &writable);
            FD_SET(sock.m_Socket, &failed);
            timeval wait = {0, 200000};
            int ready = select(0, nullptr, &writable, &failed, &wait);
            if (ready > 0) {
                int error = 0;
                int size = sizeof error;
                getsockopt(sock.m_Socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
                connected = FD_ISSET(sock.m_Socket, &writable) && error == 0;
                break;
            }
            if (GetTickCount() - start >= g_FetchLimits.connectMs) {
                status = FetchStatus::Failure(FetchText::ConnectTimeout(server, g_FetchLimits.connectMs));
                break;
            }
        }
        if (connected) {
            nonBlocking = 0;
            ioctlsocket(sock.m_Socket, FIONBIO, &nonBlocking);
            FreeAddrInfoW(found);
            return FetchStatus::Success();
        }
        closesocket(sock.m_Socket);
        sock.m_Socket = INVALID_SOCKET;
    }
    FreeAddrInfoW(found);
    return status;
}

bool SendAll(SOCKET sock, const void* data, unsigned long size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        int sent = send(sock, bytes, static_cast<int>(size), 0);
        if (sent <= 0)
            return false;
        bytes += sent;
        size -= static_cast<unsigned long>(sent);
    }
    return true;
}

// The reason, in the user's words, for a chain policy's error.
std::string TrustReason(DWORD error)
{
    switch (error) {
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_CHAINING):
    case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE):
        return "証明書の発行元が信頼されていません（Windows の信頼されたルート証明機関にありません）。";
    case static_cast<DWORD>(CERT_E_EXPIRED):
        return "証明書の有効期限が切れているか、まだ有効になっていません。";
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
        return "証明書がこのサーバーの名前のものではありません。";
    case static_cast<DWORD>(CRYPT_E_REVOKED):
        return "証明書が失効しています。";
    case static_cast<DWORD>(CERT_E_WRONG_USAGE):
        return "証明書がサーバーの認証に使えるものではありません。";
    default: {
        char code[16];
        wsprintfA(code, "%08lX", error);
        return std::string("証明書を確認できません（エラー ") + code + "）。";
    }
    }
}

// Checks the certificate that the server presented against the trusted roots, for the
// URL's host name.
FetchStatus VerifyCertificate(const BookUrl& url, PCCERT_CONTEXT certificate)
{
    std::string server = Utf8ToSjis(url.HostPort());
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    LPSTR serverAuth = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = &serverAuth;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0, nullptr, &chain))
        return FetchStatus::Failure(FetchText::Untrusted(server, TrustReason(GetLastError())));
    std::wstring name = Utf8ToWide(url.host);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA extra = {};
    extra.cbSize = sizeof extra;
    extra.dwAuthType = AUTHTYPE_SERVER;
    extra.pwszServerName = &name[0];
    CERT_CHAIN_POLICY_PARA policyPara = {};
    policyPara.cbSize = sizeof policyPara;
    policyPara.pvExtraPolicyPara = &extra;
    CERT_CHAIN_POLICY_STATUS policyStatus = {};
    policyStatus.cbSize = sizeof policyStatus;
    BOOL checked = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policyPara, &policyStatus);
    CertFreeCertificateChain(chain);
    if (!checked)
        return FetchStatus::Failure(FetchText::Untrusted(server, TrustReason(GetLastError())));
    if (policyStatus.dwError != 0)
        return FetchStatus::Failure(FetchText::Untrusted(server, TrustReason(policyStatus.dwError)));
    return FetchStatus::Success();
}

// A TLS client handshake over sock through schannel, which is told to leave the
// certificate to us; the server's certificate, or none when the handshake failed.
PCCERT_CONTEXT HandshakeForCertificate(SOCKET sock, const std::wstring& name)
{
    SCHANNEL_CRED schannel = {};
    schannel.dwVersion = SCHANNEL_CRED_VERSION;
    schannel.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    CredHandle credentials;
    TimeStamp expiry;
    if (AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr, &schannel,
                                  nullptr, nullptr, &credentials, &expiry) != SEC_E_OK)
        return nullptr;
    CtxtHandle context;
    bool haveContext = false;
    DWORD flags = ISC_REQ_CONFIDENTIALITY | ISC_REQ_STREAM | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_MANUAL_CRED_VALIDATION;
    std::vector<char> received;
    SECURITY_STATUS status = SEC_I_CONTINUE_NEEDED;
    bool first = true;
    for (int round = 0; round < 32 && (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE); ++round) {
        if (!first && (status == SEC_E_INCOMPLETE_MESSAGE || received.empty())) {
            char chunk[16384];
            int count = recv(sock, chunk, sizeof chunk, 0);
            if (count <= 0)
                break;
            received.insert(received.end(), chunk, chunk + count);
        }
        SecBuffer inBuffers[2] = {{static_cast<unsigned long>(received.size()), SECBUFFER_TOKEN, received.data()},
                                  {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc in = {SECBUFFER_VERSION, 2, inBuffers};
        SecBuffer outBuffers[1] = {{0, SECBUFFER_TOKEN, nullptr}};
        SecBufferDesc out = {SECBUFFER_VERSION, 1, outBuffers};
        DWORD attributes = 0;
        status = InitializeSecurityContextW(&credentials, haveContext ? &context : nullptr,
                                            const_cast<wchar_t*>(name.c_str()), flags, 0, 0, first ? nullptr : &in, 0,
                                            &context, &out, &attributes, &expiry);
        haveContext = true;
        first = false;
        if (outBuffers[0].pvBuffer) {
            bool sent = outBuffers[0].cbBuffer == 0 || SendAll(sock, outBuffers[0].pvBuffer, outBuffers[0].cbBuffer);
            FreeContextBuffer(outBuffers[0].pvBuffer);
            if (!sent)
                break;
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE)
            continue;
        // What the server sent beyond this step waits for the next one.
        if (inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer <= received.size())
            received.erase(received.begin(), received.end() - inBuffers[1].cbBuffer);
        else
            received.clear();
    }
    PCCERT_CONTEXT certificate = nullptr;
    if (status == SEC_E_OK &&
        QueryContextAttributesW(&context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK)
        certificate = nullptr;
    if (haveContext)
        DeleteSecurityContext(&context);
    FreeCredentialsHandle(&credentials);
    return certificate;
}

}  // namespace

FetchStatus ProbeServer(const BookUrl& url, IFetchHost& host)
{
    CWinsock winsock;
    CSocket sock;
    return Connect(url, host, sock);
}

FetchStatus CheckServerCertificate(const BookUrl& url, IFetchHost& host)
{
    CWinsock winsock;
    CSocket sock;
    FetchStatus status = Connect(url, host, sock);
    if (!status.IsOk())
        return status;
    DWORD wait = g_FetchLimits.answerMs;
    setsockopt(sock.m_Socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
    PCCERT_CONTEXT certificate = HandshakeForCertificate(sock.m_Socket, Utf8ToWide(url.host));
    if (!certificate)
        return FetchStatus::Failure(FetchText::SecureFailed(Utf8ToSjis(url.HostPort())));
    status = VerifyCertificate(url, certificate);
    CertFreeCertificateContext(certificate);
    return status;
}

FetchStatus ProbeLdapAnswer(const BookUrl& url, IFetchHost& host)
{
    CWinsock winsock;
    CSocket sock;
    FetchStatus status = Connect(url, host, sock);
    if (!status.IsOk())
        return status;
    std::string server = Utf8ToSjis(url.HostPort());
    DWORD wait = g_FetchLimits.answerMs;
    setsockopt(sock.m_Socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
    // BindRequest { messageID 1, version 3, name "", simple "" }
    const unsigned char bind[] = {0x30, 0x0c, 0x02, 0x01, 0x01, 0x60, 0x07, 0x02, 0x01, 0x03, 0x04, 0x00, 0x80, 0x00};
    if (!SendAll(sock.m_Socket, bind, sizeof bind))
        return FetchStatus::Failure(FetchText::ConnectionLost(server));
    unsigned char answer[16];
    int count = recv(sock.m_Socket, reinterpret_cast<char*>(answer), sizeof answer, 0);
    if (count < 0 && WSAGetLastError() == WSAETIMEDOUT)
        return FetchStatus::Failure(FetchText::AnswerTimeout(server, g_FetchLimits.answerMs));
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
