#include "dialogs/FolderEditDlg.h"
#include "dialogs/BookList.h"
#include "framework/Trace.h"
#include "resources/resource.h"

CFolderEditDlg::CFolderEditDlg(HWND parent, CAddrBook& store) : CDialog(IDD_FOLDER_EDIT, parent), m_Store(store)
{
}

CFolderEditDlg::~CFolderEditDlg() = default;

void CFolderEditDlg::BindControls()
{
    m_BookList.m_hWnd = GetDlgItem(IDC_BOOK_LIST);
}

void CFolderEditDlg::ShowMembers()
{
    SetDlgItemText(IDC_FOLDER_NAME, m_strFolder.c_str());
}

void CFolderEditDlg::ReadControls()
{
    m_strFolder = GetDlgItemText(IDC_FOLDER_NAME);
}

// The books on offer and the first choice are those of the address dialog.
BOOL CFolderEditDlg::OnInitDialog()
{
    Trace("BOOL CFolderEditDlg::OnInitDialog()\n");
    CDialog::OnInitDialog();
    ShowMembers();
    FillLocalBooks(m_BookList.m_hWnd, m_Store);
    const ADTDATA* first = m_Store.m_Root.pChild;
    if (first)
        SelectBookByName(m_BookList.m_hWnd, first->psName ? first->psName : "");
    SetDlgItemText(IDOK, "新規作成");
    return TRUE;
}

void CFolderEditDlg::OnOK()
{
    Trace("void CFolderEditDlg::OnOK()\n");
    ReadControls();
    GetSelectedBook(m_BookList.m_hWnd, m_strBook);
    CDialog::OnOK();
}
