// CComposeWindow: what the commands of the editing screen do, its context menus, the
// address book event and the timers of the command-line options.
#include "edmax/ComposeWindow.h"

#include <algorithm>
#include <commctrl.h>
#include <vector>
#include "edmax/AddressText.h"
#include "edmax/CommandIds.h"
#include "edmax/EdaApi.h"
#include "edmax/EditPointer.h"
#include "edmax/MenuFactory.h"
#include "edmax/Plugin.h"
#include "edmax/TempIdTable.h"

namespace {

const UINT_PTR TIMER_OPEN_BOOK = 1;
const UINT_PTR TIMER_QUIT = 2;
const UINT_PTR TIMER_SCENE = 3;
const UINT kSceneTickMs = 100;
const UINT kQuitRetryMs = 200;
const int kQuitMaxTries = 50;  // 10 seconds of dialogs that will not close

const char kCaption[] = "EdMax";

const char* const kFieldNames[] = {"宛先", "CC", "BCC", "ReplyTo"};

struct ThreadWindowSearch {
    HWND hMain;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectThreadWindow(HWND hWnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<ThreadWindowSearch*>(lParam);
    if (hWnd != pSearch->hMain && IsWindowVisible(hWnd))
        pSearch->found.push_back(hWnd);
    return TRUE;
}

// The visible top-level windows of this thread other than hMain: the plug-in's dialogs and
// message boxes.
std::vector<HWND> OtherThreadWindows(HWND hMain)
{
    ThreadWindowSearch search{hMain, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectThreadWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Clipboard text with "> " in front of every line, lines ending in CR LF as the body wants.
std::string QuotedClipboardText(HWND hOwner)
{
    if (!OpenClipboard(hOwner))
        return std::string();
    std::string text;
    if (HANDLE hData = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(hData))) {
            text = p;
            GlobalUnlock(hData);
        }
    }
    CloseClipboard();

    std::string quoted;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t lineFeed = text.find('\n', begin);
        size_t end = lineFeed == std::string::npos ? text.size() : lineFeed;
        size_t next = lineFeed == std::string::npos ? text.size() : lineFeed + 1;
        if (end > begin && text[end - 1] == '\r')
            --end;
        quoted += "> " + text.substr(begin, end - begin);
        if (lineFeed != std::string::npos)
            quoted += "\r\n";
        begin = next;
    }
    return quoted;
}

bool SetClipboardText(HWND hOwner, const std::string& text)
{
    if (!OpenClipboard(hOwner))
        return false;
    EmptyClipboard();
    bool done = false;
    if (HGLOBAL hData = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        if (char* p = static_cast<char*>(GlobalLock(hData))) {
            std::copy(text.c_str(), text.c_str() + text.size() + 1, p);
            GlobalUnlock(hData);
            done = SetClipboardData(CF_TEXT, hData) != NULL;
        }
        if (!done)
            GlobalFree(hData);
    }
    CloseClipboard();
    return done;
}

void AppendLine(std::string* pText, const char* label, const char* value)
{
    if (value[0])
        *pText += std::string(label) + value + "\n";
}

}  // namespace

