#include "dialogs/AddrEditDlg.h"
#include "dialogs/AddrText.h"
#include "dialogs/BookList.h"
#include "framework/Trace.h"
#include "resources/resource.h"

namespace {

const char kUnstorableName[] =
    "この名前はアドレス帳ファイルに保存できません\n"
    "「:」を含む名前と、「Group」「End group」で始まる名前は使えません";

// Blank lines go: every "\r\n\r\n" becomes "\r\n" until none is left.
void CollapseEmptyLines(std::string& text)
{
    const char* twice = "\r\n\r\n";
    for (size_t at = text.find(twice); at != std::string::npos; at = text.find(twice, at))
        text.erase(at, 2);
}

}  // namespace

CAddrEditDlg::CAddrEditDlg(HWND parent, CAddrBook& store) : CDialog(IDD_ADDR_EDIT, parent), m_Store(store) {}

CAddrEditDlg::~CAddrEditDlg() = default;

void CAddrEditDlg::BindControls()
{
    m_BookList.m_hWnd = GetDlgItem(IDC_BOOK_LIST);
}

void CAddrEditDlg::ShowMembers()
{
    SetDlgItemText(IDC_ADDR_TEXT, m_strAddr.c_str());
    SetDlgItemText(IDC_ADDR_NAME, m_strName.c_str());
}

void CAddrEditDlg::ReadControls()
{
    m_strAddr = GetDlgItemText(IDC_ADDR_TEXT);
    m_strName = GetDlgItemText(IDC_ADDR_NAME);
}

BOOL CAddrEditDlg::OnInitDialog()
{
    Trace("BOOL CAddrEditDlg::OnInitDialog()\n");
    CDialog::OnInitDialog();
    ShowMembers();
    FillLocalBooks(m_BookList.m_hWnd, m_Store);
    if (m_pEditNode)
        InitEditMode();
    else
        InitNewMode();
    return TRUE;
}

// The node's own book is shown and cannot be changed; its texts replace the caller's.
void CAddrEditDlg::InitEditMode()
{
    // The book is found by walking up from the node rather than through its tree item,
    // which is stale or none while no tree shows the store.
    const ADTDATA* book = m_pEditNode;
    while (book && !m_Store.IsBook(book))
        book = book->pParent;
    if (book)
        SelectBookByName(m_BookList.m_hWnd, book->psName ? book->psName : "");

    m_strName = m_pEditNode->psName ? m_pEditNode->psName : "";
    m_strAddr = ToShownAddresses(m_pEditNode->psAddr ? m_pEditNode->psAddr : "");
    ShowMembers();
    EnableWindow(m_BookList.m_hWnd, FALSE);
    SetDlgItemText(IDOK, "更新");
}

// The first top-level node's name chooses the book, whatever its kind: a global book
// first usually leaves nothing selected.
void CAddrEditDlg::InitNewMode()
{
    const ADTDATA* first = m_Store.m_Root.pChild;
    if (first)
        SelectBookByName(m_BookList.m_hWnd, first->psName ? first->psName : "");
    SetDlgItemText(IDOK, "新規作成");
}

void CAddrEditDlg::OnOK()
{
    Trace("void CAddrEditDlg::OnOK()\n");
    // A name the address file cannot hold would come back as something else at the next
    // start (a folder that swallows the lines after it, or a cut name).
    if (!CAddrBook::IsStorableAddressName(GetDlgItemText(IDC_ADDR_NAME).c_str())) {
        MessageBox(kUnstorableName, nullptr, MB_OK | MB_ICONWARNING);
        return;
    }
    ReadControls();
    GetSelectedBook(m_BookList.m_hWnd, m_strBook);
    CollapseEmptyLines(m_strAddr);
    CDialog::OnOK();
}
