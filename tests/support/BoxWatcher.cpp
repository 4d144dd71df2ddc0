#include "BoxWatcher.h"

CBoxWatcher* CBoxWatcher::s_pCurrent = nullptr;

namespace {

const int kTextId = 0xFFFF;
const int kIconId = 1088;

std::string WindowText(HWND window)
{
    char text[4096] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string IconName(HWND box)
{
    HWND control = GetDlgItem(box, kIconId);
    if (!control || !IsWindowVisible(control))
        return "";
    HICON icon = reinterpret_cast<HICON>(SendMessageA(control, STM_GETICON, 0, 0));
    if (!icon)
        return "";
    struct Known {
        LPCSTR id;
        const char* name;
    } known[] = {{IDI_HAND, "error"}, {IDI_EXCLAMATION, "warning"},
                 {IDI_ASTERISK, "information"}, {IDI_QUESTION, "question"}};
    for (const Known& k : known) {
        if (LoadIconA(nullptr, k.id) == icon)
            return k.name;
    }
    return "other";
}

std::string ButtonNames(HWND box)
{
    struct Button {
        int id;
        const char* name;
    } buttons[] = {{IDOK, "OK"}, {IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"},
                   {IDABORT, "Abort"}, {IDRETRY, "Retry"}, {IDIGNORE, "Ignore"}};
    std::string names;
    for (const Button& b : buttons) {
        HWND control = GetDlgItem(box, b.id);
        if (control && IsWindowVisible(control))
            names += (names.empty() ? "" : ",") + std::string(b.name);
    }
    return names;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

}  // namespace

CBoxWatcher::CBoxWatcher(int answerWith) : answer(answerWith)
{
    s_pCurrent = this;
    m_timer = SetTimer(nullptr, 0, 20, OnTimer);
}

CBoxWatcher::~CBoxWatcher()
{
    KillTimer(nullptr, m_timer);
    s_pCurrent = nullptr;
}

bool CBoxWatcher::IsMessageBox(HWND window)
{
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    return std::string(className) == "#32770" && GetDlgItem(window, kTextId) != nullptr;
}

SeenBox CBoxWatcher::Describe(HWND box)
{
    SeenBox seen;
    seen.caption = WindowText(box);
    seen.text = WindowText(GetDlgItem(box, kTextId));
    seen.owner = GetWindow(box, GW_OWNER);
    seen.icon = IconName(box);
    seen.buttons = ButtonNames(box);
    return seen;
}

void CBoxWatcher::Poll()
{
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        if (!IsWindowVisible(window) || !IsMessageBox(window))
            continue;
        // A mark on the window itself: handles of closed boxes come back for new ones.
        if (GetPropA(window, "VelmoraAnswered"))
            continue;
        SetPropA(window, "VelmoraAnswered", reinterpret_cast<HANDLE>(1));
        boxes.push_back(Describe(window));
        if (onBox)
            onBox(boxes.back());
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    }
}

void CALLBACK CBoxWatcher::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (s_pCurrent)
        s_pCurrent->Poll();
}
