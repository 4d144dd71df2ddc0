// The window's own dispatch of commands and notifications, before the normal routing:
// the commands of the tree's context menu, the context menu itself, the tree's Delete key
// and double click.
#include <string>
#include "dialogs/AddrEditDlg.h"
#include "dialogs/AddrText.h"
#include "framework/Trace.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "window/AddrDlg.h"

namespace {

struct ContextCommand {
    UINT id;
    const char* name;
};

const ContextCommand kContextCommands[] = {
    {ID_M_ADD_TO, "ID_M_ADD_TO"},
    {ID_M_ADD_CC, "ID_M_ADD_CC"},
    {ID_M_ADD_BCC, "ID_M_ADD_BCC"},
    {ID_M_ADD_REPLYTO, "ID_M_ADD_REPLYTO"},
    {ID_M_ADDR_EDIT, "ID_M_ADDR_EDIT"},
    {ID_M_ADDR_DEL, "ID_M_ADDR_DEL"},
    {ID_M_FOLDER_EDIT, "ID_M_FOLDER_EDIT"},
    {ID_M_FOLDER_DEL, "ID_M_FOLDER_DEL"},
    {ID_M_ADD_TO_LOCAL, "ID_M_ADD_TO_LOCAL"},
    {ID_M_ADD_CC_LOCAL, "ID_M_ADD_CC_LOCAL"},
    {ID_M_ADD_BCC_LOCAL, "ID_M_ADD_BCC_LOCAL"},
    {ID_M_ADD_REPLYTO_LOCAL, "ID_M_ADD_REPLYTO_LOCAL"},
    {ID_M_ADD_TO_ALL, "ID_M_ADD_TO_ALL"},
    {ID_M_ADD_CC_ALL, "ID_M_ADD_CC_ALL"},
    {ID_M_ADD_BCC_ALL, "ID_M_ADD_BCC_ALL"},
    {ID_M_ADD_REPLYTO_ALL, "ID_M_ADD_REPLYTO_ALL"},
    {ID_M_BOOK_PROPERTY, "ID_M_BOOK_PROPERTY"},
    {ID_M_BOOK_DEL, "ID_M_BOOK_DEL"},
    {ID_M_NEW_ADDR, "ID_M_NEW_ADDR"},
    {ID_M_NEW_FOLDER, "ID_M_NEW_FOLDER"},
};

int SendTypeOf(UINT id)
{
    switch (id) {
    case ID_M_ADD_TO: case ID_M_ADD_TO_LOCAL: case ID_M_ADD_TO_ALL: return SEND_TO;
    case ID_M_ADD_CC: case ID_M_ADD_CC_LOCAL: case ID_M_ADD_CC_ALL: return SEND_CC;
    case ID_M_ADD_BCC: case ID_M_ADD_BCC_LOCAL: case ID_M_ADD_BCC_ALL: return SEND_BCC;
    default: return SEND_REPLYTO;
    }
}

// The pop-up of the context menu for a node: 0 addresses, 1 folders, 2 books.
int PopupFor(const ADTDATA* node)
{
    if (!node)
        return -1;
    if (node->cType == ADT_ADDR)
        return 0;
    if (node->cType == ADT_FOLDER)
        return 1;
    return IsBookKind(node->cType) ? 2 : -1;
}

}  // namespace

BOOL CAddrDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == 0)
        OnContextCommand(LOWORD(wParam));
    if (LOWORD(wParam) == IDC_MANUAL_ENTRY && HIWORD(wParam) == EN_CHANGE)
        m_Completion.OnTextChanged();
    else if (LOWORD(wParam) == IDC_MANUAL_ENTRY && HIWORD(wParam) == EN_SETFOCUS)
        m_Completion.Index().Refresh();
    return CDialog::OnCommand(wParam, lParam);
}

// Carries out a command of the context menu on the selected node; false for other ids.
bool CAddrDlg::OnContextCommand(UINT id)
{
    const ContextCommand* command = nullptr;
    for (const ContextCommand& known : kContextCommands) {
        if (known.id == id)
            command = &known;
    }
    if (!command)
        return false;
    Trace("BOOL CAddrDlg::OnCommand(%s)\n", command->name);
    ADTDATA* node = SelectedNode();
    switch (id) {
    case ID_M_ADD_TO: case ID_M_ADD_CC: case ID_M_ADD_BCC: case ID_M_ADD_REPLYTO:
        if (node && node->cType == ADT_ADDR)
            InsertNodeToSendList(SendTypeOf(id), node);
        break;
    case ID_M_ADD_TO_LOCAL: case ID_M_ADD_CC_LOCAL: case ID_M_ADD_BCC_LOCAL: case ID_M_ADD_REPLYTO_LOCAL:
        InsertFolderLocal(SendTypeOf(id), node);
        break;
    case ID_M_ADD_TO_ALL: case ID_M_ADD_CC_ALL: case ID_M_ADD_BCC_ALL: case ID_M_ADD_REPLYTO_ALL:
        InsertFolderAll(SendTypeOf(id), node);
        break;
    case ID_M_ADDR_EDIT: OnEditAddr(); break;
    case ID_M_FOLDER_EDIT: OnRenameFolder(); break;
    case ID_M_BOOK_PROPERTY: OnEditBook(); break;
    // A delete marks the book modified only once it is done (the store does that), so an
    // answer of No leaves the book as it was.
    case ID_M_ADDR_DEL:
        if (node)
            DeleteAddr(true);
        break;
    case ID_M_FOLDER_DEL:
        if (node)
            DeleteFolder(true);
        break;
    case ID_M_BOOK_DEL:
        if (node)
            DeleteBook(true);
        break;
    case ID_M_NEW_ADDR: OnNewAddrHere(node); break;
    case ID_M_NEW_FOLDER: OnNewFolderHere(node); break;
    default: break;
    }
    return true;
}

