#include "dialogs/FindDlg.h"
#include "resources/resource.h"

namespace {

const int kScopeButtons[] = {IDC_FIND_NAME, IDC_FIND_ADDRESS, IDC_FIND_BOTH};  // by FindScope

}  // namespace

CFindDlg::CFindDlg() : CDialog(IDD_FIND, nullptr) {}

CFindDlg::~CFindDlg()
{
    Destroy();
}

BOOL CFindDlg::Show(HWND owner, bool activate)
{
    if (!m_hWnd) {
        m_hOwner = owner;
        if (!CreateModeless(owner))
            return FALSE;
        PlaceBeside(owner);
    }
    if (!activate) {
        ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
        return TRUE;
    }
    ShowWindow(m_hWnd, SW_SHOW);
    SetActiveWindow(m_hWnd);
    HWND text = GetDlgItem(IDC_FIND_TEXT);
    SetFocus(text);
    SendMessageA(text, EM_SETSEL, 0, -1);
    return TRUE;
}

void CFindDlg::Destroy()
{
    if (m_hWnd)
        DestroyWindow(m_hWnd);
}

std::string CFindDlg::Text() const
{
    return m_hWnd ? GetDlgItemText(IDC_FIND_TEXT) : std::string();
}

FindScope CFindDlg::Scope() const
{
    for (int scope = FIND_NAME; scope <= FIND_BOTH; ++scope) {
        if (m_hWnd && IsDlgButtonChecked(m_hWnd, kScopeButtons[scope]) == BST_CHECKED)
            return static_cast<FindScope>(scope);
    }
    return FIND_BOTH;
}

void CFindDlg::ShowStatus(const char* text)
{
    SetDlgItemText(IDC_FIND_STATUS, text);
}

BOOL CFindDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckRadioButton(m_hWnd, IDC_FIND_NAME, IDC_FIND_BOTH, IDC_FIND_BOTH);
    EnableSearchButtons();
    return TRUE;
}

// Beside the owner's right edge, level with its client area, so that the tree stays in
// sight; inside that edge when the monitor has no room beside it.
void CFindDlg::PlaceBeside(HWND owner)
{
    RECT frame = {};
    POINT client = {0, 0};
    ::GetWindowRect(owner, &frame);
    ClientToScreen(owner, &client);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT own = GetWindowRect();
    int width = own.right - own.left;
    int x = frame.right + width <= monitor.rcWork.right ? frame.right : frame.right - width;
    SetWindowPos(m_hWnd, nullptr, x, client.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(m_hWnd, DM_REPOSITION, 0, 0);
}

// Nothing to look for, nothing to press: the buttons wait for a text.
void CFindDlg::EnableSearchButtons()
{
    BOOL any = GetWindowTextLengthA(GetDlgItem(IDC_FIND_TEXT)) > 0;
    EnableWindow(GetDlgItem(IDC_FIND_NEXT_BUTTON), any);
    EnableWindow(GetDlgItem(IDC_FIND_PREV_BUTTON), any);
}

BOOL CFindDlg::OnCmdMsg(UINT id, UINT code)
{
    if (id == IDC_FIND_TEXT && code == EN_CHANGE) {
        EnableSearchButtons();
        ShowStatus("");
        return TRUE;
    }
    if (code != BN_CLICKED || (id != IDC_FIND_NEXT_BUTTON && id != IDC_FIND_PREV_BUTTON))
        return FALSE;
    SendMessageA(m_hOwner, WM_COMMAND, id == IDC_FIND_NEXT_BUTTON ? ID_FIND_NEXT : ID_FIND_PREV, 0);
    return TRUE;
}

// Enter with an empty text (the default button is off then): nothing.
void CFindDlg::OnOK() {}

// 閉じる, Esc and the close box hide the dialog and give the window back its focus.
void CFindDlg::OnCancel()
{
    ShowWindow(m_hWnd, SW_HIDE);
    if (m_hOwner)
        SetActiveWindow(m_hOwner);
}
