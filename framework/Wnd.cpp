#include "framework/Wnd.h"
#include "framework/WinApp.h"

#include <unordered_map>

namespace {

// The objects of the subclassed windows, by handle. A table of our own, not a window
// property: under Wine every property lookup is a call to the server, and the tree gets a
// message for each of the items of a large store.
std::unordered_map<HWND, CWnd*>& SubclassedWindows()
{
    static std::unordered_map<HWND, CWnd*> windows;
    return windows;
}

}  // namespace

CWnd::~CWnd()
{
    UnsubclassWindow();
}

std::string CWnd::GetDlgItemText(int id) const
{
    HWND item = GetDlgItem(id);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(static_cast<size_t>(::GetDlgItemTextA(m_hWnd, id, &text[0], static_cast<int>(text.size()))));
    return text;
}

std::string CWnd::GetWindowText() const
{
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(m_hWnd)) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(m_hWnd, &text[0], static_cast<int>(text.size()))));
    return text;
}

RECT CWnd::GetWindowRect() const
{
    RECT rect = {};
    ::GetWindowRect(m_hWnd, &rect);
    return rect;
}

RECT CWnd::GetClientRect() const
{
    RECT rect = {};
    ::GetClientRect(m_hWnd, &rect);
    return rect;
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) const
{
    return AppMessageBox(m_hWnd, text, caption, type);
}

BOOL CWnd::SubclassWindow(HWND window)
{
    if (!window || m_pfnPrevProc)
        return FALSE;
    m_hWnd = window;
    SubclassedWindows()[window] = this;
    m_pfnPrevProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    return TRUE;
}

// Puts the replaced procedure back, unless another subclass was put on top of ours since.
void CWnd::UnsubclassWindow()
{
    if (!m_pfnPrevProc)
        return;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC)) == SubclassProc)
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnPrevProc));
    SubclassedWindows().erase(m_hWnd);
    m_pfnPrevProc = nullptr;
}

CWnd* CWnd::FromHandle(HWND window)
{
    auto found = SubclassedWindows().find(window);
    return found != SubclassedWindows().end() ? found->second : nullptr;
}

BOOL CWnd::OnReflectedNotify(NMHDR*, LRESULT*)
{
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Default(message, wParam, lParam);
}

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(m_pfnPrevProc, m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* self = FromHandle(window);
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window goes away: unhook first, then let the control finish.
        WNDPROC previous = self->m_pfnPrevProc;
        self->UnsubclassWindow();
        LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
        self->m_hWnd = nullptr;
        return result;
    }
    try {
        return self->WindowProc(message, wParam, lParam);
    } catch (...) {
        return self->Default(message, wParam, lParam);
    }
}
