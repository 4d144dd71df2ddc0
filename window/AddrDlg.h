// CAddrDlg, the address book window: every book as a tree above a send list of picked
// recipients. Opened for a message being written (pick mode, send type 1 to 4) it takes
// the message's four recipient texts and "更新(&E)" hands them back; opened on its own
// (browse mode) it serves for looking up and maintaining the books.
#pragma once
#include <string>
#include <vector>
#include "dialogs/FindDlg.h"
#include "framework/Dialog.h"
#include "framework/ImageList.h"
#include "framework/ListCtrl.h"
#include "framework/MessageHook.h"
#include "framework/ToolBar.h"
#include "store/AddrBook.h"
#include "exchange/ImportFormat.h"
#include "tree/AddrTree.h"
#include "window/SendEntries.h"
#include "window/ManualEntryCompletion.h"
#include "window/SendListRules.h"

class CAddrDlg : public CDialog {
public:
    explicit CAddrDlg(HWND owner, CAddrBook& store);
    ~CAddrDlg() override;

    int m_nSendType = 0;
    std::string m_strTo, m_strCc, m_strBcc, m_strReplyTo;
    RECT rcWnd = {};
    RECT m_rcTree = {}, m_rcList = {}, m_rcInputLabel = {}, m_rcInput = {}, m_rcDragLabel = {};
    CAddrTree m_AddrTree;
    CListCtrl m_SendList;
    CToolBar m_wndToolBar;
    CImageList m_TreeImages;
    CImageList m_ToolImages;
    int m_nSplit = 0;
    int m_nLastY = 0;
    int m_bSplitDrag = 0;

    // Send list.
    void InsertSendList(int type, const char* text);
    void InsertNodeToSendList(int type, const ADTDATA* node);
    void InsertFolderLocal(int type, const ADTDATA* folder);
    void InsertFolderAll(int type, const ADTDATA* folder);
    void AddToSendList(int type);
    void DeleteSelectedEntries();
    void DeleteAllEntries();
    static int CALLBACK CompareEntries(LPARAM key1, LPARAM key2, LPARAM);

    // Layout.
    void ArrangeControls(const RECT& window);
    RECT PlaceButton(int id, int x, int y);
    void LoadWindowLayout();
    void SaveWindowLayout();

    // The node of the tree's caret item, or none.
    ADTDATA* SelectedNode();

    // Book commands of the menu bar, the toolbar, the context menu and the Delete key.
    void OnNewAddr();
    void OnEditAddr();
    void DeleteAddr(bool confirm);
    void OnNewFolder();
    void OnRenameFolder();
    void DeleteFolder(bool confirm);
    void OnNewBook();
    void OnEditBook();
    void DeleteBook(bool confirm);
    void OnUpdateBook();
    void OnAddrImport();
    void OnAddrExport();
    // What the new-address and import commands do once their dialogs are answered.
    ADTDATA* AddAddressToBook(const std::string& bookName, const std::string& name, const std::string& addresses);
    // The AL-MAIL file becomes a new book kept in it; none when it cannot be read.
    ADTDATA* ImportAddressFile(const std::string& path);

    // Find (Ctrl+F, F3, Shift+F3, and the find dialog's buttons).
    CFindDlg m_FindDlg;
    void OnFind();
    void OnFindAgain(bool forward);

protected:
    void BindControls() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnCmdMsg(UINT id, UINT code) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnOK() override;
    void OnCancel() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    CAddrBook& m_Store;
    // The entries of the list view, in its order: the duplicate test and the sorted insert
    // read them here instead of asking the control entry by entry.
    CSendEntries m_Entries;
    // Room for the entry being added and a node's entry texts, used again from one to the
    // next, so that adding a folder allocates nothing per address.
    CSendEntries::Proposal m_NewEntry;
    std::vector<std::string> m_NodeEntries;
    // The find keys: the modal loop is DialogBoxParam's, so they come through a hook.
    CMessageHook m_KeyHook;
    HACCEL m_hFindKeys = nullptr;
    // The manual entry's drop-down of matching recipients.
    CManualEntryCompletion m_Completion;

    BOOL CreateToolBar();
    void LabelModeButtons();
    void InsertInitialEntries();
    void InsertEntries(int type, const std::vector<std::string>& texts);
    void OnCreateMail();
    void OnCloseButton();
    void OnAbout();
    BOOL OnSendListNotify(NMHDR* header);
    BOOL OnTreeNotify(NMHDR* header);
    bool OnContextCommand(UINT id);
    void OnNewAddrHere(ADTDATA* target);
    void OnNewFolderHere(ADTDATA* target);
    void ShowContextMenu();
    void OnTreeDeleteKey();
    // The book of a node, unless that is a global book (then a refusal is shown).
    ADTDATA* WritableBookOf(const ADTDATA* node, const char* refusal);
    bool Confirm(const char* format, const ADTDATA* node);
    void DeleteSelected(unsigned char kind, const char* refusal, const char* question, bool confirm);
    ADTDATA* ChosenBook(const std::string& name);
    void ImportContacts(const std::string& path, const std::string& bytes, ImportFormat format);
    void ImportConvertedAddressFile(const std::string& path, const std::string& bytes);
    // Fills every global book from what its URL names (the update command's work).
    void UpdateGlobalBooks();
    void Refuse(const char* text);
    void OnSendListKey(WORD key);
    void OnTreeDoubleClick();
    void SelectFromTopToEnd();
    void RefreshEntries();

    void InstallFindKeys();
    bool PreTranslateMessage(MSG& message);
    bool FindKeysAllowed() const;
    bool OnFindCommand(UINT id);
    void ShowFoundNode(ADTDATA* node);

    void OnSize();
    void OnSizing(int side, RECT* rect);
    void OnLButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    void OnLButtonUp();
};
