// Drag and drop inside the address tree: feedback while the button is held (drop
// highlight, insertion mark, hover expansion, auto-scroll), and the drop rules that move
// addresses and folders between writable local books and reorder the books.
#include <windows.h>
#include "framework/Trace.h"
#include "tree/AddrTree.h"

namespace {

enum DragTimer {
    TIMER_HOVER_EXPAND = 1,
    TIMER_DRAG_REDRAW = 2,
    TIMER_SCROLL_REDRAW = 3,
    TIMER_SCROLL_UP = 4,
    TIMER_SCROLL_DOWN = 5,
};

const int kScrollZone = 14;

struct RowSplit {
    int half, third;
};

RowSplit SplitRow(const RECT& row)
{
    return {(row.bottom - row.top) / 2, (row.bottom - row.top) / 3};
}

void ForgetBaseIds(ADTDATA* top)
{
    if (!top)
        return;
    top->nBaseId = 0;
    for (ADTDATA* node = top->pChild; node; node = NextPreOrder(node, top))
        node->nBaseId = 0;
}

}  // namespace

int CAddrTree::KindOf(HTREEITEM item) const
{
    return ItemDataKind(static_cast<uint32_t>(GetItemData(item)));
}

bool CAddrTree::InsideWindow(int x, int y) const
{
    RECT rect = GetWindowRect();
    return x > 0 && x < rect.right - rect.left && y > 0 && y < rect.bottom - rect.top;
}

LRESULT CAddrTree::OnBeginDrag(NMTREEVIEWA* view)
{
    UINT flags = 0;
    m_hDragItem = HitTest(view->ptDrag, &flags);
    m_pDragImage = m_hDragItem ? CreateDragImage(m_hDragItem) : nullptr;
    if (!m_pDragImage)
        return 0;
    m_bDragging = 1;
    // A label edit the control was about to start (its timer shares the drag's ids) must
    // not open in the middle of the drag.
    StopDragTimers();
    // comctl32 may give an empty image list (Wine does): the drag goes on without a picture.
    ImageList_BeginDrag(m_pDragImage, 0, 0, 0);
    POINT screen = view->ptDrag;
    ClientToScreen(m_hWnd, &screen);
    ImageList_DragEnter(nullptr, screen.x, screen.y);
    SetCapture(m_hWnd);
    return 0;
}

// Shows where a drop would land; returns false when the control is not to see the move.
bool CAddrTree::OnDragMove(int x, int y)
{
    POINT screen = {x, y};
    ClientToScreen(m_hWnd, &screen);
    m_ptCursor = screen;
    if (!m_bDragging) {
        KillTimer(m_hWnd, TIMER_SCROLL_UP);
        KillTimer(m_hWnd, TIMER_SCROLL_DOWN);
        m_nScrollTimer = 0;
        return true;
    }

    int height = m_rcWnd.bottom - m_rcWnd.top;
    if (y <= kScrollZone) {
        if (m_nScrollTimer == 0) {
            SetTimer(m_hWnd, TIMER_SCROLL_UP, 250, nullptr);
            m_nScrollTimer = TIMER_SCROLL_UP;
        }
    } else if (y >= height - kScrollZone) {
        SetTimer(m_hWnd, TIMER_SCROLL_DOWN, 250, nullptr);
        m_nScrollTimer = TIMER_SCROLL_DOWN;
    } else {
        m_nScrollTimer = 0;
        KillTimer(m_hWnd, TIMER_SCROLL_UP);
        KillTimer(m_hWnd, TIMER_SCROLL_DOWN);
    }

    KillTimer(m_hWnd, TIMER_HOVER_EXPAND);
    KillTimer(m_hWnd, TIMER_DRAG_REDRAW);
    ImageList_DragMove(screen.x, screen.y);
    if (!InsideWindow(x, y))
        return false;

    ImageList_DragShowNolock(FALSE);
    HTREEITEM item = HitTest({x, y});
    if (!item) {
        SetInsertMark(nullptr, FALSE);
    } else {
        ShowDropFeedback(item, y);
    }
    SetTimer(m_hWnd, TIMER_DRAG_REDRAW, 10, nullptr);
    ImageList_DragMove(-1, -1);
    return true;
}

void CAddrTree::ShowDropFeedback(HTREEITEM item, int y)
{
    RECT row;
    GetItemRect(item, &row, FALSE);
    RowSplit split = SplitRow(row);
    HTREEITEM parent = GetParentItem(item);
    if (KindOf(item) == ADT_ADDR) {
        SelectItem(parent, TVGN_DROPHILITE);
        SetInsertMark(item, y >= row.top + split.half);
        return;
    }
    if (y < row.top + split.third) {
        SelectItem(parent, TVGN_DROPHILITE);
        SetInsertMark(item, FALSE);
    } else if (y <= row.bottom - split.third) {
        SelectItem(item, TVGN_DROPHILITE);
        SetInsertMark(nullptr, FALSE);
    } else if (GetChildItem(item) && (GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED)) {
        SelectItem(item, TVGN_DROPHILITE);
        SetInsertMark(GetChildItem(item), FALSE);
    } else {
        SelectItem(parent, TVGN_DROPHILITE);
        SetInsertMark(item, TRUE);
    }
    m_hHoverItem = item;
    SetTimer(m_hWnd, TIMER_HOVER_EXPAND, 1300, nullptr);
}