void CComposeWindow::OnCommand(UINT id)
{
    int nCommand = 0;
    if (m_tempIds.Lookup(id, &nCommand)) {
        RunPluginCommand(nCommand);
        return;
    }
    switch (id) {
    case IDM_FILE_NEW:
        NewMessage();
        break;
    case IDM_FILE_EXIT:
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        break;
    case IDM_EDIT_UNDO:
    case IDM_EDIT_CUT:
    case IDM_EDIT_COPY:
    case IDM_EDIT_PASTE:
    case IDM_EDIT_DELETE:
    case IDM_EDIT_SELECT_ALL:
        EditCommand(id);
        break;
    case IDM_EDIT_PASTE_QUOTED:
        PasteQuoted();
        break;
    case IDM_BOOK_BROWSE:
    case IDM_BOOK_TO:
    case IDM_BOOK_CC:
    case IDM_BOOK_BCC:
    case IDM_BOOK_REPLY_TO:
        OpenAddressBook(static_cast<int>(id - IDM_BOOK_BROWSE));
        break;
    case IDM_VIEW_TOOLBAR:
        ToggleBar(m_hToolbar, &m_bToolbarShown);
        break;
    case IDM_VIEW_STATUSBAR:
        ToggleBar(m_hStatus, &m_bStatusShown);
        break;
    case IDM_HELP_PLUGIN:
        ShowPluginInfo();
        break;
    case IDM_HELP_ABOUT:
        ShowAbout();
        break;
    case IDM_ADDR_ADD_TO:
        AddPointedTo(FIELD_TO);
        break;
    case IDM_ADDR_ADD_CC:
        AddPointedTo(FIELD_CC);
        break;
    case IDM_ADDR_ADD_BCC:
        AddPointedTo(FIELD_BCC);
        break;
    case IDM_ADDR_COPY:
        CopyPointed();
        break;
    default:
        break;
    }
}

