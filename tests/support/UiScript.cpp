#include "UiScript.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <vector>

CUiScript* CUiScript::s_pCurrent = nullptr;

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

}  // namespace

INT_PTR CUiScript::Run(const std::function<INT_PTR()>& modal, const Body& body)
{
    CUiScript script;
    script.m_pBody = &body;
    script.m_pMainFiber = ConvertThreadToFiber(nullptr);
    script.m_pBodyFiber = CreateFiber(0, FiberMain, &script);
    CUiScript* previous = s_pCurrent;
    s_pCurrent = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, OnTimer);

    INT_PTR result = modal();
    // The body may still be checking what followed the modal loop.
    MSG msg;
    while (!script.m_bDone && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    KillTimer(nullptr, timer);
    s_pCurrent = previous;
    DeleteFiber(script.m_pBodyFiber);
    ConvertFiberToThread();
    return result;
}

void CALLBACK CUiScript::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    CUiScript* script = s_pCurrent;
    if (!script || script->m_bDone || script->m_bInBody)
        return;
    script->m_bInBody = true;
    SwitchToFiber(script->m_pBodyFiber);
    script->m_bInBody = false;
}

void CALLBACK CUiScript::FiberMain(LPVOID param)
{
    CUiScript* script = static_cast<CUiScript*>(param);
    try {
        (*script->m_pBody)(*script);
    } catch (...) {
        ADD_FAILURE() << "the test body threw";
    }
    script->m_bDone = true;
    for (;;)
        SwitchToFiber(script->m_pMainFiber);
}

void CUiScript::Pump(int ticks)
{
    for (int i = 0; i < ticks; ++i)
        SwitchToFiber(m_pMainFiber);
}

bool CUiScript::WaitFor(const std::function<bool()>& ready, int timeoutMs)
{
    DWORD start = GetTickCount();
    while (!ready()) {
        if (static_cast<int>(GetTickCount() - start) > timeoutMs)
            return false;
        Pump(1);
    }
    return true;
}

HWND CUiScript::WaitForWindow(const char* className, const char* caption, int timeoutMs)
{
    return WaitForWindowWhere(
        [&](HWND window) {
            char name[64] = "";
            GetClassNameA(window, name, sizeof name);
            return std::string(name) == className && (!caption || Text(window) == caption);
        },
        timeoutMs);
}

HWND CUiScript::WaitForWindowWhere(const std::function<bool(HWND)>& match, int timeoutMs)
{
    HWND found = nullptr;
    WaitFor(
        [&] {
            std::vector<HWND> windows;
            EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
            for (HWND window : windows) {
                if (IsWindowVisible(window) && match(window)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

void CUiScript::Click(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string CUiScript::Text(HWND window)
{
    char text[4096] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::vector<std::string> CUiScript::ListTexts(HWND list)
{
    std::vector<std::string> texts;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[1024] = "";
        LVITEMA item = {};
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        texts.push_back(text);
    }
    return texts;
}
