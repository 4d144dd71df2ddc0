// CAddrTree, the tree control of the address book window (control 14000). It is the
// store's view: the store inserts (each item where its key sorts), relabels, re-keys and
// deletes its items; the tree supplies the book and folder pictures on demand, re-sorts
// the books after one is moved, records expansion in the nodes and renames books and
// folders in place.
#pragma once
#include "framework/TreeCtrl.h"
#include "store/AddrBook.h"
#include "store/AddrView.h"

class CAddrTree : public CTreeCtrl, public IAddrView {
public:
    explicit CAddrTree(CAddrBook& store);
    ~CAddrTree() override;

    // IAddrView
    HTREEITEM InsertNode(HTREEITEM parent, HTREEITEM after, const char* text, int image, int selectedImage,
                         uint32_t data) override;
    void DeleteItem(HTREEITEM item) override { CTreeCtrl::DeleteItem(item); }
    void SetItemText(HTREEITEM item, const char* text) override { CTreeCtrl::SetItemText(item, text); }
    void SetItemData(HTREEITEM item, uint32_t data) override { CTreeCtrl::SetItemData(item, data); }
    void Expand(HTREEITEM item) override { CTreeCtrl::Expand(item, TVE_EXPAND); }
    void SortLevel(HTREEITEM parent) override;

    // Puts the children of item (0: the top level only) in key order, every level below
    // first.
    void SortChildren(HTREEITEM item);
    static int CALLBACK CompareOrder(LPARAM data1, LPARAM data2, LPARAM);

    // Enter (13) or Escape (27) passed on by the window while its dialog keys run.
    void OnKeyDown(int key);

    // Copies the subtree of source to the placement relative to target; the new top item.
    HTREEITEM CopySubtree(HTREEITEM source, HTREEITEM target, int mode);

    BOOL OnReflectedNotify(NMHDR* header, LRESULT* result) override;

    // Notifications that arrived in their wide form (the window is ANSI: never expected).
    int m_nWideNotifications = 0;

    HIMAGELIST m_pDragImage = nullptr;
    int m_bDragging = 0;
    HTREEITEM m_hDragItem = nullptr;
    HTREEITEM m_hHoverItem = nullptr;
    POINT m_ptCursor = {};
    RECT m_rcWnd = {};
    HWND m_pEditCtrl = nullptr;
    unsigned char m_cEditEndKey = 0;
    int m_nScrollTimer = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    CAddrBook& m_Store;

    LRESULT OnGetDispInfo(NMTVDISPINFOA* info);
    LRESULT OnItemExpanded(NMTREEVIEWA* view);
    LRESULT OnBeginLabelEdit(NMTVDISPINFOA* info);
    LRESULT OnEndLabelEdit(NMTVDISPINFOA* info);
    LRESULT OnDBLClick();
    LRESULT OnRClick();
    LRESULT OnBeginDrag(NMTREEVIEWA* view);
    bool OnDragMove(int x, int y);
    void ShowDropFeedback(HTREEITEM item, int y);
    static bool IsDragTimer(UINT_PTR id);
    void OnDragTimer(UINT_PTR id);
    void OnDrop(int x, int y);
    void DropAt(HTREEITEM target, int y);
    void MoveBook(HTREEITEM target, int mode);
    void StopDragTimers();
    void EndDrag();
    void CancelDrag();
    int KindOf(HTREEITEM item) const;
    bool InsideWindow(int x, int y) const;
    void OnSize();
    void OnLButtonDown(WPARAM flags, LPARAM point);
    void OnDestroy();
};
