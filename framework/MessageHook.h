// CMessageHook, a WH_GETMESSAGE hook on the current thread. A modal window of the plug-in
// runs inside a message loop it does not own (DialogBoxParam's); the hook lets it see each
// message that loop takes from the queue, for its accelerators and the keys of its modeless
// dialogs, before the loop dispatches it. Installs nest: only the latest one is served.
#pragma once
#include <windows.h>
#include <functional>

class CMessageHook {
public:
    // Returns true when it consumed the message (the loop then gets WM_NULL).
    using Handler = std::function<bool(MSG&)>;

    CMessageHook() = default;
    ~CMessageHook() { Remove(); }
    CMessageHook(const CMessageHook&) = delete;
    CMessageHook& operator=(const CMessageHook&) = delete;

    BOOL Install(Handler handler);
    void Remove();
    bool IsInstalled() const { return m_bInstalled; }

private:
    Handler m_fnHandler;
    bool m_bInstalled = false;
    CMessageHook* m_pOuter = nullptr;  // the install this one covers, served again after it

    static CMessageHook* s_pInnermost;
    static HHOOK s_hHook;
    static LRESULT CALLBACK GetMessageProc(int code, WPARAM wParam, LPARAM lParam);
};
