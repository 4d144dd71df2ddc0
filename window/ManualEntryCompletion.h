// CManualEntryCompletion: completion of recipients in the manual entry (edit 1006) of the
// address book window. After each change of the text it looks up the part being typed in
// every book (CRecipientIndex) and, for a global book on an LDAP or CardDAV server, on the
// server itself once typing pauses; the matches drop down under the field. Down and Up
// choose, Enter or Tab take, Escape closes; a taken match replaces the part being typed
// with what a pick from the tree gives, followed by ",". With the list closed every key
// does what it did before. The window forwards the field's changes and its own moves.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include <vector>
#include "remote/LiveSearchJob.h"
#include "store/PickCounts.h"
#include "store/RecipientIndex.h"
#include "window/CompletionPopup.h"

class CManualEntryCompletion {
public:
    static const size_t kMaxRows = 10;
    static const UINT_PTR kSearchTimer = 1;   // the pause before a server is asked
    static const UINT kSearchPauseMs = 250;
    static const UINT_PTR kSearchTimeout = 2;  // a server that has not answered by then
    static const UINT kSearchTimeoutMs = 5000;
    static const UINT kSearchNews = WM_APP + 1;

    explicit CManualEntryCompletion(CAddrBook& store);
    ~CManualEntryCompletion();

    // Starts on the window's field: builds the index and reads the pick counts.
    void Attach(HWND window, HWND field);
    // The window closes: the pick counts are written, the searches cancelled.
    void Detach();

    void OnTextChanged();
    void Close();
    bool IsOpen() const { return m_Popup.IsOpen(); }
    const CCompletionPopup& Popup() const { return m_Popup; }
    CRecipientIndex& Index() { return m_Index; }

private:
    struct Search {
        std::shared_ptr<CLiveSearchJob> job;
        std::string book;
        std::string url;
        std::string pending;  // text to ask for once the running search has ended
        std::string forText;  // the text this search is shown for
        bool timedOut = false;
        bool answered = false;
        LiveSearchAnswer answer;
    };

    CAddrBook& m_Store;
    CPickCounts m_Picks;
    CRecipientIndex m_Index;
    CCompletionPopup m_Popup;
    HWND m_hWindow = nullptr;
    HWND m_hField = nullptr;
    bool m_bSwallowChar = false;   // the key was taken: its WM_CHAR goes too
    bool m_bDismissed = false;     // Escape closed the list: answers do not open it again
    std::string m_strTyped;        // the part being typed, as last looked up
    std::vector<CompletionRow> m_LocalRows;
    std::vector<CompletionRow> m_RemoteRows;
    std::vector<Search> m_Searches;
    std::string m_strPickPath;

    void Lookup(bool open);
    void ShowRows();
    void Take(int row);
    void StartSearches();
    void OnSearchNews();
    void OnSearchTimeout();
    std::vector<CompletionRow> RemoteRows() const;
    bool WantsServer(const std::string& typed) const;
    RECT FieldRect() const;
    void LoadPicks();
    void SavePicks();

    LRESULT OnFieldMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    static LRESULT CALLBACK FieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
};
