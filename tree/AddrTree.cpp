#include "tree/AddrTree.h"
#include <cstdlib>
#include <vector>
#include "framework/Trace.h"

namespace {

int ImageFor(int kind, bool expanded)
{
    switch (kind) {
    case ADT_LOCAL_BOOK: return expanded ? 2 : 3;
    case ADT_GLOBAL_BOOK: return expanded ? 4 : 5;
    case ADT_FOLDER: return expanded ? 6 : 7;
    default: return -1;
    }
}

}  // namespace

CAddrTree::CAddrTree(CAddrBook& store) : m_Store(store)
{
    m_Store.m_pTree = this;
}

CAddrTree::~CAddrTree()
{
    if (m_Store.m_pTree == this)
        m_Store.m_pTree = nullptr;
}

HTREEITEM CAddrTree::InsertNode(HTREEITEM parent, HTREEITEM after, const char* text, int image,
                                int selectedImage, uint32_t data)
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(text);
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    insert.item.lParam = static_cast<LPARAM>(data);
    return InsertItem(insert);
}

// Every level below item is sorted before the level above it. The walk keeps its own
// stack: folders read from a file may nest deeper than the thread's stack would allow.
void CAddrTree::SortChildren(HTREEITEM item)
{
    TVSORTCB sort = {};
    sort.lpfnCompare = CompareOrder;
    sort.lParam = 0;
    if (!item) {
        sort.hParent = TVI_ROOT;
        SortChildrenCB(sort);
        return;
    }
    std::vector<HTREEITEM> preOrder;
    std::vector<HTREEITEM> pending = {item};
    while (!pending.empty()) {
        HTREEITEM next = pending.back();
        pending.pop_back();
        preOrder.push_back(next);
        for (HTREEITEM child = GetChildItem(next); child; child = GetNextSiblingItem(child))
            pending.push_back(child);
    }
    for (auto level = preOrder.rbegin(); level != preOrder.rend(); ++level) {
        sort.hParent = *level;
        SortChildrenCB(sort);
    }
}

void CAddrTree::SortLevel(HTREEITEM parent)
{
    TVSORTCB sort = {};
    sort.hParent = parent ? parent : TVI_ROOT;
    sort.lpfnCompare = CompareOrder;
    SortChildrenCB(sort);
}

int CALLBACK CAddrTree::CompareOrder(LPARAM data1, LPARAM data2, LPARAM)
{
    uint32_t k1 = ItemDataKey(static_cast<uint32_t>(data1));
    uint32_t k2 = ItemDataKey(static_cast<uint32_t>(data2));
    return k1 < k2 ? -1 : (k1 > k2 ? 1 : 0);
}

BOOL CAddrTree::OnReflectedNotify(NMHDR* header, LRESULT* result)
{
    switch (header->code) {
    case TVN_GETDISPINFOA:
        *result = OnGetDispInfo(reinterpret_cast<NMTVDISPINFOA*>(header));
        return TRUE;
    case TVN_ITEMEXPANDEDA:
        *result = OnItemExpanded(reinterpret_cast<NMTREEVIEWA*>(header));
        return TRUE;
    case TVN_BEGINLABELEDITA:
        *result = OnBeginLabelEdit(reinterpret_cast<NMTVDISPINFOA*>(header));
        return TRUE;
    case TVN_ENDLABELEDITA:
        *result = OnEndLabelEdit(reinterpret_cast<NMTVDISPINFOA*>(header));
        return TRUE;
    case NM_DBLCLK:
        *result = OnDBLClick();
        return TRUE;
    case NM_RCLICK:
        *result = OnRClick();
        return TRUE;
    case TVN_BEGINDRAGA:
        *result = OnBeginDrag(reinterpret_cast<NMTREEVIEWA*>(header));
        return TRUE;
    case TVN_GETDISPINFOW:
    case TVN_ITEMEXPANDEDW:
    case TVN_BEGINLABELEDITW:
    case TVN_ENDLABELEDITW:
    case TVN_BEGINDRAGW:
        ++m_nWideNotifications;
        return FALSE;
    default:
        return FALSE;
    }
}

// Books and folders show their open or closed picture by the item's current state.
LRESULT CAddrTree::OnGetDispInfo(NMTVDISPINFOA* info)
{
    TVITEMA& item = info->item;
    if ((item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) != (TVIF_IMAGE | TVIF_SELECTEDIMAGE))
        return 0;
    int image = ImageFor(ItemDataKind(static_cast<uint32_t>(item.lParam)), (item.state & TVIS_EXPANDED) != 0);
    if (image >= 0) {
        item.iImage = image;
        item.iSelectedImage = image;
    }
    return 0;
}

LRESULT CAddrTree::OnItemExpanded(NMTREEVIEWA* view)
{
    TVITEMA& item = view->itemNew;
    m_Store.SetExpand(item.hItem, static_cast<int>(item.state & TVIS_EXPANDED));
    if (ItemDataKind(static_cast<uint32_t>(item.lParam)) != ADT_ADDR) {
        RECT row;
        if (GetItemRect(item.hItem, &row, FALSE))
            InvalidateRect(m_hWnd, &row, TRUE);
    }
    return 0;
}

