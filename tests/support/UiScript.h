// Drives real windows from inside their own modal loops. The test body runs on a fiber;
// a thread timer, which fires in every message loop (dialogs and message boxes included),
// switches to it, and the body switches back whenever it lets the loop run. So a test
// reads as straight-line code: open, click, read, answer the box, check.
//
// Actions that may open a modal loop (clicks, commands) must be posted, not sent.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class CUiScript {
public:
    using Body = std::function<void(CUiScript&)>;

    // Runs modal (which enters a modal loop, e.g. a dialog's DoModal) with body driving it,
    // and returns modal's result once both have ended.
    static INT_PTR Run(const std::function<INT_PTR()>& modal, const Body& body);

    // Lets the message loop run for a few timer ticks.
    void Pump(int ticks = 2);
    // Lets the loop run until ready() holds; false after timeoutMs.
    bool WaitFor(const std::function<bool()>& ready, int timeoutMs = 5000);

    // A visible top-level window of this thread whose class is className (and whose
    // caption is caption, when given); waits for it up to timeoutMs.
    HWND WaitForWindow(const char* className, const char* caption = nullptr, int timeoutMs = 5000);
    // A visible top-level window of this thread that match accepts; waits up to timeoutMs.
    HWND WaitForWindowWhere(const std::function<bool(HWND)>& match, int timeoutMs = 5000);

    // Posts a click of a dialog's button.
    static void Click(HWND dialog, int id);
    static std::string Text(HWND window);
    static std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }
    // The texts of a list view's entries, top to bottom.
    static std::vector<std::string> ListTexts(HWND list);

private:
    const Body* m_pBody = nullptr;
    LPVOID m_pMainFiber = nullptr;
    LPVOID m_pBodyFiber = nullptr;
    bool m_bDone = false;
    bool m_bInBody = false;

    static CUiScript* s_pCurrent;
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    static void CALLBACK FiberMain(LPVOID script);
};
