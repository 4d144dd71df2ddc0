#include "window/AddrDlg.h"
#include "framework/Trace.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "VelmoraVersion.h"

namespace {

const COLORREF kTransparent = RGB(0xFF, 0x00, 0xFF);

const CToolBar::Button kToolButtons[] = {
    {ID_ADDR_NEW, 0, "新規作成"}, {0, 0, nullptr},
    {ID_FOLDER_NEW, 7, "新規作成"}, {0, 0, nullptr},
    {ID_BOOK_NEW, 3, "新規作成"}, {0, 0, nullptr},
    {ID_BOOK_UPDATE, 4, "ブック更新"}, {0, 0, nullptr},
    {ID_BOOK_IMPORT, 2, "インポート"},
};

HINSTANCE ModuleInstance()
{
    return CWinApp::Current() ? CWinApp::Current()->m_hInstance : nullptr;
}

}  // namespace

CAddrDlg::CAddrDlg(HWND owner, CAddrBook& store)
    : CDialog(IDD_ADDRBOOK, owner), m_AddrTree(store), m_Store(store), m_Completion(store)
{
}

CAddrDlg::~CAddrDlg() = default;

void CAddrDlg::BindControls()
{
    m_AddrTree.SubclassWindow(GetDlgItem(IDC_ADDR_TREE));
    m_SendList.m_hWnd = GetDlgItem(IDC_SEND_LIST);
}

BOOL CAddrDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    HICON icon = static_cast<HICON>(LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(IDI_VELMORA), IMAGE_ICON,
                                               16, 16, LR_SHARED));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    if (!CreateToolBar())
        return -1;

    m_TreeImages.LoadStrip(ModuleInstance(), IDB_TREE_IMAGES, 16, kTransparent);
    m_AddrTree.SetImageList(m_TreeImages.Handle(), TVSIL_NORMAL);
    m_SendList.InsertColumn(0, "宛先リスト", LVCFMT_LEFT, 440);

    LabelModeButtons();
    InsertInitialEntries();
    LoadWindowLayout();
    m_Store.DispList(nullptr);
    InstallFindKeys();
    m_Completion.Attach(m_hWnd, GetDlgItem(IDC_MANUAL_ENTRY));
    return TRUE;
}

BOOL CAddrDlg::CreateToolBar()
{
    if (!m_wndToolBar.Create(m_hWnd, TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TRANSPARENT,
                             IDC_TOOLBAR))
        return FALSE;
    m_ToolImages.LoadStrip(ModuleInstance(), IDB_TREE_IMAGES, 16, kTransparent);
    m_wndToolBar.SetImageList(m_ToolImages.Handle());
    m_wndToolBar.AddButtons(kToolButtons, static_cast<int>(sizeof kToolButtons / sizeof kToolButtons[0]));
    RECT client = GetClientRect();
    SetWindowPos(m_wndToolBar.m_hWnd, nullptr, 0, 0, client.right, m_wndToolBar.FixedHeight(), SWP_NOZORDER);
    return TRUE;
}

// Marks the button of the window's send type and names the two closing buttons by mode.
void CAddrDlg::LabelModeButtons()
{
    static const struct {
        int button;
        const char* label;
    } marked[] = {{0, nullptr},
                  {IDC_ADD_TO, "*宛先(&T)"},
                  {IDC_ADD_CC, "*CC(&C)"},
                  {IDC_ADD_BCC, "*BCC(&B)"},
                  {IDC_ADD_REPLYTO, "*ReplyTo(&R)"}};
    if (m_nSendType >= SEND_TO && m_nSendType <= SEND_REPLYTO) {
        SetDlgItemText(marked[m_nSendType].button, marked[m_nSendType].label);
        SetDlgItemText(IDC_CREATE_MAIL, "更新(&E)");
        SetDlgItemText(IDC_CLOSE, "キャンセル");
        return;
    }
    SetDlgItemText(IDC_CREATE_MAIL, "メール作成(&E)");
    m_nSendType = SEND_TO;
    EnableWindow(GetDlgItem(IDC_CREATE_MAIL), FALSE);
    SetDlgItemText(IDC_ADD_TO, "*宛先(&T)");
}

ADTDATA* CAddrDlg::SelectedNode()
{
    HTREEITEM item = m_AddrTree.GetSelectedItem();
    return item ? m_Store.FindByItem(item) : nullptr;
}

