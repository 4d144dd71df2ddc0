#include "framework/MessageHook.h"

CMessageHook* CMessageHook::s_pInnermost = nullptr;
HHOOK CMessageHook::s_hHook = nullptr;

BOOL CMessageHook::Install(Handler handler)
{
    if (m_bInstalled)
        return TRUE;
    if (!s_hHook) {
        s_hHook = SetWindowsHookExA(WH_GETMESSAGE, GetMessageProc, nullptr, GetCurrentThreadId());
        if (!s_hHook)
            return FALSE;
    }
    m_fnHandler = std::move(handler);
    m_pOuter = s_pInnermost;
    s_pInnermost = this;
    m_bInstalled = true;
    return TRUE;
}

// Installs end in the reverse order, as the modal loops that hold them do.
void CMessageHook::Remove()
{
    if (!m_bInstalled)
        return;
    if (s_pInnermost == this)
        s_pInnermost = m_pOuter;
    m_bInstalled = false;
    m_pOuter = nullptr;
    if (!s_pInnermost && s_hHook) {
        UnhookWindowsHookEx(s_hHook);
        s_hHook = nullptr;
    }
}

LRESULT CALLBACK CMessageHook::GetMessageProc(int code, WPARAM wParam, LPARAM lParam)
{
    // Only a message that leaves the queue is handled: a peek without removing would see
    // the same key again.
    if (code == HC_ACTION && wParam == PM_REMOVE && s_pInnermost) {
        MSG* message = reinterpret_cast<MSG*>(lParam);
        try {
            if (s_pInnermost->m_fnHandler(*message)) {
                message->message = WM_NULL;
                message->wParam = 0;
                message->lParam = 0;
            }
        } catch (...) {
            // Nothing may unwind into the host's message loop.
        }
    }
    return CallNextHookEx(s_hHook, code, wParam, lParam);
}
