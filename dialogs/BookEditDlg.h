// CBookEditDlg, the dialog in which the new-book and edit-book commands register a book or
// rename one: its name, its type (a local AL-MAIL file or a global, read-only book named by
// a URL) and its file or URL. A new book is offered a fresh file beside the plug-in module.
// It changes nothing in the store: on OK the caller creates or changes the book.
#pragma once
#include <string>
#include "framework/Dialog.h"
#include "store/AddrBook.h"

class CBookEditDlg : public CDialog {
public:
    CBookEditDlg(HWND parent, CAddrBook& store);
    ~CBookEditDlg() override;

    int m_bEdit = 0;            // in: non-zero to edit an existing book
    std::string m_strFile;      // in/out: the local book's file path
    std::string m_strUrl;       // in/out: the global book's URL
    std::string m_strBookName;  // in/out: the book's name
    int m_nType = -1;           // out: 0 local, 1 global

protected:
    BOOL OnInitDialog() override;
    BOOL OnCmdMsg(UINT id, UINT code) override;
    void OnOK() override;

private:
    CAddrBook& m_Store;

    void ShowMembers();
    void ReadControls();
    void OnLocal();
    void OnGlobal();
    void OnBrowse();
    void EnableTypeControls();
    // Shows a refusal; true when the control's text is empty and the box was shown.
    bool RefuseEmpty(int id, const char* message) const;
    // Shows a refusal; true when path cannot become a new local book's file.
    bool RefuseFile(const std::string& path) const;
};