LRESULT CAddrTree::OnBeginLabelEdit(NMTVDISPINFOA* info)
{
    Trace("CAddrTree::OnBeginLabelEdit(NMHDR* pNMHDR, LRESULT* pResult)\n");
    HTREEITEM item = info->item.hItem;
    if (ItemDataKind(static_cast<uint32_t>(info->item.lParam)) == ADT_ADDR) {
        Trace("CAddrTree::OnBeginLabelEdit() - アドレスデータはラベル編集不可\n");
        return 1;
    }
    ADTDATA* node = m_Store.FindByItem(item);
    ADTDATA* book = m_Store.GetBook(item);
    if (!node || !book || (node != book && book->cType == ADT_GLOBAL_BOOK)) {
        Trace("CAddrTree::OnBeginLabelEdit() - グローバルブックなのでラベル編集不可\n");
        return 1;
    }
    m_pEditCtrl = GetEditControl();
    return 0;
}

LRESULT CAddrTree::OnEndLabelEdit(NMTVDISPINFOA* info)
{
    Trace("CAddrTree::OnEndLabelEdit(NMHDR* pNMHDR, LRESULT* pResult)\n");
    HTREEITEM item = info->item.hItem;
    ADTDATA* node = m_Store.FindByItem(item);
    ADTDATA* book = m_Store.GetBook(item);
    bool editable = node && book && !(node != book && book->cType == ADT_GLOBAL_BOOK);
    const char* text = info->item.pszText;
    if (editable && text && *text) {
        if (m_cEditEndKey == 27) {
            CTreeCtrl::SetItemText(item, node->psName ? node->psName : "");
        } else if (m_Store.ReplaceName(node, text)) {
            CTreeCtrl::SetItemText(item, node->psName);
            m_Store.SetModified(node);
        } else {
            ::MessageBoxA(nullptr,
                        "mallocエラー\nvoid CAddrTree::OnEndLabelEdit(NMHDR* pNMHDR, LRESULT* pResult)\n"
                        "pData->psName = (char*)malloc( strlen( pTVDispInfo->item.pszText ) + 1 );",
                        nullptr, MB_OK | MB_ICONERROR);
        }
    }
    m_pEditCtrl = nullptr;
    m_cEditEndKey = 0;
    return 0;
}

void CAddrTree::OnKeyDown(int key)
{
    if (!m_pEditCtrl) {
        // Escape without a label edit cancels a drag; Enter does nothing to one.
        if (key == 27)
            CancelDrag();
        return;
    }
    m_cEditEndKey = key == 13 ? 13 : 27;
    HWND editor = m_pEditCtrl;
    // The control ends the edit and sends TVN_ENDLABELEDIT while its editor is destroyed.
    DestroyWindow(editor);
    Trace(key == 13 ? "CAddrTree::OnKeyDown( VK_RETURN )\n" : "CAddrTree::OnKeyDown( VK_ESCAPE )\n");
}

LRESULT CAddrTree::OnDBLClick()
{
    Trace("CAddrTree::OnDBLClick()\n");
    return 0;
}

LRESULT CAddrTree::OnRClick()
{
    Trace("CAddrTree::OnRClick()\n");
    return 0;
}

void CAddrTree::OnSize()
{
    Trace("void CAddrTree::OnSize()\n");
    m_rcWnd = GetWindowRect();
}

void CAddrTree::OnLButtonDown(WPARAM flags, LPARAM point)
{
    Trace("CAddrTree::OnLButtonDown( 0x%08X, %5d:%5d )\n", static_cast<unsigned>(flags),
          static_cast<int>(static_cast<short>(LOWORD(point))), static_cast<int>(static_cast<short>(HIWORD(point))));
}

void CAddrTree::OnDestroy()
{
    if (m_Store.m_pTree == this)
        m_Store.m_pTree = nullptr;
}

LRESULT CAddrTree::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        LRESULT result = Default(message, wParam, lParam);
        if (result == -1)
            return -1;
        m_rcWnd = GetWindowRect();
        Trace("CAddrTree::OnCreate() : m_rcWnd( %08d, %08d, %08d, %08d )\n", static_cast<int>(m_rcWnd.left),
              static_cast<int>(m_rcWnd.top), static_cast<int>(m_rcWnd.right), static_cast<int>(m_rcWnd.bottom));
        return 0;
    }
    case WM_SIZE:
        OnSize();
        break;
    case WM_LBUTTONDOWN:
        OnLButtonDown(wParam, lParam);
        break;
    case WM_MOUSEMOVE:
        if (!OnDragMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))))
            return 0;
        break;
    case WM_LBUTTONUP: {
        LRESULT result = Default(message, wParam, lParam);
        OnDrop(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return result;
    }
    case WM_TIMER:
        // While a drag runs, ids 1 to 5 are the drag's own: the control uses low ids too
        // (under Wine, id 2 starts a label edit of the caret item). Outside a drag every
        // timer is the control's, so a click on the selected label still opens the edit.
        if (m_bDragging && IsDragTimer(wParam)) {
            OnDragTimer(wParam);
            return 0;
        }
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}
