// CListCtrl, a thin wrapper of a comctl32 list view in report mode.
#pragma once
#include "framework/Wnd.h"

class CListCtrl : public CWnd {
public:
    int InsertColumn(int column, const char* heading, int format, int width) const;
    int InsertItem(int index, const char* text, LPARAM data) const;
    BOOL DeleteItem(int index) const { return static_cast<BOOL>(Send(LVM_DELETEITEM, index)); }
    BOOL DeleteAllItems() const { return static_cast<BOOL>(Send(LVM_DELETEALLITEMS)); }
    int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
    std::string GetItemText(int index) const;
    LPARAM GetItemData(int index) const;
    BOOL SetItemState(int index, UINT state, UINT mask) const;
    UINT GetItemState(int index, UINT mask) const { return static_cast<UINT>(Send(LVM_GETITEMSTATE, index, mask)); }
    int GetNextItem(int start, UINT flags) const { return static_cast<int>(Send(LVM_GETNEXTITEM, start, flags)); }
    int GetTopIndex() const { return static_cast<int>(Send(LVM_GETTOPINDEX)); }
    BOOL SortItems(PFNLVCOMPARE compare, LPARAM data) const
    {
        return static_cast<BOOL>(Send(LVM_SORTITEMS, data, reinterpret_cast<LPARAM>(compare)));
    }
};
