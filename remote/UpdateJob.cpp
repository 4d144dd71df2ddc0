#include "remote/UpdateJob.h"
#include "remote/BookUrl.h"
#include "remote/DirectorySource.h"
#include "remote/FileSource.h"
#include "remote/WebSource.h"
#include "remote/WideText.h"
#include "text/Charset.h"

namespace {

std::string UnreadableUrl(const std::string& url, const std::string& reason)
{
    return "URL " + url + " を読み込めません。\n" + reason +
           "\nldap://、ldaps://、http://、https://、file:// の URL か、ファイルのパス（\\\\サーバー\\共有\\ファイル も可）"
           "を指定してください。";
}

}  // namespace

CUpdateJob::CUpdateJob(const std::vector<GlobalBookSource>& books, HWND window, UINT message)
    : m_Books(books), m_hWindow(window), m_nMessage(message), m_hCancel(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_hAnswered(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

CUpdateJob::~CUpdateJob()
{
    CloseHandle(m_hCancel);
    CloseHandle(m_hAnswered);
}

// The worker keeps the module that holds its code loaded until it has ended, so a host
// that unloads the plug-in meanwhile never pulls the code from under it. The hold is taken
// here, before the thread exists, so there is no moment in which the thread runs without it.
std::shared_ptr<CUpdateJob> CUpdateJob::Start(const std::vector<GlobalBookSource>& books, HWND window, UINT message)
{
    std::shared_ptr<CUpdateJob> job(new CUpdateJob(books, window, message));
    if (!job->m_hCancel || !job->m_hAnswered)
        return nullptr;
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&CUpdateJob::ThreadMain),
                            &module))
        return nullptr;
    auto* start = new StartData{job, module};
    HANDLE thread = CreateThread(nullptr, 0, ThreadMain, start, 0, nullptr);
    if (!thread) {
        delete start;
        FreeLibrary(module);
        return nullptr;
    }
    CloseHandle(thread);
    return job;
}

DWORD WINAPI CUpdateJob::ThreadMain(LPVOID data)
{
    HMODULE module = nullptr;
    {
        std::unique_ptr<StartData> start(static_cast<StartData*>(data));
        module = start->module;
        try {
            start->job->Run();
        } catch (...) {
            start->job->Cancel();
        }
    }
    FreeLibraryAndExitThread(module, 0);
    return 0;
}

void CUpdateJob::Run()
{
    for (size_t i = 0; i < m_Books.size() && !IsCancelled(); ++i) {
        {
            std::lock_guard<std::mutex> hold(m_Lock);
            m_Progress.book = i;
            m_Progress.entries = 0;
            m_Progress.bytes = 0;
        }
        Notify();
        FetchedBook result = FetchOne(m_Books[i]);
        {
            std::lock_guard<std::mutex> hold(m_Lock);
            m_Results.emplace_back(i, std::move(result));
        }
        Notify();
    }
    {
        std::lock_guard<std::mutex> hold(m_Lock);
        m_Progress.finished = true;
    }
    Notify();
}

FetchedBook CUpdateJob::FetchOne(const GlobalBookSource& book)
{
    FetchedBook result;
    std::string reason;
    BookUrl url = ParseBookUrl(Charset::SjisToUtf8(book.url), &reason);
    switch (url.scheme) {
    case BookScheme::Ldap:
    case BookScheme::Ldaps:
        result.status = FetchDirectory(url, book.name, *this, result.contacts);
        break;
    case BookScheme::Http:
    case BookScheme::Https:
        FetchWeb(url, book.name, *this, result);
        break;
    case BookScheme::File:
        FetchFile(url, *this, result);
        break;
    default:
        result.status = FetchStatus::Failure(UnreadableUrl(Utf8ToSjis(UrlWithoutPassword(Charset::SjisToUtf8(book.url))), reason));
        break;
    }
    if (!result.status.IsOk()) {
        result.contacts = ContactList();
        result.addressFile.clear();
    }
    return result;
}

// Posts one message for any number of news until the window has read them.
void CUpdateJob::Notify()
{
    {
        std::lock_guard<std::mutex> hold(m_Lock);
        if (m_bNotified)
            return;
        m_bNotified = true;
    }
    PostMessageW(m_hWindow, m_nMessage, 0, 0);
}

void CUpdateJob::Cancel()
{
    SetEvent(m_hCancel);
}

bool CUpdateJob::IsCancelled()
{
    return WaitForSingleObject(m_hCancel, 0) == WAIT_OBJECT_0;
}

UpdateProgress CUpdateJob::Progress()
{
    std::lock_guard<std::mutex> hold(m_Lock);
    m_bNotified = false;
    UpdateProgress progress = m_Progress;
    // The end counts only once every result has been taken.
    progress.finished = progress.finished && m_Results.empty();
    return progress;
}

bool CUpdateJob::TakeResult(size_t& index, FetchedBook& result)
{
    std::lock_guard<std::mutex> hold(m_Lock);
    m_bNotified = false;
    if (m_Results.empty())
        return false;
    index = m_Results.front().first;
    result = std::move(m_Results.front().second);
    m_Results.pop_front();
    return true;
}

// The counts change with every entry; the window hears of them a few times a second, which
// is all a person can read, so the messages and redraws cost the fetch next to nothing.
void CUpdateJob::ReportProgress(size_t entries, size_t bytes)
{
    {
        std::lock_guard<std::mutex> hold(m_Lock);
        m_Progress.entries = entries;
        m_Progress.bytes = bytes;
    }
    DWORD now = GetTickCount();
    if (now - m_nLastProgress < kProgressEveryMs)
        return;
    m_nLastProgress = now;
    Notify();
}

bool CUpdateJob::TakeQuestion(CredentialRequest& request)
{
    std::lock_guard<std::mutex> hold(m_Lock);
    m_bNotified = false;
    if (!m_bQuestion)
        return false;
    m_bQuestion = false;
    request = m_Question;
    return true;
}

void CUpdateJob::Answer(bool given, const Credentials& answer, bool save)
{
    {
        std::lock_guard<std::mutex> hold(m_Lock);
        m_bGiven = given;
        m_bSave = save;
        m_Answer = answer;
    }
    SetEvent(m_hAnswered);
}

bool CUpdateJob::AskCredentials(const CredentialRequest& request, Credentials& answer, bool& save)
{
    {
        std::lock_guard<std::mutex> hold(m_Lock);
        m_Question = request;
        m_bQuestion = true;
    }
    Notify();
    HANDLE waits[] = {m_hAnswered, m_hCancel};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
        return false;
    std::lock_guard<std::mutex> hold(m_Lock);
    answer = m_Answer;
    m_Answer.Clear();
    save = m_bSave;
    return m_bGiven;
}
