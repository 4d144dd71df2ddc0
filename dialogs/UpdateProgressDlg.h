// CUpdateProgressDlg, the small window that shows the update of the global books while it
// runs: which book is being read, how many entries have come so far, and ｷｬﾝｾﾙ. It starts
// the update's worker, answers its credentials questions with the system's prompt and
// hands every finished book to the caller as it comes, on the window's thread. It ends
// with IDOK once every book is done, IDCANCEL when the user cancelled (the books not done
// by then stay as they were), IDABORT when no worker could be started.
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "framework/Dialog.h"
#include "remote/UpdateJob.h"

class CUpdateProgressDlg : public CDialog {
public:
    using Apply = std::function<void(size_t index, FetchedBook& result)>;
    CUpdateProgressDlg(HWND owner, const std::vector<GlobalBookSource>& books, const Apply& apply);
    ~CUpdateProgressDlg() override;

    // The message that the worker posts when it has news.
    static const UINT kNewsMessage = WM_APP + 16;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    std::vector<GlobalBookSource> m_Books;
    Apply m_Apply;
    std::shared_ptr<CUpdateJob> m_pJob;
    bool m_bInNews = false;
    bool m_bEnded = false;

    void OnNews();
    void ShowProgress(const UpdateProgress& progress);
};
