// The send list of the address book window: entries picked as To, CC, BCC or ReplyTo,
// kept sorted by their sort key, with duplicates refused.
#include "framework/Trace.h"
#include "resources/resource.h"
#include "window/AddrDlg.h"

using namespace SendListRules;

int CALLBACK CAddrDlg::CompareEntries(LPARAM key1, LPARAM key2, LPARAM)
{
    int32_t k1 = static_cast<int32_t>(key1);
    int32_t k2 = static_cast<int32_t>(key2);
    return k1 < k2 ? -1 : (k1 > k2 ? 1 : 0);
}

void CAddrDlg::InsertSendList(int type, const char* text)
{
    if (!text || !*text)
        return;
    // The new entry goes after every entry whose key is not greater, so the list stays in
    // key order without sorting it again.
    if (!m_Entries.Propose(type, text, m_NewEntry)) {
        Trace(type == SEND_REPLYTO ? "CAddrDlg::InsertSendList() : 登録済みアドレス[ReplyTo同士]\n"
                                   : "CAddrDlg::InsertSendList() : 登録済みアドレス\n");
        return;
    }
    if (m_SendList.InsertItem(static_cast<int>(m_NewEntry.position), m_NewEntry.text.c_str(), m_NewEntry.sortKey) < 0)
        return;
    m_Entries.Insert(m_NewEntry.text, m_NewEntry.sortKey);
}

void CAddrDlg::InsertNodeToSendList(int type, const ADTDATA* node)
{
    NodeEntries(node, m_NodeEntries);
    for (const std::string& text : m_NodeEntries)
        InsertSendList(type, text.c_str());
}

void CAddrDlg::InsertFolderLocal(int type, const ADTDATA* folder)
{
    if (!folder || folder->cType != ADT_FOLDER)
        return;
    SendMessageA(m_SendList.m_hWnd, WM_SETREDRAW, FALSE, 0);
    for (const ADTDATA* child = folder->pChild; child; child = child->pNext) {
        if (child->cType == ADT_ADDR)
            InsertNodeToSendList(type, child);
    }
    SendMessageA(m_SendList.m_hWnd, WM_SETREDRAW, TRUE, 0);
    m_SendList.Invalidate();
}

// Every address below the folder, depth first, sub-folders before the next sibling.
void CAddrDlg::InsertFolderAll(int type, const ADTDATA* folder)
{
    if (!folder || folder->cType != ADT_FOLDER)
        return;
    SendMessageA(m_SendList.m_hWnd, WM_SETREDRAW, FALSE, 0);
    ADTDATA* top = const_cast<ADTDATA*>(folder);
    for (ADTDATA* node = top->pChild; node; node = NextPreOrder(node, top)) {
        if (node->cType == ADT_ADDR)
            InsertNodeToSendList(type, node);
    }
    SendMessageA(m_SendList.m_hWnd, WM_SETREDRAW, TRUE, 0);
    m_SendList.Invalidate();
}

void CAddrDlg::AddToSendList(int type)
{
    std::string text = CutText(GetDlgItemText(IDC_MANUAL_ENTRY), kMaxManualBytes);
    if (!text.empty()) {
        InsertEntries(type, SplitManualText(text));
        SetDlgItemText(IDC_MANUAL_ENTRY, "");
        return;
    }
    ADTDATA* node = SelectedNode();
    if (node && node->cType == ADT_ADDR)
        InsertNodeToSendList(type, node);
}

void CAddrDlg::InsertEntries(int type, const std::vector<std::string>& texts)
{
    for (const std::string& text : texts)
        InsertSendList(type, text.c_str());
}

// The host's recipients of the message being written, in the order To, CC, BCC, ReplyTo.
void CAddrDlg::InsertInitialEntries()
{
    const std::string* texts[] = {nullptr, &m_strTo, &m_strCc, &m_strBcc, &m_strReplyTo};
    for (int type = SEND_TO; type <= SEND_REPLYTO; ++type)
        InsertEntries(type, SplitHostText(*texts[type]));
}

void CAddrDlg::DeleteSelectedEntries()
{
    for (int index = m_SendList.GetItemCount() - 1; index >= 0; --index) {
        if (!(m_SendList.GetItemState(index, LVIS_SELECTED) & LVIS_SELECTED))
            continue;
        m_SendList.DeleteItem(index);
        m_Entries.Erase(static_cast<size_t>(index));
    }
}

void CAddrDlg::DeleteAllEntries()
{
    m_SendList.DeleteAllItems();
    m_Entries.Clear();
}

void CAddrDlg::OnSendListKey(WORD key)
{
    if (key == VK_DELETE)
        DeleteSelectedEntries();
    else if (key == 'A' && GetKeyState(VK_CONTROL) < 0)
        SelectFromTopToEnd();
}

// Ctrl+A selects from the topmost visible entry to the end; entries above keep their state.
void CAddrDlg::SelectFromTopToEnd()
{
    int count = m_SendList.GetItemCount();
    for (int index = m_SendList.GetTopIndex(); index >= 0 && index < count; ++index)
        m_SendList.SetItemState(index, LVIS_SELECTED, LVIS_SELECTED);
}
