// The update of the global books, run on a worker thread of its own that owns no window:
// it fetches one book after the other and posts a message to the window that started it
// whenever there is news (progress, a finished book, a question for the user, the end).
// The window reads the news from the job and answers its credentials questions; a cancel
// lets the window go on at once, and the worker, which holds the job and the plug-in
// module until it ends, finishes its current wait and drops what it fetched.
#pragma once
#include <windows.h>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include "remote/Credentials.h"
#include "remote/FetchHost.h"
#include "remote/FetchedBook.h"

struct GlobalBookSource {
    std::string name;  // Shift-JIS, as the store holds them
    std::string url;
};

struct UpdateProgress {
    size_t book = 0;      // index of the book being fetched
    size_t entries = 0;   // its entries so far
    size_t bytes = 0;     // and the bytes received
    bool finished = false;
};

class CUpdateJob : public IFetchHost, public std::enable_shared_from_this<CUpdateJob> {
public:
    // Starts the worker; none when no thread could be made.
    static std::shared_ptr<CUpdateJob> Start(const std::vector<GlobalBookSource>& books, HWND window, UINT message);
    ~CUpdateJob();

    void Cancel();
    UpdateProgress Progress();
    // A finished book that the window has not taken yet.
    bool TakeResult(size_t& index, FetchedBook& result);
    // A credentials question waiting for the window's answer.
    bool TakeQuestion(CredentialRequest& request);
    void Answer(bool given, const Credentials& answer, bool save);

    // IFetchHost, for the fetches on the worker thread.
    bool IsCancelled() override;
    void ReportProgress(size_t entries, size_t bytes) override;
    bool AskCredentials(const CredentialRequest& request, Credentials& answer, bool& save) override;

private:
    struct StartData {
        std::shared_ptr<CUpdateJob> job;
        HMODULE module;  // the worker's hold on the plug-in, given up as it ends
    };
    CUpdateJob(const std::vector<GlobalBookSource>& books, HWND window, UINT message);
    static DWORD WINAPI ThreadMain(LPVOID data);
    void Run();
    FetchedBook FetchOne(const GlobalBookSource& book);
    void Notify();

    std::vector<GlobalBookSource> m_Books;
    HWND m_hWindow;
    UINT m_nMessage;
    HANDLE m_hCancel;     // manual-reset: set once by Cancel
    HANDLE m_hAnswered;   // auto-reset: the window answered the question

    static const DWORD kProgressEveryMs = 150;
    DWORD m_nLastProgress = 0;  // worker thread only

    std::mutex m_Lock;
    UpdateProgress m_Progress;
    std::deque<std::pair<size_t, FetchedBook>> m_Results;
    bool m_bNotified = false;
    bool m_bQuestion = false;
    CredentialRequest m_Question;
    bool m_bGiven = false;
    bool m_bSave = false;
    Credentials m_Answer;
};
