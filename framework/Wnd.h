// CWnd, a non-owning handle to a window with the few operations the plug-in's windows
// share. Windows that the framework subclasses can be found again from their handle, so
// that a dialog can hand notifications back to the control object that sent them.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return PostMessageA(m_hWnd, message, wParam, lParam);
    }

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetDlgItemText(int id, const char* text) const { ::SetDlgItemTextA(m_hWnd, id, text); }
    std::string GetDlgItemText(int id) const;
    std::string GetWindowText() const;
    RECT GetWindowRect() const;
    RECT GetClientRect() const;
    void Invalidate(BOOL erase = TRUE) const { InvalidateRect(m_hWnd, nullptr, erase); }

    // A message box owned by this window; without a caption it shows the application's name.
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK) const;

    // Subclasses an existing window (a control of a dialog) so that WindowProc sees its
    // messages and the dialog reflects its notifications here.
    BOOL SubclassWindow(HWND window);
    void UnsubclassWindow();
    static CWnd* FromHandle(HWND window);

    // A notification this window sent to its parent, handed back to it. Returns TRUE when
    // handled, with the notification's result in *result.
    virtual BOOL OnReflectedNotify(NMHDR* header, LRESULT* result);

protected:
    // Messages of a subclassed window; the default passes them on.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    WNDPROC m_pfnPrevProc = nullptr;  // the window procedure this object's subclass replaced
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
