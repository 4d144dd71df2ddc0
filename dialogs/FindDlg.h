// CFindDlg, the address book window's modeless find dialog: the text, where to look
// (名前 / アドレス / 両方), 次を検索 / 前を検索 / 閉じる and a line saying how the last search
// went. It searches nothing itself: its buttons send the window's find commands, and the
// window reads Text() and Scope() and answers with ShowStatus. Closing only hides it, so
// the text stays for F3; it is destroyed with the window.
#pragma once
#include <string>
#include "framework/Dialog.h"
#include "store/NodeSearch.h"

class CFindDlg : public CDialog {
public:
    CFindDlg();
    ~CFindDlg() override;

    // Shows the dialog owned by owner (made the first time, beside it). With activate it
    // takes the focus with its text selected; without, the focus stays where it is.
    BOOL Show(HWND owner, bool activate);
    void Destroy();
    bool IsVisible() const { return m_hWnd && IsWindowVisible(m_hWnd); }
    // Empty until the dialog has been made.
    std::string Text() const;
    FindScope Scope() const;
    void ShowStatus(const char* text);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCmdMsg(UINT id, UINT code) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void PlaceBeside(HWND owner);
    void EnableSearchButtons();
};
