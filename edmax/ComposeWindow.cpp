// CComposeWindow: creating the window and its controls, layout, and the field accessors.
// What the commands do is in ComposeCommands.cpp.
#include "edmax/ComposeWindow.h"

#include <commctrl.h>
#include <cstring>
#include "edmax/CommandIds.h"
#include "edmax/MenuFactory.h"
#include "edmax/Plugin.h"
#include "edmax/PluginAbi.h"

namespace {

const char kClassName[] = "EdMaxMailEditor";
const char kTitle[] = "メール作成 - EdMax";
const UINT WM_APP_NOTICE = WM_APP + 1;
const int kMargin = 6;
const int kGap = 4;
const int kStatusInfoWidth = 260;  // right part of the status bar: the plug-in's name

// Texts of the buttons in front of the address fields, To..ReplyTo.
const char* const kHeaderButtons[] = {"宛先...", "CC...", "BCC...", "ReplyTo..."};

HWND CreateChild(HWND hParent, DWORD exStyle, const char* className, const char* text,
                 DWORD style, UINT id)
{
    return CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                           hParent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                           reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hParent, GWLP_HINSTANCE)),
                           nullptr);
}

HFONT CreateUiFont(int points, DWORD pitchAndFamily, const char* face)
{
    HDC hdc = GetDC(NULL);
    int dpi = GetDeviceCaps(hdc, LOGPIXELSY);
    ReleaseDC(NULL, hdc);
    return CreateFontA(-MulDiv(points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       pitchAndFamily, face);
}

int ChildHeight(HWND hChild)
{
    RECT rc;
    GetWindowRect(hChild, &rc);
    return rc.bottom - rc.top;
}

}  // namespace

CComposeWindow::CComposeWindow(CPlugin& plugin, const CTempIdTable& tempIds)
    : m_plugin(plugin), m_tempIds(tempIds)
{
}

CComposeWindow::~CComposeWindow()
{
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    if (m_hAccel)
        DestroyAcceleratorTable(m_hAccel);
    if (m_hFont)
        DeleteObject(m_hFont);
    if (m_hBodyFont)
        DeleteObject(m_hBodyFont);
}

bool CComposeWindow::Create(HINSTANCE hInstance)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(NULL, MAKEINTRESOURCEA(32512));     // IDI_APPLICATION
    wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;

    HMENU hTools = NULL;
    HMENU hSettings = NULL;
    HMENU hMenuBar = CMenuFactory::CreateMenuBar(&hTools, &hSettings);
    std::string title = kTitle;
    if (m_plugin.IsLoaded())
        title += " (" + m_plugin.Caption() + ")";
    if (!CreateWindowExA(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                         CW_USEDEFAULT, CW_USEDEFAULT, 760, 560, NULL, hMenuBar, hInstance,
                         this)) {
        DestroyMenu(hMenuBar);
        return false;
    }
    ExtendMenu(hTools, MENU_KIND_TOOLS, true);
    ExtendMenu(hSettings, MENU_KIND_SETTINGS, true);
    DrawMenuBar(m_hWnd);

    ACCEL accels[] = {
        {FCONTROL | FVIRTKEY, 'N', IDM_FILE_NEW},
        {FCONTROL | FVIRTKEY, 'B', IDM_BOOK_BROWSE},
        {FCONTROL | FVIRTKEY, 'A', IDM_EDIT_SELECT_ALL},
        {FCONTROL | FSHIFT | FVIRTKEY, 'V', IDM_EDIT_PASTE_QUOTED},
    };
    m_hAccel = CreateAcceleratorTableA(accels, static_cast<int>(sizeof accels / sizeof accels[0]));

    if (m_plugin.IsLoaded()) {
        SetStatusText(m_plugin.Caption() + " を読み込みました");
        SendMessageA(m_hStatus, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(m_plugin.Caption().c_str()));
    } else {
        SetStatusText("プラグインは読み込まれていません");
        SendMessageA(m_hStatus, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("プラグインなし"));
    }
    return true;
}

void CComposeWindow::Show(int nCmdShow)
{
    ShowWindow(m_hWnd, nCmdShow);
    UpdateWindow(m_hWnd);
    SetForegroundWindow(m_hWnd);
    SetFocus(Field(FIELD_TO));
}

// Lets the plug-in add to a menu of the given kind. A separator keeps its items apart from the
// host's; it is taken away again if the plug-in added nothing.
void CComposeWindow::ExtendMenu(HMENU hMenu, int nKind, bool bSeparatorFirst)
{
    if (!m_plugin.IsLoaded() || m_plugin.IsBusy())
        return;
    int before = GetMenuItemCount(hMenu);
    if (bSeparatorFirst)
        AppendMenuA(hMenu, MF_SEPARATOR, 0, nullptr);
    m_plugin.RaiseEvent(EDH_EVENT_BUILD_MENU, nKind, hMenu);
    if (bSeparatorFirst && GetMenuItemCount(hMenu) == before + 1)
        DeleteMenu(hMenu, before, MF_BYPOSITION);
}

