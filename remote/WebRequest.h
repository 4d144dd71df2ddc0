// One WinHTTP request of an asynchronous session: sent, and its answer's headers and body
// waited for in short slices, so that a cancel (or the fetch's pace) ends it within a fraction
// of a second in every state, however silent the server; a synchronous WinHTTP call cannot be
// interrupted and would hold the worker until the answer limit. What WinHTTP may still touch
// after an abandoned request (the body it sends, the buffer it reads into, the event it sets)
// lives in a block of its own that is then given up rather than freed, and the request's
// callback is removed before its handle is closed.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <winhttp.h>
#include <functional>
#include <string>
#include "remote/FetchStatus.h"

class CWebRequest {
public:
    // Asked between the slices of every wait: anything but Ok abandons the request.
    using Pace = std::function<FetchStatus()>;

    // Takes request, opened on a session made with WINHTTP_FLAG_ASYNC.
    explicit CWebRequest(HINTERNET request);
    ~CWebRequest();
    CWebRequest(const CWebRequest&) = delete;
    CWebRequest& operator=(const CWebRequest&) = delete;

    HINTERNET Handle() const { return m_hRequest; }

    // Each returns 0 or the WinHTTP (or Winsock) error; ERROR_WINHTTP_OPERATION_CANCELLED when
    // pace stopped the wait, whose status Stopped() then holds. silentMs limits the wait.
    // Sends body and waits for the answer's headers.
    DWORD Send(const std::string& body, unsigned silentMs, const Pace& pace);
    // Waits until some of the body has come: count bytes of it are at Data(), 0 at its end.
    DWORD Read(unsigned silentMs, const Pace& pace, DWORD& count);
    const char* Data() const;

    const FetchStatus& Stopped() const { return m_Stopped; }

private:
    struct Shared;
    Shared* m_pShared;
    HINTERNET m_hRequest;
    bool m_bPending = false;  // WinHTTP holds the shared block for an operation not yet done
    FetchStatus m_Stopped;

    DWORD Wait(unsigned silentMs, const Pace& pace);
    static void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info, DWORD length);
};