BOOL CAddrDlg::OnCmdMsg(UINT id, UINT code)
{
    // Menu commands come with code 0, accelerators with 1.
    if (code <= 1 && OnFindCommand(id))
        return TRUE;
    if (code != BN_CLICKED)
        return FALSE;
    switch (id) {
    case IDC_ADD_TO: AddToSendList(SEND_TO); return TRUE;
    case IDC_ADD_CC: AddToSendList(SEND_CC); return TRUE;
    case IDC_ADD_BCC: AddToSendList(SEND_BCC); return TRUE;
    case IDC_ADD_REPLYTO: AddToSendList(SEND_REPLYTO); return TRUE;
    case IDC_DELETE_ENTRY: DeleteSelectedEntries(); return TRUE;
    case IDC_DELETE_ALL: DeleteAllEntries(); return TRUE;
    case IDC_CREATE_MAIL: OnCreateMail(); return TRUE;
    case IDC_CLOSE: OnCloseButton(); return TRUE;
    case ID_APP_ABOUT: OnAbout(); return TRUE;
    case ID_ADDR_NEW: OnNewAddr(); return TRUE;
    case ID_ADDR_EDIT: OnEditAddr(); return TRUE;
    case ID_ADDR_DELETE: DeleteAddr(true); return TRUE;
    case ID_FOLDER_NEW: OnNewFolder(); return TRUE;
    case ID_FOLDER_RENAME: OnRenameFolder(); return TRUE;
    case ID_FOLDER_DELETE: DeleteFolder(true); return TRUE;
    case ID_BOOK_NEW: OnNewBook(); return TRUE;
    case ID_BOOK_EDIT: OnEditBook(); return TRUE;
    case ID_BOOK_DELETE: DeleteBook(true); return TRUE;
    case ID_BOOK_UPDATE: OnUpdateBook(); return TRUE;
    case ID_BOOK_IMPORT: OnAddrImport(); return TRUE;
    case ID_BOOK_EXPORT: OnAddrExport(); return TRUE;
    default:
        return FALSE;
    }
}

void CAddrDlg::OnOK()
{
    if (GetKeyState(VK_RETURN) < 0)
        m_AddrTree.OnKeyDown(VK_RETURN);
    Trace("void CAddrDlg::OnOK()\n");
}

// Esc only ends a label edit or a drag in the tree; the close box and the menu close.
void CAddrDlg::OnCancel()
{
    if (GetKeyState(VK_ESCAPE) < 0)
        m_AddrTree.OnKeyDown(VK_ESCAPE);
    else
        OnCloseButton();
    Trace("void CAddrDlg::OnCancel()\n");
}

void CAddrDlg::OnCloseButton()
{
    SaveWindowLayout();
    m_Store.SaveBooks();
    EndDialog(IDCANCEL);
}

void CAddrDlg::OnCreateMail()
{
    std::vector<std::string> texts;
    texts.reserve(m_Entries.Size());
    for (size_t position = 0; position < m_Entries.Size(); ++position)
        texts.emplace_back(m_Entries.Text(position));
    SendListRules::HeaderTexts headers = SendListRules::BuildHeaderTexts(texts);
    m_strTo = headers.to;
    m_strCc = headers.cc;
    m_strBcc = headers.bcc;
    m_strReplyTo = headers.replyTo;
    SaveWindowLayout();
    m_Store.SaveBooks();
    CDialog::OnOK();
}

void CAddrDlg::OnAbout()
{
    MessageBox("Velmora ver" VELMORA_VERSION_TEXT "\n\n" VELMORA_COPYRIGHT "\n" VELMORA_HOME_URL,
               "バージョン情報", MB_OK);
}

BOOL CAddrDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->hwndFrom == m_SendList.m_hWnd)
        OnSendListNotify(header);
    else if (header->hwndFrom == m_AddrTree.m_hWnd)
        OnTreeNotify(header);
    return CDialog::OnNotify(wParam, lParam, result);
}

BOOL CAddrDlg::OnSendListNotify(NMHDR* header)
{
    switch (header->code) {
    case LVN_KEYDOWN:
        Trace("BOOL CAddrDlg::OnNotify( m_SendList : LVN_KEYDOWN );\n");
        OnSendListKey(reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
        return TRUE;
    case NM_RCLICK:
        Trace("BOOL CAddrDlg::OnNotify( m_SendList : NM_RCLICK );\n");
        return TRUE;
    case NM_DBLCLK:
        Trace("BOOL CAddrDlg::OnNotify( m_SendList : NM_DBCLICK );\n");
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CAddrDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    switch (message) {
    case WM_SIZE:
        m_Completion.Close();
        OnSize();
        break;
    case WM_MOVE:
        m_Completion.Close();
        break;
    case WM_SIZING:
        OnSizing(static_cast<int>(wParam), reinterpret_cast<RECT*>(lParam));
        break;
    // The splitter's pointer messages end here, without the dialog's default processing.
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        handled = true;
        return TRUE;
    case WM_MOUSEMOVE:
        OnMouseMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        handled = true;
        return TRUE;
    case WM_LBUTTONUP:
        OnLButtonUp();
        handled = true;
        return TRUE;
    case WM_KEYDOWN:
        Trace("CAddrDlg::OnKeyDown( 0x%08X, 0x%08X, 0x%08X );\n", static_cast<unsigned>(wParam),
              static_cast<unsigned>(LOWORD(lParam)), static_cast<unsigned>(HIWORD(lParam)));
        break;
    case WM_ENABLE:
        // A modal box over the window holds the find dialog too.
        if (m_FindDlg.m_hWnd)
            EnableWindow(m_FindDlg.m_hWnd, static_cast<BOOL>(wParam));
        break;
    case WM_DESTROY:
        Trace("void CAddrDlg::OnDestroy()\n");
        m_KeyHook.Remove();
        m_FindDlg.Destroy();
        m_Completion.Detach();
        break;
    default:
        break;
    }
    return 0;
}
