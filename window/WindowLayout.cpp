// Placement of the address book window's controls from its outer rectangle and the
// splitter position, the minimum size, the splitter drag and the saved layout.
#include <string>
#include "framework/Trace.h"
#include "resources/resource.h"
#include "books/IniPath.h"
#include "books/SettingsFile.h"
#include "window/AddrDlg.h"

namespace {

const int kMinWidth = 494;
const int kMinHeight = 481;
const int kMinSplit = 251;
const int kSplitBelowBottom = 220;
const int kBandHeight = 57;
const int kButtonWidth = 88;
const int kButtonHeight = 21;
const char kSection[] = "config";

void MoveTo(HWND window, const RECT& rect, BOOL repaint)
{
    MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
}

// As the platform reads a number: a missing or empty value gives the fallback.
int ReadLayout(const char* key, int fallback)
{
    if (!g_szIniPath[0] || Settings().Value(kSection, key).empty())
        return fallback;
    return Settings().IntValue(kSection, key);
}

void RedrawNow(HWND window, UINT extra = 0)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | extra);
}

RECT ClientRectOf(HWND window, HWND parent)
{
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A rectangle on no monitor (a display since removed) moves, at its size, into the work
// area of the nearest one.
RECT OnSomeMonitor(RECT rect)
{
    if (MonitorFromRect(&rect, MONITOR_DEFAULTTONULL))
        return rect;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor))
        return rect;
    const RECT& work = monitor.rcWork;
    int dx = rect.right > work.right ? work.right - rect.right : 0;
    int dy = rect.bottom > work.bottom ? work.bottom - rect.bottom : 0;
    if (rect.left + dx < work.left)
        dx = work.left - rect.left;
    if (rect.top + dy < work.top)
        dy = work.top - rect.top;
    OffsetRect(&rect, dx, dy);
    return rect;
}

}  // namespace

RECT CAddrDlg::PlaceButton(int id, int x, int y)
{
    RECT rect = {x, y, x + kButtonWidth, y + kButtonHeight};
    HWND button = GetDlgItem(id);
    if (button) {
        MoveTo(button, rect, TRUE);
        InvalidateRect(button, nullptr, FALSE);
    }
    return rect;
}

void CAddrDlg::ArrangeControls(const RECT& window)
{
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    if (m_AddrTree.m_hWnd) {
        m_rcTree.right = width - 20;
        m_rcTree.bottom = m_nSplit;
        MoveTo(m_AddrTree.m_hWnd, m_rcTree, TRUE);
    }
    if (m_SendList.m_hWnd) {
        m_rcList.top = m_nSplit + kBandHeight;
        m_rcList.right = width - 20;
        m_rcList.bottom = height - 82;
        MoveTo(m_SendList.m_hWnd, m_rcList, TRUE);
    }
    if (HWND label = GetDlgItem(IDC_MANUAL_LABEL)) {
        m_rcInputLabel = {m_rcTree.left, m_nSplit + 3, m_rcTree.left + 44, m_nSplit + 3 + 24};
        MoveTo(label, m_rcInputLabel, TRUE);
        RedrawNow(label);
    }
    if (HWND edit = GetDlgItem(IDC_MANUAL_ENTRY)) {
        int left = m_rcInputLabel.left + 44;
        int top = m_rcInputLabel.top + 3;
        m_rcInput = {left, top, left + 327, top + 18};
        MoveTo(edit, m_rcInput, TRUE);
        RedrawNow(edit, RDW_FRAME);
    }
    if (HWND label = GetDlgItem(IDC_SPLIT_LABEL)) {
        m_rcDragLabel = {m_rcInputLabel.left + 384, m_nSplit, m_rcTree.right, m_rcList.top};
        MoveTo(label, m_rcDragLabel, TRUE);
        RedrawNow(label);
    }
    int row = m_nSplit + 30;
    int x = 12;
    for (int id : {IDC_ADD_TO, IDC_ADD_CC, IDC_ADD_BCC, IDC_ADD_REPLYTO})
        x = PlaceButton(id, x, row).right + 9;
    int bottomRow = m_rcList.bottom + 7;
    PlaceButton(IDC_DELETE_ENTRY, 12, bottomRow);
    PlaceButton(IDC_DELETE_ALL, 109, bottomRow);
    RECT close = PlaceButton(IDC_CLOSE, width - 108, bottomRow);
    PlaceButton(IDC_CREATE_MAIL, close.left - 97, bottomRow);
}

