// One live search of completion: a typed text asked of one global book's LDAP directory or
// CardDAV server, on a worker thread of its own that owns no window. The worker posts a
// message to the window's completion list when it has ended; the window takes the answer
// from the job (or drops it, when the text is no longer in the field). The job never asks
// the user anything: credentials come only from the store, and a server that wants others
// gives a note. The worker holds the job and the plug-in module until it ends, so the
// window may go meanwhile; a cancel makes it stop at its next wait.
#pragma once
#include <windows.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include "remote/FetchHost.h"

// One person's address from the server, in Shift-JIS as the store holds texts.
struct LiveSearchHit {
    std::string name;
    std::string address;
    std::string folder;  // the innermost folder, if any
};

struct LiveSearchAnswer {
    enum Kind { Running, Found, Failed, Cancelled };
    Kind kind = Running;
    std::string note;  // Shift-JIS: a short note for the list when it failed
    std::vector<LiveSearchHit> hits;
};

class CLiveSearchJob : public IFetchHost, public std::enable_shared_from_this<CLiveSearchJob> {
public:
    // bookName, url and typed are Shift-JIS, as the store and the field hold them. None
    // when no thread could be made.
    static std::shared_ptr<CLiveSearchJob> Start(const std::string& bookName, const std::string& url,
                                                 const std::string& typed, size_t limit, HWND window, UINT message);
    ~CLiveSearchJob();

    const std::string& Typed() const { return m_strTyped; }
    void Cancel();
    bool IsDone();
    LiveSearchAnswer Take();

    // IFetchHost, for the search on the worker thread.
    bool IsCancelled() override;
    void ReportProgress(size_t, size_t) override {}
    bool AskCredentials(const CredentialRequest& request, Credentials& answer, bool& save) override;

private:
    CLiveSearchJob(const std::string& bookName, const std::string& url, const std::string& typed, size_t limit,
                   HWND window, UINT message);
    static DWORD WINAPI ThreadMain(LPVOID holder);
    void Run();

    const std::string m_strBook;
    const std::string m_strUrl;
    const std::string m_strTyped;
    const size_t m_nLimit;
    const HWND m_hWindow;
    const UINT m_nMessage;
    HANDLE m_hCancel;

    std::mutex m_Lock;
    LiveSearchAnswer m_Answer;
    bool m_bWantedPassword = false;  // worker thread only
};
