#include "framework/Dialog.h"
#include "framework/WinApp.h"

CDialog::CDialog(UINT templateId, HWND owner) : m_nTemplateId(templateId), m_hOwner(owner) {}

INT_PTR CDialog::DoModal()
{
    HWND owner = m_hOwner ? m_hOwner : GetActiveWindow();
    HINSTANCE module = CWinApp::Current() ? CWinApp::Current()->m_hInstance : nullptr;
    return DialogBoxParamA(module, MAKEINTRESOURCEA(m_nTemplateId), owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::CreateModeless(HWND owner)
{
    HINSTANCE module = CWinApp::Current() ? CWinApp::Current()->m_hInstance : nullptr;
    return CreateDialogParamA(module, MAKEINTRESOURCEA(m_nTemplateId), owner, DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result)
{
    ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialog()
{
    BindControls();
    return TRUE;
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM)
{
    UINT id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (id == IDOK && code == 0) {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL && code == 0) {
        OnCancel();
        return TRUE;
    }
    return OnCmdMsg(id, code);
}

BOOL CDialog::OnCmdMsg(UINT, UINT)
{
    return FALSE;
}

BOOL CDialog::OnNotify(WPARAM, LPARAM lParam, LRESULT* result)
{
    NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
    CWnd* control = CWnd::FromHandle(header->hwndFrom);
    return control ? control->OnReflectedNotify(header, result) : FALSE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

INT_PTR CDialog::OnMessage(UINT, WPARAM, LPARAM, bool&)
{
    return 0;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(wParam, lParam);
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (!OnNotify(wParam, lParam, &result))
            return FALSE;
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    default: {
        bool handled = false;
        INT_PTR result = OnMessage(message, wParam, lParam, handled);
        return handled ? result : FALSE;
    }
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = window;
        SetWindowLongPtrA(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self)
        return FALSE;
    // Nothing thrown in a handler may unwind into the host's message loop.
    try {
        INT_PTR result = self->Dispatch(message, wParam, lParam);
        if (message == WM_NCDESTROY)
            self->m_hWnd = nullptr;
        return result;
    } catch (...) {
        return FALSE;
    }
}
