#include "window/CompletionPopup.h"
#include <commctrl.h>
#include <algorithm>

namespace {

const UINT_PTR kSubclassId = 0x56434C50;  // "VCLP"
const int kTextColumnWidth = 330;
const int kWhereColumnWidth = 170;

}  // namespace

CCompletionPopup::~CCompletionPopup()
{
    Destroy();
}

// The pop-up is a static control made a pop-up window, so that no window class of the
// plug-in's module outlives the module.
bool CCompletionPopup::Create(HWND owner, std::function<void(int)> click, Handler handler)
{
    m_fnClick = std::move(click);
    m_fnHandler = std::move(handler);
    m_hWnd = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "STATIC", "", WS_POPUP | WS_BORDER | WS_CLIPCHILDREN, 0, 0, 0, 0,
                             owner, nullptr, nullptr, nullptr);
    if (!m_hWnd)
        return false;
    m_hList = CreateWindowExA(0, WC_LISTVIEWA, "",
                              WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                                  LVS_SHOWSELALWAYS | LVS_NOSCROLL,
                              0, 0, 0, 0, m_hWnd, nullptr, nullptr, nullptr);
    if (!m_hList) {
        Destroy();
        return false;
    }
    SendMessageA(m_hList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    SendMessageA(m_hList, WM_SETFONT, SendMessageA(owner, WM_GETFONT, 0, 0), FALSE);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = kTextColumnWidth;
    SendMessageA(m_hList, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    column.cx = kWhereColumnWidth;
    SendMessageA(m_hList, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
    SetWindowSubclass(m_hWnd, PopupProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(m_hList, ListProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    return true;
}

void CCompletionPopup::Destroy()
{
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    m_hList = nullptr;
    m_bOpen = false;
}

void CCompletionPopup::SetCell(int row, int column, const std::string& text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(m_hList, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// The list's rows made rows: a cell is set only when its text changed and rows are added
// or taken at the end. The list view repaints each cell it is given, which is cheapest for
// a few; when many change (or rows come and go) its redraw is switched off meanwhile and
// the whole list is painted once.
void CCompletionPopup::Fill(const std::vector<CompletionRow>& rows)
{
    int shown = static_cast<int>(SendMessageA(m_hList, LVM_GETITEMCOUNT, 0, 0));
    int count = static_cast<int>(rows.size());
    int kept = std::min<int>(std::min(shown, count), static_cast<int>(m_Rows.size()));
    std::vector<int> changed;  // row * 2 + column
    std::vector<int> recoloured;
    for (int row = 0; row < kept; ++row) {
        const CompletionRow& before = m_Rows[static_cast<size_t>(row)];
        const CompletionRow& next = rows[static_cast<size_t>(row)];
        if (before.text != next.text)
            changed.push_back(row * 2);
        if (before.where != next.where)
            changed.push_back(row * 2 + 1);
        if (before.note != next.note)
            recoloured.push_back(row);
    }
    bool whole = shown != count || kept < count || changed.size() * 3 > static_cast<size_t>(count) * 2;
    if (whole)
        SendMessageA(m_hList, WM_SETREDRAW, FALSE, 0);
    if (m_nSelected >= 0 && m_nSelected < shown) {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(m_hList, LVM_SETITEMSTATE, static_cast<WPARAM>(m_nSelected), reinterpret_cast<LPARAM>(&item));
    }
    m_nSelected = -1;
    m_nChosen = -1;
    for (int row = shown - 1; row >= count; --row)
        SendMessageA(m_hList, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
    for (int cell : changed) {
        const CompletionRow& next = rows[static_cast<size_t>(cell / 2)];
        SetCell(cell / 2, cell % 2, cell % 2 ? next.where : next.text);
    }
    for (int row : recoloured)
        SendMessageA(m_hList, LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(row));
    for (int row = kept; row < count; ++row) {
        const CompletionRow& next = rows[static_cast<size_t>(row)];
        if (row >= shown) {
            LVITEMA item = {};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.pszText = const_cast<char*>(next.text.c_str());
            SendMessageA(m_hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        } else {
            SetCell(row, 0, next.text);
        }
        SetCell(row, 1, next.where);
    }
    if (whole) {
        SendMessageA(m_hList, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(m_hList, nullptr, TRUE);
    }
    m_Rows = rows;
}

void CCompletionPopup::Show(const std::vector<CompletionRow>& rows, const RECT& anchor)
{
    if (!m_hWnd)
        return;
    if (rows.empty()) {
        Hide();
        return;
    }
    Fill(rows);
    int border = 2 * GetSystemMetrics(SM_CYBORDER);
    int width = std::max<int>(anchor.right - anchor.left, kTextColumnWidth + kWhereColumnWidth + border);
    if (m_nRowHeight <= 0) {
        RECT row = {LVIR_BOUNDS, 0, 0, 0};
        if (SendMessageA(m_hList, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)))
            m_nRowHeight = std::max<int>(row.bottom - row.top, 12);
    }
    // Every row shows, with no scroll bar: the list is as tall as its rows and its second
    // column takes the rest of the width.
    int height = std::max(m_nRowHeight, 12) * static_cast<int>(m_Rows.size()) + 2 + border;
    RECT place = {anchor.left, anchor.bottom, anchor.left + width, anchor.bottom + height};
    bool resized = place.right - place.left != m_Place.right - m_Place.left || height != m_Place.bottom - m_Place.top;
    if (resized) {
        MoveWindow(m_hList, 0, 0, width - border, height - border, FALSE);
        SendMessageA(m_hList, LVM_SETCOLUMNWIDTH, 1, width - border - kTextColumnWidth);
        InvalidateRect(m_hList, nullptr, TRUE);
    }
    if (!m_bOpen || !EqualRect(&place, &m_Place)) {
        SetWindowPos(m_hWnd, HWND_TOP, place.left, place.top, width, height,
                     SWP_NOACTIVATE | SWP_SHOWWINDOW | (m_bOpen ? SWP_NOZORDER : 0));
    }
    m_Place = place;
    m_bOpen = true;
}

void CCompletionPopup::Hide()
{
    if (m_hWnd && m_bOpen)
        ShowWindow(m_hWnd, SW_HIDE);
    m_bOpen = false;
    m_nChosen = -1;
}

void CCompletionPopup::Choose(int row)
{
    if (row < 0 || row >= static_cast<int>(m_Rows.size()) || m_Rows[static_cast<size_t>(row)].note)
        return;
    m_nChosen = row;
    m_nSelected = row;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(m_hList, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    SendMessageA(m_hList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void CCompletionPopup::MoveChoice(int step)
{
    int count = static_cast<int>(m_Rows.size());
    int row = m_nChosen < 0 ? (step > 0 ? -1 : count) : m_nChosen;
    for (int next = row + step; next >= 0 && next < count; next += step) {
        if (!m_Rows[static_cast<size_t>(next)].note) {
            Choose(next);
            return;
        }
    }
}

LRESULT CALLBACK CCompletionPopup::PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR self)
{
    CCompletionPopup* popup = reinterpret_cast<CCompletionPopup*>(self);
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_NOTIFY: {
        // The chosen row in the colours of a selection that has the focus (the field keeps
        // the focus, so the list would show it faintly), notes in grey.
        NMLVCUSTOMDRAW* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
        if (draw->nmcd.hdr.hwndFrom != popup->m_hList || draw->nmcd.hdr.code != NM_CUSTOMDRAW)
            break;
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
            return CDRF_NOTIFYITEMDRAW;
        if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            size_t row = static_cast<size_t>(draw->nmcd.dwItemSpec);
            if (static_cast<int>(row) == popup->m_nChosen) {
                draw->clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
                draw->clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
                draw->nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
            } else if (row < popup->m_Rows.size() && popup->m_Rows[row].note) {
                draw->clrText = GetSysColor(COLOR_GRAYTEXT);
            }
            return CDRF_NEWFONT;
        }
        break;
    }
    case WM_TIMER:
        if (popup->m_fnHandler)
            popup->m_fnHandler(message, wParam, lParam);
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, PopupProc, kSubclassId);
        break;
    default:
        if (message >= WM_APP && message < 0xC000) {
            if (popup->m_fnHandler)
                popup->m_fnHandler(message, wParam, lParam);
            return 0;
        }
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// The list shows the rows; a click is the owner's to handle, and the list never takes the
// focus (its own button handling would).
LRESULT CALLBACK CCompletionPopup::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR self)
{
    CCompletionPopup* popup = reinterpret_cast<CCompletionPopup*>(self);
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        LVHITTESTINFO hit = {};
        hit.pt.x = static_cast<short>(LOWORD(lParam));
        hit.pt.y = static_cast<short>(HIWORD(lParam));
        int row = static_cast<int>(SendMessageA(window, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (row >= 0 && row < static_cast<int>(popup->m_Rows.size()) && !popup->m_Rows[static_cast<size_t>(row)].note &&
            popup->m_fnClick)
            popup->m_fnClick(row);
        return 0;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, ListProc, kSubclassId);
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
