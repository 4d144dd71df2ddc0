#include "framework/ListCtrl.h"

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width) const
{
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
    col.fmt = format;
    col.cx = width;
    col.pszText = const_cast<char*>(heading);
    return static_cast<int>(Send(LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int index, const char* text, LPARAM data) const
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.lParam = data;
    return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

std::string CListCtrl::GetItemText(int index) const
{
    // LVM_GETITEMTEXT answers with the length copied; grow until the text fits.
    std::string text(256, '\0');
    for (;;) {
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = &text[0];
        item.cchTextMax = static_cast<int>(text.size());
        int length = static_cast<int>(Send(LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < static_cast<int>(text.size())) {
            text.resize(static_cast<size_t>(length));
            return text;
        }
        text.resize(text.size() * 2);
    }
}

LPARAM CListCtrl::GetItemData(int index) const
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask) const
{
    LVITEMA item = {};
    item.stateMask = mask;
    item.state = state;
    return static_cast<BOOL>(Send(LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)));
}
