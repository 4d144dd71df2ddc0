#include <winsock2.h>
#include "remote/WebRelay.h"
#include <algorithm>
#include "remote/FetchHost.h"
#include "remote/FetchText.h"
#include "remote/TlsChannel.h"
#include "remote/WideText.h"
#include "remote/NetworkApi.h"

namespace {

const long kSliceUs = 200000;
// Connections carried at once; WinHTTP keeps far fewer to one server.
const size_t kMaxLinks = 8;

// What the TLS channel's waits ask on the relay's thread: only whether the relay is stopping
// (the fetch stops it when the user cancels).
class CRelayStop : public IFetchHost {
public:
    explicit CRelayStop(volatile LONG& stop) : m_Stop(stop) {}
    bool IsCancelled() override { return m_Stop != 0; }
    void ReportProgress(size_t, size_t) override {}
    bool AskCredentials(const CredentialRequest&, Credentials&, bool&) override { return false; }

private:
    volatile LONG& m_Stop;
};

}  // namespace

CWebRelay::CWebRelay(const BookUrl& url, const ProxyServer& proxy) : m_Url(url), m_Proxy(proxy)
{
    InitializeCriticalSection(&m_Lock);
}

CWebRelay::~CWebRelay()
{
    Stop();
    DeleteCriticalSection(&m_Lock);
}

bool CWebRelay::Start(int& port)
{
    if (!ListenOnLoopback(m_Listener, SOMAXCONN, port))
        return false;
    m_hThread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    return m_hThread != nullptr;
}

void CWebRelay::Stop()
{
    InterlockedExchange(&m_nStop, 1);
    if (m_hThread) {
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
    m_Links.clear();  // each link stops and waits for its thread
    m_Listener.Close();
}

bool CWebRelay::Refused(FetchStatus& status)
{
    EnterCriticalSection(&m_Lock);
    bool refused = m_bRefused;
    if (refused)
        status = m_Refusal;
    LeaveCriticalSection(&m_Lock);
    return refused;
}

DWORD WINAPI CWebRelay::ThreadMain(LPVOID relay)
{
    static_cast<CWebRelay*>(relay)->Serve();
    return 0;
}

void CWebRelay::Serve()
{
    while (!m_nStop) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_Listener.m_Socket, &readable);
        timeval wait = {0, kSliceUs};
        int ready = NetworkApi::Ws2().select(0, &readable, nullptr, nullptr, &wait);
        if (ready < 0)
            return;
        if (ready > 0) {
            SOCKET client = NetworkApi::Ws2().accept(m_Listener.m_Socket, nullptr, nullptr);
            if (client != INVALID_SOCKET)
                Take(client);
        }
        m_Links.erase(std::remove_if(m_Links.begin(), m_Links.end(),
                                     [](const std::unique_ptr<CTlsRelay>& link) { return link->Finished(); }),
                      m_Links.end());
    }
}

// Verifies a TLS connection to the server for client, then carries client through it; or
// closes client unread.
void CWebRelay::Take(SOCKET client)
{
    CSocket unread;  // closes client unless it is handed on
    unread.m_Socket = client;
    EnterCriticalSection(&m_Lock);
    bool before = m_bRefused;
    LeaveCriticalSection(&m_Lock);
    if (before || m_Links.size() >= kMaxLinks)
        return;
    CRelayStop stop(m_nStop);
    std::unique_ptr<CTlsChannel> channel(new CTlsChannel);
    FetchStatus status = channel->Open(m_Url, stop, m_Proxy);
    if (!status.IsOk()) {
        if (status.kind != FetchStatus::Cancelled) {
            EnterCriticalSection(&m_Lock);
            m_bRefused = true;
            m_Refusal = status;
            LeaveCriticalSection(&m_Lock);
        }
        return;
    }
    std::unique_ptr<CTlsRelay> link(new CTlsRelay);
    unread.m_Socket = INVALID_SOCKET;
    if (link->Attach(std::move(channel), client))
        m_Links.push_back(std::move(link));
}