bool CAddrTree::IsDragTimer(UINT_PTR id)
{
    return id >= TIMER_HOVER_EXPAND && id <= TIMER_SCROLL_DOWN;
}

void CAddrTree::OnDragTimer(UINT_PTR id)
{
    switch (id) {
    case TIMER_HOVER_EXPAND:
        if (m_hHoverItem && KindOf(m_hHoverItem) != ADT_ADDR) {
            ImageList_DragMove(0, -20);
            ImageList_DragShowNolock(FALSE);
            CTreeCtrl::Expand(m_hHoverItem, TVE_EXPAND);
            Invalidate(TRUE);
            SetTimer(m_hWnd, TIMER_DRAG_REDRAW, 10, nullptr);
            ImageList_DragShowNolock(TRUE);
        }
        KillTimer(m_hWnd, TIMER_HOVER_EXPAND);
        break;
    case TIMER_DRAG_REDRAW:
        ImageList_DragShowNolock(TRUE);
        ImageList_DragMove(m_ptCursor.x, m_ptCursor.y);
        KillTimer(m_hWnd, TIMER_DRAG_REDRAW);
        break;
    case TIMER_SCROLL_REDRAW:
        ImageList_DragMove(0, -20);
        ImageList_DragShowNolock(FALSE);
        Invalidate(TRUE);
        ImageList_DragShowNolock(TRUE);
        KillTimer(m_hWnd, TIMER_SCROLL_REDRAW);
        break;
    case TIMER_SCROLL_UP:
    case TIMER_SCROLL_DOWN: {
        POINT cursor;
        GetCursorPos(&cursor);
        ScreenToClient(m_hWnd, &cursor);
        HTREEITEM item = HitTest(cursor);
        HTREEITEM next = item ? GetNextItem(item, id == TIMER_SCROLL_UP ? TVGN_PREVIOUSVISIBLE : TVGN_NEXTVISIBLE)
                              : nullptr;
        if (next) {
            EnsureVisible(next);
            SetTimer(m_hWnd, TIMER_SCROLL_REDRAW, 10, nullptr);
        }
        break;
    }
    default:
        break;
    }
}

// Stops every drag timer: at the start of a drag (the control's own timers of the same ids
// included) and at its end.
void CAddrTree::StopDragTimers()
{
    for (UINT_PTR id = TIMER_HOVER_EXPAND; id <= TIMER_SCROLL_DOWN; ++id)
        KillTimer(m_hWnd, id);
    m_nScrollTimer = 0;
    m_hHoverItem = nullptr;
}

// Leaves the dragging state, by drop or cancel: timers, mark, capture and image go.
void CAddrTree::EndDrag()
{
    StopDragTimers();
    SetInsertMark(nullptr, FALSE);
    m_bDragging = 0;
    ReleaseCapture();
    ImageList_DragLeave(m_hWnd);
    ImageList_EndDrag();
    if (m_pDragImage)
        ImageList_Destroy(m_pDragImage);
    m_pDragImage = nullptr;
    SelectItem(nullptr, TVGN_DROPHILITE);
}

void CAddrTree::CancelDrag()
{
    if (m_bDragging)
        EndDrag();
}

void CAddrTree::OnDrop(int x, int y)
{
    Trace("void CAddrTree::OnLButtonUp()\n");
    if (!m_bDragging) {
        // No drag timer runs now; ids 1 to 5 may be the control's (a label edit pending
        // after a click on the selected label), so none is stopped.
        m_nScrollTimer = 0;
        m_hHoverItem = nullptr;
        return;
    }
    HTREEITEM target = HitTest({x, y});
    EndDrag();
    if (!InsideWindow(x, y) || !target || target == m_hDragItem)
        return;
    for (HTREEITEM up = target; up; up = GetParentItem(up)) {
        if (up == m_hDragItem) {
            Trace("ドロップ先がドラッグアイテムの子孫の場合は何もしない\n");
            return;
        }
    }
    DropAt(target, y);
}