void CComposeWindow::OpenAddressBook(int mode)
{
    if (!m_plugin.IsLoaded()) {
        MessageBoxA(m_hWnd, "アドレス帳プラグイン (velmora.dll) が読み込まれていません。",
                    kCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (m_plugin.IsBusy()) {
        MessageBeep(MB_ICONWARNING);  // its address book is already open
        return;
    }
    m_plugin.RaiseEvent(EDH_EVENT_ADDRESS_BOOK, mode, nullptr);
}

void CComposeWindow::RunPluginCommand(int nCommand)
{
    if (m_plugin.IsBusy()) {
        MessageBeep(MB_ICONWARNING);
        return;
    }
    m_plugin.RunCommand(nCommand);
}

// The right-click menu of the body: the address menu (kind 11) when the pointer is on a mail
// address, the body menu (kind 9) otherwise. Both are built afresh and the plug-in changes
// them before they show. The address stays readable through EDA_GetPointedMailAdr until the
// chosen command has run.
void CComposeWindow::OnBodyContextMenu(POINT ptScreen)
{
    HWND hBody = Field(FIELD_BODY);
    SetFocus(hBody);
    if (ptScreen.x == -1 && ptScreen.y == -1) {
        // From the keyboard: at the caret.
        m_sPointed = MailAddressAtCaret(hBody);
        DWORD caret = 0;
        SendMessageA(hBody, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
        LRESULT pos = SendMessageA(hBody, EM_POSFROMCHAR, caret, 0);
        ptScreen.x = pos == -1 ? 0 : static_cast<short>(LOWORD(pos));
        ptScreen.y = pos == -1 ? 0 : static_cast<short>(HIWORD(pos)) + m_nRowHeight;
        ClientToScreen(hBody, &ptScreen);
    } else {
        POINT ptClient = ptScreen;
        ScreenToClient(hBody, &ptClient);
        m_sPointed = MailAddressUnderPoint(hBody, ptClient);
    }

    bool onAddress = !m_sPointed.empty();
    HMENU hMenu = onAddress ? CMenuFactory::CreateAddressMenu() : CMenuFactory::CreateBodyMenu();
    UpdateMenuItems(hMenu);
    ExtendMenu(hMenu, onAddress ? MENU_KIND_BODY_ADDRESS : MENU_KIND_BODY, false);
    UINT id = static_cast<UINT>(TrackPopupMenu(hMenu, TPM_RETURNCMD | TPM_RIGHTBUTTON,
                                               ptScreen.x, ptScreen.y, 0, m_hWnd, nullptr));
    DestroyMenu(hMenu);
    if (id)
        OnCommand(id);
    m_sPointed.clear();
}

HWND CComposeWindow::EditTarget() const
{
    HWND hFocus = GetFocus();
    for (HWND hField : m_hFields) {
        if (hField == hFocus)
            return hField;
    }
    return Field(FIELD_BODY);
}

void CComposeWindow::EditCommand(UINT id)
{
    HWND hEdit = EditTarget();
    switch (id) {
    case IDM_EDIT_UNDO:
        SendMessageA(hEdit, EM_UNDO, 0, 0);
        break;
    case IDM_EDIT_CUT:
        SendMessageA(hEdit, WM_CUT, 0, 0);
        break;
    case IDM_EDIT_COPY:
        SendMessageA(hEdit, WM_COPY, 0, 0);
        break;
    case IDM_EDIT_PASTE:
        SendMessageA(hEdit, WM_PASTE, 0, 0);
        break;
    case IDM_EDIT_DELETE:
        SendMessageA(hEdit, WM_CLEAR, 0, 0);
        break;
    case IDM_EDIT_SELECT_ALL:
        SendMessageA(hEdit, EM_SETSEL, 0, -1);
        break;
    default:
        break;
    }
}

// Quoting is for the body, whichever field has the focus.
void CComposeWindow::PasteQuoted()
{
    std::string quoted = QuotedClipboardText(m_hWnd);
    if (quoted.empty())
        return;
    HWND hBody = Field(FIELD_BODY);
    SetFocus(hBody);
    SendMessageA(hBody, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(quoted.c_str()));
}

void CComposeWindow::AddPointedTo(ComposeField field)
{
    if (m_sPointed.empty())
        return;
    std::vector<std::string> entries = SplitAddressEntries(FieldText(field));
    if (std::find(entries.begin(), entries.end(), m_sPointed) == entries.end()) {
        entries.push_back(m_sPointed);
        SetFieldText(field, JoinForField(entries));
    }
    SetStatusText(std::string(kFieldNames[field]) + " に追加しました: " + m_sPointed);
}

void CComposeWindow::CopyPointed()
{
    if (!m_sPointed.empty() && SetClipboardText(m_hWnd, m_sPointed))
        SetStatusText("コピーしました: " + m_sPointed);
}

void CComposeWindow::NewMessage()
{
    for (int i = FIELD_TO; i < FIELD_COUNT; ++i)
        SetFieldText(static_cast<ComposeField>(i), std::string());
    SetFocus(Field(FIELD_TO));
    SetStatusText("新しいメールを作成します");
}

void CComposeWindow::UpdateMenuItems(HMENU hMenu)
{
    HWND hEdit = EditTarget();
    DWORD selStart = 0;
    DWORD selEnd = 0;
    SendMessageA(hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                 reinterpret_cast<LPARAM>(&selEnd));
    bool hasSelection = selStart != selEnd;
    bool canPaste = IsClipboardFormatAvailable(CF_TEXT) != FALSE;
    auto enable = [hMenu](UINT id, bool on) {
        EnableMenuItem(hMenu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    enable(IDM_EDIT_UNDO, SendMessageA(hEdit, EM_CANUNDO, 0, 0) != 0);
    enable(IDM_EDIT_CUT, hasSelection);
    enable(IDM_EDIT_COPY, hasSelection);
    enable(IDM_EDIT_DELETE, hasSelection);
    enable(IDM_EDIT_PASTE, canPaste);
    enable(IDM_EDIT_PASTE_QUOTED, canPaste);
    for (UINT id = IDM_BOOK_BROWSE; id <= IDM_BOOK_REPLY_TO; ++id)
        enable(id, m_plugin.IsLoaded());
    CheckMenuItem(hMenu, IDM_VIEW_TOOLBAR,
                  MF_BYCOMMAND | (m_bToolbarShown ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(hMenu, IDM_VIEW_STATUSBAR,
                  MF_BYCOMMAND | (m_bStatusShown ? MF_CHECKED : MF_UNCHECKED));
}

void CComposeWindow::ToggleBar(HWND hBar, bool* pbShown)
{
    *pbShown = !*pbShown;
    ShowWindow(hBar, *pbShown ? SW_SHOW : SW_HIDE);
    Layout();
}

void CComposeWindow::ShowPluginInfo()
{
    if (!m_plugin.IsLoaded()) {
        std::string text = "プラグインは読み込まれていません。";
        if (!m_plugin.LoadError().empty())
            text += "\n\n" + m_plugin.LoadError();
        MessageBoxA(m_hWnd, text.c_str(), "プラグイン情報", MB_OK | MB_ICONINFORMATION);
        return;
    }
    const PLUGIN_INFO& info = m_plugin.Info();
    std::string text;
    AppendLine(&text, "名前: ", info.szName);
    AppendLine(&text, "バージョン: ", info.szVersion);
    AppendLine(&text, "日付: ", info.szDate);
    AppendLine(&text, "作者: ", info.szAuthor);
    AppendLine(&text, "メール: ", info.szMail);
    AppendLine(&text, "URL: ", info.szUrl);
    if (info.szDescription[0])
        text += std::string("\n") + info.szDescription;
    MessageBoxA(m_hWnd, text.c_str(), "プラグイン情報", MB_OK | MB_ICONINFORMATION);
}

void CComposeWindow::ShowAbout()
{
    int version = EDA_GetEdmaxVersion();
    char line[96];
    wsprintfA(line, "プラグイン API バージョン %d.%02d\n\n", version / 100, version % 100);
    std::string text = std::string("EdMax 互換ホスト (Velmora の開発と試験用)\n") + line;
    text += m_plugin.IsLoaded() ? "プラグイン: " + m_plugin.Caption()
                                : std::string("プラグインは読み込まれていません");
    MessageBoxA(m_hWnd, text.c_str(), "バージョン情報", MB_OK | MB_ICONINFORMATION);
}

void CComposeWindow::ScheduleAddressBook(int mode, UINT delayMs)
{
    m_nPendingBookMode = mode;
    SetTimer(m_hWnd, TIMER_OPEN_BOOK, delayMs, nullptr);
}

void CComposeWindow::ScheduleQuit(UINT delayMs)
{
    m_nQuitTries = 0;
    SetTimer(m_hWnd, TIMER_QUIT, delayMs ? delayMs : 1, nullptr);
}

void CComposeWindow::PlayScene(std::unique_ptr<CScreenScene> scene)
{
    m_pScene = std::move(scene);
    SetTimer(m_hWnd, TIMER_SCENE, kSceneTickMs, nullptr);
}

void CComposeWindow::OnTimer(UINT_PTR id)
{
    if (id == TIMER_OPEN_BOOK) {
        KillTimer(m_hWnd, TIMER_OPEN_BOOK);
        OpenAddressBook(m_nPendingBookMode);
        return;
    }
    if (id == TIMER_SCENE) {
        if (m_pScene && m_pScene->Step(OtherThreadWindows(m_hWnd))) {
            KillTimer(m_hWnd, TIMER_SCENE);
            ScheduleQuit(0);
        }
        return;
    }
    if (id != TIMER_QUIT)
        return;
    // Dialogs first (each one in front closes like Cancel), the window once none is left.
    std::vector<HWND> others = OtherThreadWindows(m_hWnd);
    if (others.empty() && !m_plugin.IsBusy()) {
        KillTimer(m_hWnd, TIMER_QUIT);
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        return;
    }
    if (++m_nQuitTries > kQuitMaxTries)
        ExitProcess(3);  // something will not close; a test run must not hang on it
    for (HWND hWnd : others)
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
    SetTimer(m_hWnd, TIMER_QUIT, kQuitRetryMs, nullptr);
}

void CComposeWindow::OnClose()
{
    if (m_plugin.IsBusy()) {
        MessageBeep(MB_ICONWARNING);  // the plug-in's window must close first
        return;
    }
    DestroyWindow(m_hWnd);
}
