#include <winsock2.h>
#include "remote/TlsChannel.h"
#include <schannel.h>
#include <cctype>
#include <vector>
#include "remote/CertificateCheck.h"
#include "remote/FetchText.h"
#include "remote/WideText.h"
#include "remote/NetworkApi.h"

namespace {

const int kHandshakeRounds = 32;
const size_t kMaxProxyHead = 16384;  // a proxy's answer to CONNECT, headers and all
const size_t kMaxShownStatus = 80;
const DWORD kRequest = ISC_REQ_CONFIDENTIALITY | ISC_REQ_STREAM | ISC_REQ_ALLOCATE_MEMORY |
                       ISC_REQ_MANUAL_CRED_VALIDATION | ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT;

}  // namespace

CTlsChannel::~CTlsChannel()
{
    Close();
}

void CTlsChannel::Close()
{
    if (m_bContext)
        NetworkApi::Secur32().DeleteSecurityContext(&m_Context);
    if (m_bCredentials)
        NetworkApi::Secur32().FreeCredentialsHandle(&m_Credentials);
    m_bContext = false;
    m_bCredentials = false;
    m_Socket.Close();
}

FetchStatus CTlsChannel::Open(const BookUrl& url, IFetchHost& host, const ProxyServer& proxy)
{
    FetchStatus status;
    if (proxy.IsNamed()) {
        BookUrl via = url;
        via.host = proxy.host;
        via.port = proxy.port;
        status = ConnectSocket(via, host, m_Socket);
        if (status.kind == FetchStatus::Failed)
            status.cause = FetchText::ProxyUnreachable(status.cause);
        if (status.IsOk())
            status = Tunnel(url, proxy, host);
    } else {
        status = ConnectSocket(url, host, m_Socket);
    }
    if (status.IsOk())
        status = Handshake(url, host);
    if (!status.IsOk()) {
        Close();
        return status;
    }
    PCCERT_CONTEXT certificate = nullptr;
    if (NetworkApi::Secur32().QueryContextAttributesW(&m_Context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK)
        certificate = nullptr;
    status = VerifyServerCertificate(url, certificate);
    if (certificate)
        NetworkApi::Crypt32().CertFreeCertificateContext(certificate);
    if (status.IsOk() && NetworkApi::Secur32().QueryContextAttributesW(&m_Context, SECPKG_ATTR_STREAM_SIZES, &m_Sizes) != SEC_E_OK)
        status = FetchStatus::Failure(FetchText::SecureFailed(Utf8ToSjis(url.HostPort())));
    if (!status.IsOk())
        Close();
    return status;
}

// Asks the proxy for a tunnel to the URL's server and reads its answer's head, within the
// answer limit for the whole head and a bounded size; only a 2xx opens the tunnel. What
// the proxy sent past the head is kept for the handshake.
FetchStatus CTlsChannel::Tunnel(const BookUrl& url, const ProxyServer& proxy, IFetchHost& host)
{
    std::string target = url.HostPort();
    std::string request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n\r\n";
    std::string name = Utf8ToSjis(proxy.HostPort());
    std::string server = Utf8ToSjis(target);
    if (!SendAll(m_Socket.m_Socket, request.data(), request.size()))
        return FetchStatus::Failure(FetchText::ProxyRefused(name, server, FetchText::ProxyClosed(), false));
    std::string head;
    size_t end = std::string::npos;
    DWORD start = GetTickCount();
    while (end == std::string::npos) {
        DWORD spent = GetTickCount() - start;
        SocketWait wait = spent >= g_FetchLimits.answerMs ? SocketWait::TimedOut
                                                          : WaitReadable(m_Socket.m_Socket, host, g_FetchLimits.answerMs - spent);
        if (wait == SocketWait::Cancelled)
            return FetchStatus::Cancel();
        if (wait == SocketWait::TimedOut)
            return FetchStatus::Failure(FetchText::ProxyRefused(name, server, FetchText::ProxySilent(g_FetchLimits.answerMs), false));
        char chunk[4096];
        int count = wait == SocketWait::Ready ? NetworkApi::Ws2().recv(m_Socket.m_Socket, chunk, sizeof chunk, 0) : -1;
        if (count <= 0)
            return FetchStatus::Failure(FetchText::ProxyRefused(name, server, FetchText::ProxyClosed(), false));
        head.append(chunk, static_cast<size_t>(count));
        end = head.find("\r\n\r\n");
        if (end == std::string::npos && head.size() > kMaxProxyHead)
            return FetchStatus::Failure(FetchText::ProxyRefused(name, server, FetchText::ProxyNotHttp(), false));
    }
    m_Received = head.substr(end + 4);
    std::string line = head.substr(0, head.find("\r\n"));
    int code = 0;
    if (line.compare(0, 7, "HTTP/1.") == 0 && line.size() >= 12 && line[8] == ' ' && isdigit(static_cast<unsigned char>(line[9])) &&
        isdigit(static_cast<unsigned char>(line[10])) && isdigit(static_cast<unsigned char>(line[11])))
        code = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    if (code >= 200 && code < 300)
        return FetchStatus::Success();
    if (code == 0)
        return FetchStatus::Failure(FetchText::ProxyRefused(name, server, FetchText::ProxyNotHttp(), false));
    // The status line as the proxy wrote it, in printable ASCII and not too long for a message.
    std::string shown;
    for (size_t i = 9; i < line.size() && shown.size() < kMaxShownStatus; ++i)
        shown += line[i] >= 0x20 && line[i] < 0x7f ? line[i] : '?';
    return FetchStatus::Failure(FetchText::ProxyRefused(name, server, shown, code == 407));
}

// The client's side of the handshake; schannel is told to leave the certificate to us.
FetchStatus CTlsChannel::Handshake(const BookUrl& url, IFetchHost& host)
{
    std::string server = Utf8ToSjis(url.HostPort());
    FetchStatus failed = FetchStatus::Failure(FetchText::SecureFailed(server));
    SCHANNEL_CRED schannel = {};
    schannel.dwVersion = SCHANNEL_CRED_VERSION;
    schannel.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    TimeStamp expiry;
    if (NetworkApi::Secur32().AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr, &schannel,
                                  nullptr, nullptr, &m_Credentials, &expiry) != SEC_E_OK)
        return failed;
    m_bCredentials = true;
    m_strName = Utf8ToWide(url.host);
    SECURITY_STATUS status = SEC_I_CONTINUE_NEEDED;
    bool first = true;
    for (int round = 0; round < kHandshakeRounds; ++round) {
        if (!first && (status == SEC_E_INCOMPLETE_MESSAGE || m_Received.empty())) {
            SocketWait wait = WaitReadable(m_Socket.m_Socket, host, g_FetchLimits.answerMs);
            if (wait == SocketWait::Cancelled)
                return FetchStatus::Cancel();
            if (wait == SocketWait::TimedOut)
                return FetchStatus::Failure(FetchText::AnswerTimeout(server, g_FetchLimits.answerMs));
            char chunk[16384];
            int count = wait == SocketWait::Ready ? NetworkApi::Ws2().recv(m_Socket.m_Socket, chunk, sizeof chunk, 0) : -1;
            if (count <= 0)
                return failed;
            m_Received.append(chunk, static_cast<size_t>(count));
        }
        SecBuffer inBuffers[2] = {{static_cast<unsigned long>(m_Received.size()), SECBUFFER_TOKEN, &m_Received[0]},
                                  {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc in = {SECBUFFER_VERSION, 2, inBuffers};
        SecBuffer outBuffers[1] = {{0, SECBUFFER_TOKEN, nullptr}};
        SecBufferDesc out = {SECBUFFER_VERSION, 1, outBuffers};
        DWORD attributes = 0;
        status = NetworkApi::Secur32().InitializeSecurityContextW(&m_Credentials, m_bContext ? &m_Context : nullptr, &m_strName[0], kRequest,
                                            0, 0, first ? nullptr : &in, 0, &m_Context, &out, &attributes, &expiry);
        if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)
            m_bContext = true;
        first = false;
        if (outBuffers[0].pvBuffer) {
            bool sent = outBuffers[0].cbBuffer == 0 || SendAll(m_Socket.m_Socket, outBuffers[0].pvBuffer, outBuffers[0].cbBuffer);
            NetworkApi::Secur32().FreeContextBuffer(outBuffers[0].pvBuffer);
            if (!sent)
                return failed;
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE)
            continue;
        // What the server sent beyond this step waits for the next one (or for the data).
        if (inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer <= m_Received.size())
            m_Received.erase(0, m_Received.size() - inBuffers[1].cbBuffer);
        else
            m_Received.clear();
        if (status == SEC_E_OK)
            return FetchStatus::Success();
        if (status != SEC_I_CONTINUE_NEEDED)
            return failed;
    }
    return failed;
}

bool CTlsChannel::Send(const char* data, size_t size)
{
    if (!m_bContext)
        return false;
    std::vector<char> message(m_Sizes.cbHeader + m_Sizes.cbMaximumMessage + m_Sizes.cbTrailer);
    while (size > 0) {
        unsigned long part = size < m_Sizes.cbMaximumMessage ? static_cast<unsigned long>(size) : m_Sizes.cbMaximumMessage;
        memcpy(message.data() + m_Sizes.cbHeader, data, part);
        SecBuffer buffers[4] = {{m_Sizes.cbHeader, SECBUFFER_STREAM_HEADER, message.data()},
                                {part, SECBUFFER_DATA, message.data() + m_Sizes.cbHeader},
                                {m_Sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, message.data() + m_Sizes.cbHeader + part},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
        if (NetworkApi::Secur32().EncryptMessage(&m_Context, 0, &desc, 0) != SEC_E_OK)
            return false;
        if (!SendAll(m_Socket.m_Socket, message.data(), buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer))
            return false;
        data += part;
        size -= part;
    }
    return true;
}

// A message of the handshake after it ended (a TLS 1.3 session ticket, which schannel on
// Windows hands back as a renegotiation): given to the context, whatever it answers sent.
bool CTlsChannel::TakeHandshakeMessage()
{
    SecBuffer inBuffers[2] = {{static_cast<unsigned long>(m_Received.size()), SECBUFFER_TOKEN, &m_Received[0]},
                              {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc in = {SECBUFFER_VERSION, 2, inBuffers};
    SecBuffer outBuffers[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc out = {SECBUFFER_VERSION, 1, outBuffers};
    DWORD attributes = 0;
    TimeStamp expiry;
    SECURITY_STATUS status = NetworkApi::Secur32().InitializeSecurityContextW(&m_Credentials, &m_Context, &m_strName[0], kRequest, 0, 0, &in,
                                                        0, nullptr, &out, &attributes, &expiry);
    if (outBuffers[0].pvBuffer) {
        if (outBuffers[0].cbBuffer)
            SendAll(m_Socket.m_Socket, outBuffers[0].pvBuffer, outBuffers[0].cbBuffer);
        NetworkApi::Secur32().FreeContextBuffer(outBuffers[0].pvBuffer);
    }
    if (inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer <= m_Received.size())
        m_Received.erase(0, m_Received.size() - inBuffers[1].cbBuffer);
    else
        m_Received.clear();
    return status == SEC_E_OK;
}

CTlsChannel::Read CTlsChannel::DecryptWaiting(std::string& plain)
{
    while (!m_Received.empty()) {
        SecBuffer buffers[4] = {{static_cast<unsigned long>(m_Received.size()), SECBUFFER_DATA, &m_Received[0]},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
        SECURITY_STATUS status = NetworkApi::Secur32().DecryptMessage(&m_Context, &desc, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE)
            return Data;
        if (status == SEC_I_CONTEXT_EXPIRED)
            return Closed;
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE)
            return Failed;
        std::string extra;
        for (SecBuffer& buffer : buffers) {
            if (buffer.BufferType == SECBUFFER_DATA)
                plain.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
            else if (buffer.BufferType == SECBUFFER_EXTRA)
                extra.assign(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
        }
        m_Received.swap(extra);
        if (status == SEC_I_RENEGOTIATE && !TakeHandshakeMessage())
            return Failed;
    }
    return Data;
}

CTlsChannel::Read CTlsChannel::Receive(std::string& plain, bool mayRead)
{
    size_t before = plain.size();
    Read read = DecryptWaiting(plain);
    if (read != Data || plain.size() > before || !mayRead)
        return read;
    char chunk[16384];
    int count = NetworkApi::Ws2().recv(m_Socket.m_Socket, chunk, sizeof chunk, 0);
    if (count == 0)
        return Closed;
    if (count < 0)
        return Failed;
    m_Received.append(chunk, static_cast<size_t>(count));
    return DecryptWaiting(plain);
}
