// CAddrEditDlg, the dialog for one address entry: the book it belongs to, a display name
// and one or more mail addresses, one per line. Opened for a new address (m_pEditNode
// none) by the new-address command and the host's register command, and for an existing
// node by the edit commands. It changes nothing in the store: the caller reads m_strBook,
// m_strName and m_strAddr on OK and creates or updates the node.
#pragma once
#include <string>
#include "framework/Dialog.h"
#include "store/AddrBook.h"

class CAddrEditDlg : public CDialog {
public:
    CAddrEditDlg(HWND parent, CAddrBook& store);
    ~CAddrEditDlg() override;

    ADTDATA* m_pEditNode = nullptr;  // in: the node to edit, or none for a new address
    std::string m_strBook;           // out: the chosen book's name, empty when none was chosen
    std::string m_strName;           // in/out: the display name
    std::string m_strAddr;           // in/out: the addresses, separated by "\r\n"

protected:
    void BindControls() override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    CAddrBook& m_Store;
    CWnd m_BookList;

    void ShowMembers();
    void ReadControls();
    void InitEditMode();
    void InitNewMode();
};
