// Drives the manual entry's completion as a user does: characters typed into the field
// (WM_CHAR, double-byte ones as the keyboard delivers them, in UTF-16), keys posted through
// the window's own loop, and the drop-down list read row by row.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "UiScript.h"
#include "resources/resource.h"

namespace CompletionDriver {

inline HWND Field(HWND window)
{
    return GetDlgItem(window, IDC_MANUAL_ENTRY);
}

// Characters typed with a Japanese keyboard layout, as a Japanese user's come: the system
// hands them to the field's ANSI procedure in that layout's code page.
inline void Type(CUiScript& ui, HWND window, const char* sjis)
{
    static HKL japanese = LoadKeyboardLayoutA("00000411", KLF_ACTIVATE);
    ActivateKeyboardLayout(japanese, 0);
    HWND field = Field(window);
    SetFocus(field);
    int length = MultiByteToWideChar(932, 0, sjis, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(932, 0, sjis, -1, &wide[0], length);
    for (wchar_t c : wide) {
        if (c)
            SendMessageW(field, WM_CHAR, c, 1);
    }
    ui.Pump(1);
}

// A key pressed in the field, through the window's message loop and dialog keys.
inline void Press(CUiScript& ui, HWND window, WPARAM key)
{
    PostMessageA(Field(window), WM_KEYDOWN, key, 1);
    ui.Pump(2);
}

// The completion's pop-up that window owns (visible ones only when visibleOnly is set).
struct PopupSearch {
    HWND owner;
    bool visibleOnly;
    HWND popup;
};

inline BOOL CALLBACK FindPopup(HWND popup, LPARAM data)
{
    PopupSearch* search = reinterpret_cast<PopupSearch*>(data);
    if (GetWindow(popup, GW_OWNER) == search->owner && (!search->visibleOnly || IsWindowVisible(popup)) &&
        FindWindowExA(popup, nullptr, WC_LISTVIEWA, nullptr))
        search->popup = popup;
    return TRUE;
}

inline HWND Popup(HWND window, bool visibleOnly = false)
{
    PopupSearch search = {window, visibleOnly, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindPopup, reinterpret_cast<LPARAM>(&search));
    return search.popup;
}

// The list view of the open completion list, or none.
inline HWND List(HWND window)
{
    HWND popup = Popup(window, true);
    return popup ? FindWindowExA(popup, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
}

inline std::string CellText(HWND list, int row, int column)
{
    char text[512] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

// "text | where" of each row, the chosen one marked "*"; empty when the list is closed.
inline std::vector<std::string> Rows(HWND window)
{
    std::vector<std::string> rows;
    HWND list = List(window);
    if (!list)
        return rows;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        bool chosen = SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED;
        rows.push_back((chosen ? "*" : "") + CellText(list, row, 0) + " | " + CellText(list, row, 1));
    }
    return rows;
}

inline std::string FieldText(HWND window)
{
    return CUiScript::ItemText(window, IDC_MANUAL_ENTRY);
}

// Clicks a row of the list, as the mouse would.
inline void ClickRow(CUiScript& ui, HWND window, int row)
{
    HWND list = List(window);
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rect.left + 5, (rect.top + rect.bottom) / 2));
    PostMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(rect.left + 5, (rect.top + rect.bottom) / 2));
    ui.Pump(2);
}

}  // namespace CompletionDriver
