#include "framework/Wnd.h"
#include "framework/WinApp.h"

namespace {
const char kObjectProperty[] = "Velmora.CWnd";
const UINT_PTR kSubclassId = 0x56454C4D;  // one subclass of ours per window
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
    if (!window || !SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return FALSE;
    m_hWnd = window;
    m_bSubclassed = true;
    SetPropA(window, kObjectProperty, this);
    return TRUE;
}

void CWnd::UnsubclassWindow()
{
    if (!m_bSubclassed)
        return;
    RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
    RemovePropA(m_hWnd, kObjectProperty);
    m_bSubclassed = false;
}

CWnd* CWnd::FromHandle(HWND window)
{
    return static_cast<CWnd*>(GetPropA(window, kObjectProperty));
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
    return DefSubclassProc(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR, DWORD_PTR data)
{
    CWnd* self = reinterpret_cast<CWnd*>(data);
    if (message == WM_NCDESTROY) {
        // The window goes away: unhook first, then let the control finish.
        self->UnsubclassWindow();
        LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        self->m_hWnd = nullptr;
        return result;
    }
    try {
        return self->WindowProc(message, wParam, lParam);
    } catch (...) {
        return DefSubclassProc(window, message, wParam, lParam);
    }
}
