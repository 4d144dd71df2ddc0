// The window's find commands: Ctrl+F opens the find dialog; F3 and Shift+F3, and the
// dialog's buttons, select the next or previous node, in tree order from the selected one,
// whose name or address text holds the dialog's text. The search walks the store, not the
// control. The keys come through a message hook: the window's modal loop is
// DialogBoxParam's, which knows neither accelerators nor the modeless find dialog.
#include <vector>
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "window/AddrDlg.h"

namespace {

const char* const kWrappedNote = "先頭から検索しました";
const char* const kNotFoundNote = "見つかりません";

}  // namespace

void CAddrDlg::InstallFindKeys()
{
    HINSTANCE module = CWinApp::Current() ? CWinApp::Current()->m_hInstance : nullptr;
    m_hFindKeys = LoadAcceleratorsA(module, MAKEINTRESOURCEA(IDR_FIND_KEYS));
    m_KeyHook.Install([this](MSG& message) { return PreTranslateMessage(message); });
}

// Every message the loop takes from the queue, before it is dispatched: the find keys
// for the window and the find dialog, then the find dialog's own dialog keys.
bool CAddrDlg::PreTranslateMessage(MSG& message)
{
    HWND find = m_FindDlg.m_hWnd;
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
        bool ours = message.hwnd == m_hWnd || IsChild(m_hWnd, message.hwnd) ||
                    (find && (message.hwnd == find || IsChild(find, message.hwnd)));
        if (ours && m_hFindKeys && FindKeysAllowed() && TranslateAcceleratorA(m_hWnd, m_hFindKeys, &message))
            return true;
    }
    return find && IsDialogMessageA(find, &message);
}

// Not while a box over the window waits for an answer, nor during a label edit (the keys
// belong to its editor) or a drag.
bool CAddrDlg::FindKeysAllowed() const
{
    return IsWindowEnabled(m_hWnd) && !m_AddrTree.m_pEditCtrl && !m_AddrTree.m_bDragging;
}

bool CAddrDlg::OnFindCommand(UINT id)
{
    switch (id) {
    case ID_FIND: OnFind(); return true;
    case ID_FIND_NEXT: OnFindAgain(true); return true;
    case ID_FIND_PREV: OnFindAgain(false); return true;
    default: return false;
    }
}

void CAddrDlg::OnFind()
{
    m_FindDlg.Show(m_hWnd, true);
}

// Without a text yet the dialog opens to ask for one. A closed dialog opens again without
// taking the focus, so that its line can tell how the search went.
void CAddrDlg::OnFindAgain(bool forward)
{
    std::string text = m_FindDlg.Text();
    if (text.empty()) {
        OnFind();
        return;
    }
    if (!m_FindDlg.IsVisible())
        m_FindDlg.Show(m_hWnd, false);
    FindResult found = FindNode(m_Store, SelectedNode(), text.c_str(), m_FindDlg.Scope(), forward);
    if (!found.node) {
        m_FindDlg.ShowStatus(kNotFoundNote);
        return;
    }
    ShowFoundNode(found.node);
    m_FindDlg.ShowStatus(found.wrapped ? kWrappedNote : "");
}

// Opens the node's folders and book, outermost first, then selects it and scrolls it into
// view. The expansion is recorded in the nodes as the user's own would be: the control does
// not report an expansion of an item it has expanded before.
void CAddrDlg::ShowFoundNode(ADTDATA* node)
{
    std::vector<ADTDATA*> parents;
    for (ADTDATA* parent = node->pParent; parent && parent != &m_Store.m_Root; parent = parent->pParent)
        parents.push_back(parent);
    for (auto parent = parents.rbegin(); parent != parents.rend(); ++parent) {
        m_AddrTree.Expand((*parent)->hItem);
        (*parent)->bExpand = 1;
    }
    m_AddrTree.SelectItem(node->hItem, TVGN_CARET);
    m_AddrTree.EnsureVisible(node->hItem);
}