void CAddrTree::DropAt(HTREEITEM target, int y)
{
    RECT row;
    GetItemRect(target, &row, FALSE);
    RowSplit split = SplitRow(row);
    int targetKind = KindOf(target);
    int draggedKind = KindOf(m_hDragItem);
    bool draggedBook = IsBookKind(static_cast<unsigned char>(draggedKind));
    HTREEITEM container;
    int mode;
    if (targetKind == ADT_ADDR) {
        container = GetParentItem(target);
        mode = y < row.top + split.half ? PLACE_BEFORE : PLACE_AFTER;
    } else if (y < row.top + split.third) {
        container = GetParentItem(target);
        mode = PLACE_BEFORE;
    } else if (y <= row.bottom - split.third) {
        container = target;
        mode = PLACE_CHILD;
    } else if (GetChildItem(target) && (GetItemState(target, TVIS_EXPANDED) & TVIS_EXPANDED) &&
               draggedKind == ADT_ADDR) {
        container = target;
        target = GetChildItem(target);
        mode = PLACE_BEFORE;
    } else {
        container = GetParentItem(target);
        mode = PLACE_AFTER;
    }

    ADTDATA* sourceBook = m_Store.GetBook(m_hDragItem);
    ADTDATA* targetBook = m_Store.GetBook(target);
    bool targetIsBook = IsBookKind(static_cast<unsigned char>(KindOf(target)));
    const char* refusal = nullptr;
    if (draggedBook && (!targetIsBook || mode == PLACE_CHILD))
        refusal = "アドレスブックを別のアドレスブック内へはドラッグできません";
    else if (!draggedBook && targetIsBook && mode != PLACE_CHILD)
        refusal = "アドレスデータ又はフォルダを\nアドレスブックと同列へ移動させる事はできません";
    else if (!draggedBook && (!targetBook || targetBook->cType == ADT_GLOBAL_BOOK || targetBook->bReadOnly))
        refusal = "グローバルブック又は読み取り専用のブックへデータを挿入する事はできません";
    if (refusal) {
        MessageBox(refusal, "エラー", MB_OK | MB_ICONERROR);
        return;
    }

    if (draggedBook) {
        MoveBook(target, mode);
        return;
    }
    ADTDATA* dragged = m_Store.FindByItem(m_hDragItem);
    HTREEITEM copyItem = CopySubtree(m_hDragItem, target, mode);
    ADTDATA* copy = copyItem ? m_Store.FindByItem(copyItem) : nullptr;
    m_Store.SetModified(m_Store.FindByItem(target));
    bool moves = sourceBook && sourceBook->cType != ADT_GLOBAL_BOOK && !sourceBook->bReadOnly;
    // A move within a book keeps the entries' identity (their base ids): a merge with the
    // book's file then sees a move, not a deletion and an addition. A copy, or a move to
    // another book, makes new entries there.
    if (!moves || sourceBook != targetBook)
        ForgetBaseIds(copy);
    if (moves) {
        m_Store.SetModified(dragged);
        m_Store.DeleteData(dragged);
        m_Store.Renumber(container ? m_Store.FindByItem(container) : nullptr, 1);
    }
    // The container needs no sorting: the store puts every item where its key sorts and
    // re-keys items in the order they stand, so the level is in key order already.
}

// A book goes before or after another book as it is: relinked with its contents, its
// unsaved changes and its read-only protection. The books are then keyed 10, 20, 30 ...
void CAddrTree::MoveBook(HTREEITEM target, int mode)
{
    ADTDATA* book = m_Store.FindByItem(m_hDragItem);
    ADTDATA* other = m_Store.FindByItem(target);
    m_Store.MoveData(book, other, mode);
    m_Store.SetModified(other);
    m_Store.Renumber(nullptr, 0);
    SortChildren(nullptr);
}

// Copies the source's subtree in the order its items stand, which is the order of the
// store's lists: the store's lists are walked, not the control's items, each of which
// would cost a search of all items under Wine. No recursion: folders nest to any depth.
// Each copy carries its original's base id, so that a drag is a move of the same entries.
HTREEITEM CAddrTree::CopySubtree(HTREEITEM source, HTREEITEM target, int mode)
{
    ADTDATA* top = m_Store.FindByItem(source);
    if (!top)
        return nullptr;
    ADTDATA* topCopy = m_Store.AddDataAt(top->cType, top->psName, top->psAddr, target, mode);
    if (!topCopy)
        return nullptr;
    topCopy->nBaseId = top->nBaseId;
    ADTDATA* node = top;
    ADTDATA* copy = topCopy;     // the copy of node, or none when it could not be made
    ADTDATA* parentCopy = nullptr;  // the copy of node's parent below the top
    for (;;) {
        if (node->pChild && copy) {
            parentCopy = copy;
            node = node->pChild;
            copy = m_Store.AddData(node->cType, node->psName, node->psAddr, parentCopy, PLACE_CHILD);
            if (copy)
                copy->nBaseId = node->nBaseId;
            continue;
        }
        // Climb out of finished lists until a next sibling is found.
        while (node != top && !node->pNext) {
            node = node->pParent;
            copy = parentCopy;
            parentCopy = parentCopy->pParent;
        }
        if (node == top)
            break;
        node = node->pNext;
        copy = m_Store.AddData(node->cType, node->psName, node->psAddr, parentCopy, PLACE_CHILD);
        if (copy)
            copy->nBaseId = node->nBaseId;
    }
    return topCopy->hItem;
}
