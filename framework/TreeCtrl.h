// CTreeCtrl, a thin wrapper of a comctl32 tree view: one small method per message.
#pragma once
#include "framework/Wnd.h"

class CTreeCtrl : public CWnd {
public:
    HTREEITEM InsertItem(const TVINSERTSTRUCTA& insert) const
    {
        return reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    BOOL DeleteItem(HTREEITEM item) const { return static_cast<BOOL>(Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item))); }
    BOOL GetItem(TVITEMA& item) const { return static_cast<BOOL>(Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))); }
    BOOL SetItem(const TVITEMA& item) const { return static_cast<BOOL>(Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item))); }
    DWORD_PTR GetItemData(HTREEITEM item) const;
    BOOL SetItemData(HTREEITEM item, DWORD_PTR data) const;
    BOOL SetItemText(HTREEITEM item, const char* text) const;
    std::string GetItemText(HTREEITEM item) const;
    UINT GetItemState(HTREEITEM item, UINT mask) const
    {
        return static_cast<UINT>(Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
    }
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const
    {
        return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PREVIOUS); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    BOOL SortChildrenCB(const TVSORTCB& sort) const
    {
        return static_cast<BOOL>(Send(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort)));
    }
    BOOL Expand(HTREEITEM item, UINT code) const
    {
        return static_cast<BOOL>(Send(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM HitTest(POINT point, UINT* flags = nullptr) const;
    BOOL GetItemRect(HTREEITEM item, RECT* rect, BOOL textOnly) const;
    BOOL SelectItem(HTREEITEM item, UINT code = TVGN_CARET) const
    {
        return static_cast<BOOL>(Send(TVM_SELECTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    BOOL EnsureVisible(HTREEITEM item) const { return static_cast<BOOL>(Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item))); }
    BOOL SetInsertMark(HTREEITEM item, BOOL after) const
    {
        return static_cast<BOOL>(Send(TVM_SETINSERTMARK, after, reinterpret_cast<LPARAM>(item)));
    }
    HIMAGELIST CreateDragImage(HTREEITEM item) const
    {
        return reinterpret_cast<HIMAGELIST>(Send(TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(item)));
    }
    HWND GetEditControl() const { return reinterpret_cast<HWND>(Send(TVM_GETEDITCONTROL)); }
    HWND EditLabel(HTREEITEM item) const { return reinterpret_cast<HWND>(Send(TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item))); }
    HIMAGELIST SetImageList(HIMAGELIST images, int kind) const
    {
        return reinterpret_cast<HIMAGELIST>(Send(TVM_SETIMAGELIST, kind, reinterpret_cast<LPARAM>(images)));
    }
    UINT GetCount() const { return static_cast<UINT>(Send(TVM_GETCOUNT)); }
};
