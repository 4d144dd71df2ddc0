// CFolderEditDlg, the dialog in which the new-folder command asks for the book that will
// hold a new folder and the folder's name. It changes nothing in the store: on OK the
// caller makes the folder under the book named m_strBook.
#pragma once
#include <string>
#include "framework/Dialog.h"
#include "store/AddrBook.h"

class CFolderEditDlg : public CDialog {
public:
    CFolderEditDlg(HWND parent, CAddrBook& store);
    ~CFolderEditDlg() override;

    std::string m_strBook;    // out: the chosen book's name, empty when none was chosen
    std::string m_strFolder;  // out: the new folder's name

protected:
    void BindControls() override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    CAddrBook& m_Store;
    CWnd m_BookList;

    void ShowMembers();
    void ReadControls();
};
