#include "remote/LiveSearchJob.h"
#include "remote/BookUrl.h"
#include "remote/CardDavSearch.h"
#include "remote/DirectorySearch.h"
#include "remote/WideText.h"
#include "text/Charset.h"

CLiveSearchJob::CLiveSearchJob(const std::string& bookName, const std::string& url, const std::string& typed,
                               size_t limit, HWND window, UINT message)
    : m_strBook(bookName), m_strUrl(url), m_strTyped(typed), m_nLimit(limit), m_hWindow(window), m_nMessage(message),
      m_hCancel(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

CLiveSearchJob::~CLiveSearchJob()
{
    if (m_hCancel)
        CloseHandle(m_hCancel);
}

std::shared_ptr<CLiveSearchJob> CLiveSearchJob::Start(const std::string& bookName, const std::string& url,
                                                      const std::string& typed, size_t limit, HWND window,
                                                      UINT message)
{
    std::shared_ptr<CLiveSearchJob> job(new CLiveSearchJob(bookName, url, typed, limit, window, message));
    if (!job->m_hCancel)
        return nullptr;
    auto* holder = new std::shared_ptr<CLiveSearchJob>(job);
    HANDLE thread = CreateThread(nullptr, 0, ThreadMain, holder, 0, nullptr);
    if (!thread) {
        delete holder;
        return nullptr;
    }
    CloseHandle(thread);
    return job;
}

// The worker keeps the module that holds its code loaded until it has ended.
DWORD WINAPI CLiveSearchJob::ThreadMain(LPVOID holder)
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&CLiveSearchJob::ThreadMain),
                       &module);
    {
        std::unique_ptr<std::shared_ptr<CLiveSearchJob>> job(static_cast<std::shared_ptr<CLiveSearchJob>*>(holder));
        try {
            (*job)->Run();
        } catch (...) {
            std::lock_guard<std::mutex> hold((*job)->m_Lock);
            (*job)->m_Answer.kind = LiveSearchAnswer::Failed;
            (*job)->m_Answer.note = "検索できませんでした";
        }
        PostMessageW((*job)->m_hWindow, (*job)->m_nMessage, 0, 0);
    }
    if (module)
        FreeLibraryAndExitThread(module, 0);
    return 0;
}

void CLiveSearchJob::Run()
{
    LiveSearchAnswer answer;
    BookUrl url = ParseBookUrl(Charset::SjisToUtf8(m_strUrl));
    std::string typed = Charset::SjisToUtf8(m_strTyped);
    std::vector<Contact> found;
    FetchStatus status;
    if (url.IsDirectory())
        status = SearchDirectory(url, m_strBook, typed, m_nLimit, *this, found);
    else if (url.IsWeb())
        status = SearchCardDav(url, m_strBook, typed, m_nLimit, *this, found);
    if (status.kind == FetchStatus::Cancelled || IsCancelled()) {
        answer.kind = LiveSearchAnswer::Cancelled;
    } else if (!status.IsOk()) {
        answer.kind = LiveSearchAnswer::Failed;
        answer.note = m_bWantedPassword ? "パスワードが保存されていません（ブック更新で入力できます）" : status.cause;
    } else {
        answer.kind = LiveSearchAnswer::Found;
        for (const Contact& contact : found) {
            for (const std::string& address : contact.addresses) {
                if (answer.hits.size() < m_nLimit)
                    answer.hits.push_back({Utf8ToSjis(contact.name), Utf8ToSjis(address),
                                           contact.folders.empty() ? std::string() : Utf8ToSjis(contact.folders.back())});
            }
        }
    }
    std::lock_guard<std::mutex> hold(m_Lock);
    m_Answer = std::move(answer);
}

void CLiveSearchJob::Cancel()
{
    SetEvent(m_hCancel);
}

bool CLiveSearchJob::IsCancelled()
{
    return WaitForSingleObject(m_hCancel, 0) == WAIT_OBJECT_0;
}

bool CLiveSearchJob::IsDone()
{
    std::lock_guard<std::mutex> hold(m_Lock);
    return m_Answer.kind != LiveSearchAnswer::Running;
}

LiveSearchAnswer CLiveSearchJob::Take()
{
    std::lock_guard<std::mutex> hold(m_Lock);
    LiveSearchAnswer answer = m_Answer;
    return answer;
}

// A search while typing never prompts: the user is told in the list instead.
bool CLiveSearchJob::AskCredentials(const CredentialRequest&, Credentials&, bool&)
{
    m_bWantedPassword = true;
    return false;
}
