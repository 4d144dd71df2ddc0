// CCompletionPopup, the drop-down list of the manual entry's completion: a borderless
// pop-up window owned by the address book window, holding a list view of up to ten rows
// ("名前 <address>" and the book they come from) and notes (a directory that does not
// answer). It never takes the activation or the focus: the user goes on typing in the
// field, and a click on a row is reported to the owner instead of handled by the list.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

struct CompletionRow {
    std::string text;     // "名前 <address>" as the list shows it
    std::string where;    // the book, and the folder
    std::string pick;     // what taking the row puts into the field
    std::string pickKey;  // the row's key in the pick counts; "" for none
    bool note = false;    // a note, which cannot be chosen
};

class CCompletionPopup {
public:
    // Messages and timers of the completion come to the pop-up's handler.
    using Handler = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;

    CCompletionPopup() = default;
    ~CCompletionPopup();
    CCompletionPopup(const CCompletionPopup&) = delete;
    CCompletionPopup& operator=(const CCompletionPopup&) = delete;

    // Creates the hidden pop-up; click is called with the row clicked, handler with the
    // pop-up's messages at WM_APP and above and its timers.
    bool Create(HWND owner, std::function<void(int)> click, Handler handler);
    void Destroy();

    // Shows rows under the screen rectangle anchor (the field), the chosen row first of
    // none (-1). An empty list hides the pop-up. The list's rows are kept and only the
    // cells whose text changed are set again (and painted), and the pop-up is moved only
    // when its place or size changed, so that typing repaints what it changed.
    void Show(const std::vector<CompletionRow>& rows, const RECT& anchor);
    void Hide();
    bool IsOpen() const { return m_bOpen; }
    HWND Handle() const { return m_hWnd; }
    HWND List() const { return m_hList; }

    const std::vector<CompletionRow>& Rows() const { return m_Rows; }
    int Chosen() const { return m_nChosen; }
    // Moves the choice by step rows, skipping notes and stopping at either end; from no
    // choice, down takes the first row.
    void MoveChoice(int step);
    void Choose(int row);

private:
    HWND m_hWnd = nullptr;
    HWND m_hList = nullptr;
    bool m_bOpen = false;
    std::vector<CompletionRow> m_Rows;
    int m_nChosen = -1;
    int m_nSelected = -1;    // the row the list view holds selected (kept while hidden)
    std::function<void(int)> m_fnClick;
    Handler m_fnHandler;
    RECT m_Place = {};       // where the pop-up stands, on the screen
    int m_nRowHeight = 0;    // of the list's rows, once it held one

    void Fill(const std::vector<CompletionRow>& rows);
    void SetCell(int row, int column, const std::string& text);
    static LRESULT CALLBACK PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
    static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
};
