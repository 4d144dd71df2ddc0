#include "dialogs/UpdateProgressDlg.h"
#include <string>
#include "resources/resource.h"

CUpdateProgressDlg::CUpdateProgressDlg(HWND owner, const std::vector<GlobalBookSource>& books, const Apply& apply)
    : CDialog(IDD_UPDATE_PROGRESS, owner), m_Books(books), m_Apply(apply)
{
}

CUpdateProgressDlg::~CUpdateProgressDlg()
{
    // A worker still running (after a cancel) finishes on its own and drops its results.
    if (m_pJob)
        m_pJob->Cancel();
}

BOOL CUpdateProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ShowProgress(UpdateProgress());
    m_pJob = CUpdateJob::Start(m_Books, m_hWnd, kNewsMessage);
    if (!m_pJob) {
        m_bEnded = true;
        EndDialog(IDABORT);
    }
    return TRUE;
}

void CUpdateProgressDlg::OnOK()
{
    // Enter does not end the update.
}

void CUpdateProgressDlg::OnCancel()
{
    if (m_pJob)
        m_pJob->Cancel();
    m_bEnded = true;
    EndDialog(IDCANCEL);
}

INT_PTR CUpdateProgressDlg::OnMessage(UINT message, WPARAM, LPARAM, bool& handled)
{
    if (message != kNewsMessage)
        return 0;
    handled = true;
    OnNews();
    return 0;
}

// Reads everything the worker has to say. The credentials prompt runs a message loop of
// its own, in which more news may arrive: those wait for the loop here.
void CUpdateProgressDlg::OnNews()
{
    if (m_bInNews || m_bEnded || !m_pJob)
        return;
    m_bInNews = true;
    for (;;) {
        CredentialRequest question;
        if (m_pJob->TakeQuestion(question)) {
            Credentials answer;
            bool save = false;
            bool given = PromptForCredentials(m_hWnd, question, answer, save);
            m_pJob->Answer(given, answer, save);
            if (m_bEnded)
                break;
            continue;
        }
        size_t index = 0;
        FetchedBook result;
        if (m_pJob->TakeResult(index, result)) {
            m_Apply(index, result);
            continue;
        }
        UpdateProgress progress = m_pJob->Progress();
        ShowProgress(progress);
        if (progress.finished) {
            m_bEnded = true;
            EndDialog(IDOK);
        }
        break;
    }
    m_bInNews = false;
}

void CUpdateProgressDlg::ShowProgress(const UpdateProgress& progress)
{
    if (m_Books.empty())
        return;
    size_t book = progress.book < m_Books.size() ? progress.book : m_Books.size() - 1;
    std::string title = "「" + m_Books[book].name + "」を読み込んでいます（" + std::to_string(book + 1) + " / " +
                        std::to_string(m_Books.size()) + "）";
    std::string count = std::to_string(progress.entries) + " 件";
    if (progress.entries == 0 && progress.bytes > 0)
        count = std::to_string((progress.bytes + 1023) / 1024) + " KB 受信";
    ::SetDlgItemTextA(m_hWnd, IDC_UPDATE_BOOK, title.c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_UPDATE_COUNT, count.c_str());
}
