#include "BareWindow.h"
#include <algorithm>
#include "resources/resource.h"

namespace {

INT_PTR CALLBACK BareProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

}  // namespace

CBareWindow::CBareWindow()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    m_hWnd = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_ADDRBOOK), nullptr, BareProc, 0);
    m_hTree = GetDlgItem(m_hWnd, IDC_ADDR_TREE);
    m_hList = GetDlgItem(m_hWnd, IDC_SEND_LIST);
    m_hImages = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_TREE_IMAGES), 16, 0, RGB(0xFF, 0, 0xFF),
                                     IMAGE_BITMAP, LR_CREATEDIBSECTION);
    SendMessageA(m_hTree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(m_hImages));
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.pszText = const_cast<char*>("宛先リスト");
    column.cx = 440;
    SendMessageA(m_hList, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
}

// Shown like the window, beside it: a window that another covers costs less to change,
// since nothing of it is drawn. Never active: a modal window opened later would take it as
// its owner.
void CBareWindow::Show()
{
    SetWindowPos(m_hWnd, nullptr, 520, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    UpdateWindow(m_hWnd);
}

CBareWindow::~CBareWindow()
{
    DestroyWindow(m_hWnd);
    ImageList_Destroy(m_hImages);
}

// Level by level, as the store shows a book: each insert names a parent inserted early,
// which Wine's tree finds at once; then the open items are expanded, deepest first.
std::vector<HTREEITEM> CBareWindow::Insert(const std::vector<BenchBook::ItemRecord>& records, HTREEITEM parent,
                                           HTREEITEM after)
{
    std::vector<int> depth(records.size());
    std::vector<size_t> order(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        depth[i] = records[i].parent < 0 ? 0 : depth[static_cast<size_t>(records[i].parent)] + 1;
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return depth[a] < depth[b]; });
    std::vector<HTREEITEM> items(records.size());
    for (size_t i : order) {
        const BenchBook::ItemRecord& record = records[i];
        TVINSERTSTRUCTA insert = {};
        insert.hParent = record.parent < 0 ? (parent ? parent : TVI_ROOT) : items[static_cast<size_t>(record.parent)];
        insert.hInsertAfter = i == 0 ? after : TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        insert.item.pszText = const_cast<char*>(record.text.c_str());
        insert.item.iImage = record.image;
        insert.item.iSelectedImage = record.selectedImage;
        insert.item.lParam = static_cast<LPARAM>(record.data);
        items[i] = reinterpret_cast<HTREEITEM>(SendMessageA(m_hTree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
        m_hLastInserted = items[i];
    }
    for (auto i = order.rbegin(); i != order.rend(); ++i) {
        if (records[*i].expanded)
            SendMessageA(m_hTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(items[*i]));
    }
    return items;
}

void CBareWindow::InsertEntries(const std::vector<Entry>& entries)
{
    SendMessageA(m_hList, WM_SETREDRAW, FALSE, 0);
    for (const Entry& entry : entries) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = entry.position;
        item.pszText = const_cast<char*>(entry.text.c_str());
        item.lParam = entry.key;
        SendMessageA(m_hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(m_hList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_hList, nullptr, TRUE);
}