void CAddrDlg::OnSize()
{
    ::GetWindowRect(m_hWnd, &rcWnd);
    if (m_AddrTree.m_hWnd)
        m_rcTree = ClientRectOf(m_AddrTree.m_hWnd, m_hWnd);
    if (m_SendList.m_hWnd)
        m_rcList = ClientRectOf(m_SendList.m_hWnd, m_hWnd);
    ArrangeControls(rcWnd);
}

// Keeps the window at its minimum size and the splitter in its bounds; side 0 comes from
// the splitter drag.
void CAddrDlg::OnSizing(int side, RECT* rect)
{
    if (rect->right - rect->left < kMinWidth) {
        if (side == WMSZ_LEFT || side == WMSZ_TOPLEFT || side == WMSZ_BOTTOMLEFT)
            rect->left = rect->right - kMinWidth;
        else if (side == WMSZ_RIGHT || side == WMSZ_TOPRIGHT || side == WMSZ_BOTTOMRIGHT)
            rect->right = rect->left + kMinWidth;
    }
    if (rect->bottom - rect->top < kMinHeight) {
        if (side == WMSZ_TOP || side == WMSZ_TOPLEFT || side == WMSZ_TOPRIGHT)
            rect->top = rect->bottom - kMinHeight;
        else if (side == WMSZ_BOTTOM || side == WMSZ_BOTTOMLEFT || side == WMSZ_BOTTOMRIGHT)
            rect->bottom = rect->top + kMinHeight;
    }
    if (m_nSplit < kMinSplit)
        m_nSplit = kMinSplit;
    int height = rect->bottom - rect->top;
    if (height < m_nSplit + kSplitBelowBottom)
        m_nSplit = height - kSplitBelowBottom;
    if (m_bSplitDrag)
        ArrangeControls(*rect);
}

void CAddrDlg::OnLButtonDown(int, int y)
{
    if (y <= m_rcTree.bottom || y >= m_rcList.top)
        return;
    m_bSplitDrag = 1;
    m_nLastY = y;
    SetCapture(m_hWnd);
}

void CAddrDlg::OnMouseMove(int, int y)
{
    if (!m_bSplitDrag)
        return;
    m_nSplit += y - m_nLastY;
    OnSizing(0, &rcWnd);
    m_nLastY = y;
}

void CAddrDlg::OnLButtonUp()
{
    if (m_bSplitDrag)
        ReleaseCapture();
    m_bSplitDrag = 0;
}

void CAddrDlg::LoadWindowLayout()
{
    Trace("void CAddrDlg::LoadWindowLayout()\n");
    int left = ReadLayout("left", 0);
    int top = ReadLayout("top", 0);
    int right = ReadLayout("right", kMinWidth);
    int bottom = ReadLayout("bottom", kMinHeight);
    m_nSplit = ReadLayout("split", kMinSplit);
    if (right - left < kMinWidth)
        right = left + kMinWidth;
    if (bottom - top < kMinHeight)
        bottom = top + kMinHeight;
    RECT rect = OnSomeMonitor({left, top, right, bottom});
    RECT before = GetWindowRect();
    MoveWindow(m_hWnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
    // A move without a change of size brings no WM_SIZE; lay the controls out all the same.
    if (before.right - before.left == rect.right - rect.left && before.bottom - before.top == rect.bottom - rect.top)
        OnSize();
}

void CAddrDlg::SaveWindowLayout()
{
    RECT rect = GetWindowRect();
    const struct {
        const char* key;
        long value;
    } values[] = {{"left", rect.left}, {"top", rect.top}, {"right", rect.right}, {"bottom", rect.bottom},
                  {"split", m_nSplit}};
    // Written to the file with the books, which the window saves next.
    if (g_szIniPath[0]) {
        for (const auto& entry : values)
            Settings().Set(kSection, entry.key, std::to_string(entry.value));
    }
    Trace("void CAddrDlg::SaveWindowLayout() : rcWnd(%4d,%4d,%4d,%4d)\n", static_cast<int>(rect.left),
          static_cast<int>(rect.top), static_cast<int>(rect.right), static_cast<int>(rect.bottom));
}
