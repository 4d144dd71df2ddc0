#include <winsock2.h>
#include "remote/WebRequest.h"
#include <vector>
#include "remote/NetworkApi.h"

namespace {

const DWORD kSliceMs = 100;
const DWORD kChunk = 65536;

}  // namespace

// What the callback, on one of WinHTTP's threads, shares with the waiting worker.
struct CWebRequest::Shared {
    HANDLE hDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::string body;                 // what WinHTTP sends, kept until it has
    std::vector<char> buffer = std::vector<char>(kChunk);
    volatile LONG error = 0;          // the last operation's error, 0 when it succeeded
    volatile LONG count = 0;          // bytes available or read
    ~Shared()
    {
        if (hDone)
            CloseHandle(hDone);
    }
};

CWebRequest::CWebRequest(HINTERNET request) : m_pShared(new Shared), m_hRequest(request)
{
    NetworkApi::WinHttp().WinHttpSetStatusCallback(
        m_hRequest, OnStatus,
        WINHTTP_CALLBACK_FLAG_SENDREQUEST_COMPLETE | WINHTTP_CALLBACK_FLAG_HEADERS_AVAILABLE |
            WINHTTP_CALLBACK_FLAG_DATA_AVAILABLE | WINHTTP_CALLBACK_FLAG_READ_COMPLETE |
            WINHTTP_CALLBACK_FLAG_REQUEST_ERROR,
        0);
}

CWebRequest::~CWebRequest()
{
    const WinHttpApi& http = NetworkApi::WinHttp();
    if (m_bPending)
        http.WinHttpSetStatusCallback(m_hRequest, nullptr, 0, 0);
    http.WinHttpCloseHandle(m_hRequest);
    // An operation still under way may yet write to the shared block: it is left to it.
    if (!m_bPending)
        delete m_pShared;
}

const char* CWebRequest::Data() const
{
    return m_pShared->buffer.data();
}

void CALLBACK CWebRequest::OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length)
{
    Shared* shared = reinterpret_cast<Shared*>(context);
    if (!shared)
        return;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        shared->error = static_cast<LONG>(static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError);
        break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        shared->error = 0;
        shared->count = static_cast<LONG>(*static_cast<DWORD*>(info));
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        shared->error = 0;
        shared->count = static_cast<LONG>(length);
        break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        shared->error = 0;
        break;
    default:
        return;
    }
    SetEvent(shared->hDone);
}

DWORD CWebRequest::Wait(unsigned silentMs, const Pace& pace)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (WaitForSingleObject(m_pShared->hDone, kSliceMs) == WAIT_OBJECT_0) {
            m_bPending = false;
            return static_cast<DWORD>(m_pShared->error);
        }
        m_Stopped = pace();
        if (!m_Stopped.IsOk())
            return ERROR_WINHTTP_OPERATION_CANCELLED;
        if (GetTickCount() - start >= silentMs)
            return ERROR_WINHTTP_TIMEOUT;
    }
}

DWORD CWebRequest::Send(const std::string& body, unsigned silentMs, const Pace& pace)
{
    const WinHttpApi& http = NetworkApi::WinHttp();
    m_pShared->body = body;
    DWORD length = static_cast<DWORD>(body.size());
    m_bPending = true;
    if (!http.WinHttpSendRequest(m_hRequest, WINHTTP_NO_ADDITIONAL_HEADERS, 0, &m_pShared->body[0], length, length,
                                 reinterpret_cast<DWORD_PTR>(m_pShared))) {
        m_bPending = false;
        return GetLastError();
    }
    DWORD error = Wait(silentMs, pace);
    if (error)
        return error;
    m_bPending = true;
    if (!http.WinHttpReceiveResponse(m_hRequest, nullptr)) {
        m_bPending = false;
        return GetLastError();
    }
    return Wait(silentMs, pace);
}

DWORD CWebRequest::Read(unsigned silentMs, const Pace& pace, DWORD& count)
{
    const WinHttpApi& http = NetworkApi::WinHttp();
    count = 0;
    m_bPending = true;
    if (!http.WinHttpQueryDataAvailable(m_hRequest, nullptr)) {
        m_bPending = false;
        return GetLastError();
    }
    DWORD error = Wait(silentMs, pace);
    if (error || m_pShared->count == 0)
        return error;
    DWORD wanted = static_cast<DWORD>(m_pShared->count) < kChunk ? static_cast<DWORD>(m_pShared->count) : kChunk;
    m_bPending = true;
    if (!http.WinHttpReadData(m_hRequest, m_pShared->buffer.data(), wanted, nullptr)) {
        m_bPending = false;
        return GetLastError();
    }
    error = Wait(silentMs, pace);
    if (!error)
        count = static_cast<DWORD>(m_pShared->count);
    return error;
}