void CComposeWindow::CreateFonts()
{
    m_hFont = CreateUiFont(9, VARIABLE_PITCH | FF_SWISS, "ＭＳ Ｐゴシック");
    m_hBodyFont = CreateUiFont(10, FIXED_PITCH | FF_MODERN, "ＭＳ ゴシック");
    HFONT hFont = m_hFont ? m_hFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    // Rows are as high as an edit control with this font; the label column as wide as the
    // widest label.
    HDC hdc = GetDC(m_hWnd);
    HGDIOBJ hOld = SelectObject(hdc, hFont);
    TEXTMETRICA tm = {};
    GetTextMetricsA(hdc, &tm);
    m_nRowHeight = tm.tmHeight + 10;
    int widest = 0;
    for (const char* text : kHeaderButtons) {
        SIZE size = {};
        GetTextExtentPoint32A(hdc, text, static_cast<int>(std::strlen(text)), &size);
        if (size.cx > widest)
            widest = size.cx;
    }
    m_nLabelWidth = widest + 20;
    SelectObject(hdc, hOld);
    ReleaseDC(m_hWnd, hdc);
}

void CComposeWindow::CreateToolbar()
{
    m_hToolbar = CreateChild(m_hWnd, 0, TOOLBARCLASSNAMEA, nullptr,
                             TBSTYLE_FLAT | TBSTYLE_LIST | CCS_TOP, IDC_TOOLBAR);
    SendMessageA(m_hToolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(m_hToolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));

    struct ButtonDef {
        UINT id;
        const char* text;  // nullptr: a separator
    };
    const ButtonDef defs[] = {
        {IDM_FILE_NEW, "新規作成"},
        {0, nullptr},
        {IDM_BOOK_BROWSE, "アドレス帳"},
        {0, nullptr},
        {IDM_HELP_PLUGIN, "プラグイン情報"},
    };
    for (const ButtonDef& def : defs) {
        TBBUTTON button;
        std::memset(&button, 0, sizeof button);
        if (def.text) {
            button.iBitmap = I_IMAGENONE;
            button.idCommand = static_cast<int>(def.id);
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
            button.iString = reinterpret_cast<INT_PTR>(def.text);
        } else {
            button.fsStyle = BTNS_SEP;
        }
        SendMessageA(m_hToolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }
    if (!m_plugin.IsLoaded())
        SendMessageA(m_hToolbar, TB_ENABLEBUTTON, IDM_BOOK_BROWSE, FALSE);
}

void CComposeWindow::CreateChildren()
{
    CreateFonts();
    CreateToolbar();
    m_hStatus = CreateChild(m_hWnd, 0, STATUSCLASSNAMEA, "", SBARS_SIZEGRIP, IDC_STATUSBAR);

    // Tab order is creation order: each button comes before its field.
    for (int i = FIELD_TO; i < FIELD_SUBJECT; ++i) {
        m_hHeaderButtons[i] = CreateChild(m_hWnd, 0, "BUTTON", kHeaderButtons[i],
                                          WS_TABSTOP | BS_PUSHBUTTON, IDM_BOOK_TO + i);
        EnableWindow(m_hHeaderButtons[i], m_plugin.IsLoaded());
        m_hFields[i] = CreateChild(m_hWnd, WS_EX_CLIENTEDGE, "EDIT", "",
                                   WS_TABSTOP | ES_AUTOHSCROLL, IDC_FIELD_FIRST + i);
    }
    m_hSubjectLabel = CreateChild(m_hWnd, 0, "STATIC", "件名:", SS_CENTER | SS_CENTERIMAGE,
                                  IDC_SUBJECT_LABEL);
    m_hFields[FIELD_SUBJECT] = CreateChild(m_hWnd, WS_EX_CLIENTEDGE, "EDIT", "",
                                           WS_TABSTOP | ES_AUTOHSCROLL,
                                           IDC_FIELD_FIRST + FIELD_SUBJECT);
    m_hFields[FIELD_BODY] = CreateChild(
        m_hWnd, WS_EX_CLIENTEDGE, "EDIT", "",
        WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
        IDC_FIELD_FIRST + FIELD_BODY);
    SendMessageA(Field(FIELD_BODY), EM_SETLIMITTEXT, 0, 0);  // 0: as much as the control holds
    SetWindowSubclass(Field(FIELD_BODY), BodyProc, 1, reinterpret_cast<DWORD_PTR>(this));

    HFONT hFont = m_hFont ? m_hFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (HWND hChild : {m_hToolbar, m_hStatus, m_hSubjectLabel})
        SendMessageA(hChild, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    for (int i = FIELD_TO; i < FIELD_SUBJECT; ++i)
        SendMessageA(m_hHeaderButtons[i], WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    for (int i = FIELD_TO; i <= FIELD_SUBJECT; ++i)
        SendMessageA(m_hFields[i], WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    SendMessageA(Field(FIELD_BODY), WM_SETFONT,
                 reinterpret_cast<WPARAM>(m_hBodyFont ? m_hBodyFont : hFont), FALSE);
    Layout();
}

void CComposeWindow::Layout()
{
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    int top = 0;
    int bottom = rc.bottom;
    if (m_bToolbarShown) {
        SendMessageA(m_hToolbar, TB_AUTOSIZE, 0, 0);
        top += ChildHeight(m_hToolbar);
    }
    if (m_bStatusShown) {
        SendMessageA(m_hStatus, WM_SIZE, 0, 0);
        int parts[2] = {rc.right > kStatusInfoWidth * 2 ? rc.right - kStatusInfoWidth : rc.right / 2,
                        -1};
        SendMessageA(m_hStatus, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
        bottom -= ChildHeight(m_hStatus);
    }

    int fieldLeft = kMargin + m_nLabelWidth + kGap;
    int fieldWidth = rc.right - fieldLeft - kMargin;
    if (fieldWidth < 40)
        fieldWidth = 40;
    int y = top + kMargin;
    for (int i = FIELD_TO; i <= FIELD_SUBJECT; ++i) {
        HWND hLabel = i < FIELD_SUBJECT ? m_hHeaderButtons[i] : m_hSubjectLabel;
        MoveWindow(hLabel, kMargin, y, m_nLabelWidth, m_nRowHeight, TRUE);
        MoveWindow(m_hFields[i], fieldLeft, y, fieldWidth, m_nRowHeight, TRUE);
        y += m_nRowHeight + 3;
    }
    y += kGap;
    int bodyHeight = bottom - kMargin - y;
    MoveWindow(Field(FIELD_BODY), kMargin, y, rc.right - 2 * kMargin,
               bodyHeight > 20 ? bodyHeight : 20, TRUE);
}

std::string CComposeWindow::FieldText(ComposeField field) const
{
    HWND hField = Field(field);
    int length = GetWindowTextLengthA(hField);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(hField, &text[0], length + 1)));
    return text;
}

void CComposeWindow::SetFieldText(ComposeField field, const std::string& text)
{
    SetWindowTextA(Field(field), text.c_str());
}

const char* CComposeWindow::PointedMailAddress() const
{
    return m_sPointed.empty() ? nullptr : m_sPointed.c_str();
}

void CComposeWindow::SetStatusText(const std::string& text)
{
    if (m_hStatus)
        SendMessageA(m_hStatus, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CComposeWindow::PostNotice(const std::string& text)
{
    m_sNotice = text;
    PostMessageA(m_hWnd, WM_APP_NOTICE, 0, 0);
}

LRESULT CALLBACK CComposeWindow::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* pCreate = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* pThis = static_cast<CComposeWindow*>(pCreate->lpCreateParams);
        pThis->m_hWnd = hWnd;
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pThis));
    }
    auto* pThis = reinterpret_cast<CComposeWindow*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (!pThis)
        return DefWindowProcA(hWnd, msg, wParam, lParam);
    LRESULT result = pThis->HandleMessage(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
        pThis->m_hWnd = NULL;
    }
    return result;
}

LRESULT CComposeWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        CreateChildren();
        return 0;
    case WM_SIZE:
        Layout();
        return 0;
    case WM_COMMAND:
        // Controls report many things through WM_COMMAND; only button clicks are commands.
        if (lParam != 0 && HIWORD(wParam) != BN_CLICKED)
            break;
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        UpdateMenuItems(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_APP_NOTICE:
        MessageBoxA(m_hWnd, m_sNotice.c_str(), "EdMax", MB_OK | MB_ICONWARNING);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND hFocus = GetFocus();
            if (hFocus && IsChild(m_hWnd, hFocus))
                m_hLastFocus = hFocus;
        } else if (m_hLastFocus && IsWindow(m_hLastFocus)) {
            SetFocus(m_hLastFocus);
            return 0;
        }
        break;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CComposeWindow::BodyProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR idSubclass, DWORD_PTR refData)
{
    if (msg == WM_CONTEXTMENU) {
        POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        reinterpret_cast<CComposeWindow*>(refData)->OnBodyContextMenu(pt);
        return 0;
    }
    // A multi-line edit that sees IsDialogMessage takes itself for part of a dialog and closes
    // its parent on Esc; here that would throw the mail away.
    if ((msg == WM_KEYDOWN || msg == WM_CHAR) && wParam == VK_ESCAPE)
        return 0;
    if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(hWnd, BodyProc, idSubclass);
    return DefSubclassProc(hWnd, msg, wParam, lParam);
}

bool CComposeWindow::PreTranslate(MSG* pMsg)
{
    // Only keys for this window: a modeless window of the plug-in keeps its own.
    if (!m_hWnd || (pMsg->hwnd != m_hWnd && !IsChild(m_hWnd, pMsg->hwnd)))
        return false;
    if (m_hAccel && TranslateAcceleratorA(m_hWnd, m_hAccel, pMsg))
        return true;
    return IsDialogMessageA(m_hWnd, pMsg) != FALSE;
}