// A new address under the selected book or folder, filled in through the address
// dialog; a cancelled dialog takes the address away again.
void CAddrDlg::OnNewAddrHere(ADTDATA* target)
{
    if (!target)
        return;
    ADTDATA* node = m_Store.AddData(ADT_ADDR, "新しいアドレスデータ", " ", target, PLACE_CHILD);
    if (!node)
        return;
    m_Store.SetModified(node);
    m_AddrTree.Invalidate(TRUE);

    CAddrEditDlg dialog(nullptr, m_Store);
    dialog.m_pEditNode = node;
    if (dialog.DoModal() == IDOK) {
        m_Store.ReplaceName(node, dialog.m_strName.c_str());
        m_Store.ReplaceAddr(node, ToStoredAddresses(dialog.m_strAddr).c_str());
        m_Store.SetModified(node);
        m_Store.UpdateLabel(node);
        return;
    }
    m_AddrTree.SelectItem(node->hItem, TVGN_CARET);
    DeleteAddr(false);
}

// A new folder under the selected book or folder, its label open for a name.
void CAddrDlg::OnNewFolderHere(ADTDATA* target)
{
    if (!target)
        return;
    ADTDATA* node = m_Store.AddData(ADT_FOLDER, "新しいフォルダ", nullptr, target, PLACE_CHILD);
    if (!node)
        return;
    m_Store.SetModified(node);
    m_AddrTree.Invalidate(TRUE);
    m_AddrTree.EditLabel(node->hItem);
}

BOOL CAddrDlg::OnTreeNotify(NMHDR* header)
{
    switch (header->code) {
    case TVN_KEYDOWN:
        Trace("BOOL CAddrDlg::OnNotify( m_AddrTree : TVN_KEYDOWN );\n");
        if (reinterpret_cast<NMTVKEYDOWN*>(header)->wVKey == VK_DELETE)
            OnTreeDeleteKey();
        return TRUE;
    case NM_RCLICK:
        ShowContextMenu();
        return TRUE;
    case NM_DBLCLK:
        Trace("BOOL CAddrDlg::OnNotify( m_AddrTree : NM_DBCLICK );\n");
        OnTreeDoubleClick();
        return TRUE;
    default:
        return FALSE;
    }
}

void CAddrDlg::OnTreeDeleteKey()
{
    ADTDATA* node = SelectedNode();
    if (!node)
        return;
    if (IsBookKind(node->cType))
        DeleteBook(true);
    else if (node->cType == ADT_FOLDER)
        DeleteFolder(true);
    else if (node->cType == ADT_ADDR)
        DeleteAddr(true);
}

// The context menu of the item under the pointer, by the kind of its node.
void CAddrDlg::ShowContextMenu()
{
    POINT screen;
    GetCursorPos(&screen);
    POINT client = screen;
    ScreenToClient(m_AddrTree.m_hWnd, &client);
    HTREEITEM item = m_AddrTree.HitTest(client);
    if (!item)
        return;
    m_AddrTree.SelectItem(item, TVGN_CARET);

    HINSTANCE module = CWinApp::Current() ? CWinApp::Current()->m_hInstance : nullptr;
    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(IDR_RBUTTON_MENU));
    if (!menu) {
        MessageBox("IDR_RBUTTON_MENUのLoadに失敗しました", nullptr, MB_OK);
        return;
    }
    int popup = PopupFor(m_Store.FindByItem(item));
    HMENU sub = popup >= 0 ? GetSubMenu(menu, popup) : nullptr;
    if (sub)
        TrackPopupMenu(sub, TPM_RIGHTBUTTON, screen.x, screen.y, 0, m_hWnd, nullptr);
    DestroyMenu(menu);
}

// A double click adds the selected address when the pointer is on its label.
void CAddrDlg::OnTreeDoubleClick()
{
    HTREEITEM item = m_AddrTree.GetSelectedItem();
    POINT cursor;
    GetCursorPos(&cursor);
    RECT tree = m_AddrTree.GetWindowRect();
    RECT label;
    if (!item || !m_AddrTree.GetItemRect(item, &label, TRUE))
        return;
    OffsetRect(&label, tree.left, tree.top);
    bool inside = cursor.x >= label.left && cursor.x <= label.right && cursor.y >= label.top &&
                  cursor.y <= label.bottom;
    ADTDATA* node = m_Store.FindByItem(item);
    if (inside && node && node->cType == ADT_ADDR)
        InsertNodeToSendList(m_nSendType, node);
}
