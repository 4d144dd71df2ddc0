// The commands that create, change and delete addresses, folders and books. None writes
// a file: each changes the store, which updates the tree at once, and marks the book
// modified for the next save. The import and export of books are in BookExchange.cpp.
#include <windows.h>
#include <string>
#include "dialogs/AddrEditDlg.h"
#include "dialogs/AddrText.h"
#include "dialogs/BookEditDlg.h"
#include "dialogs/FolderEditDlg.h"
#include "framework/Trace.h"
#include "window/AddrDlg.h"

namespace {

const char kInvalidBook[] = "不正なブックが選択されています";

std::string FormatWithName(const char* format, const ADTDATA* node)
{
    std::string name = node && node->psName ? node->psName : "";
    std::string text = format;
    size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, name);
    return text;
}

}  // namespace

void CAddrDlg::Refuse(const char* text)
{
    MessageBox(text, "エラー", MB_OK | MB_ICONERROR);
}

bool CAddrDlg::Confirm(const char* format, const ADTDATA* node)
{
    return MessageBox(FormatWithName(format, node).c_str(), "確認", MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

ADTDATA* CAddrDlg::WritableBookOf(const ADTDATA* node, const char* refusal)
{
    ADTDATA* book = m_Store.GetBook(node->hItem);
    if (!book || book->cType == ADT_GLOBAL_BOOK) {
        Refuse(refusal);
        return nullptr;
    }
    return book;
}

// The book chosen by name in a dialog, or none after the refusal.
ADTDATA* CAddrDlg::ChosenBook(const std::string& name)
{
    ADTDATA* book = m_Store.FindBookByName(name.c_str());
    if (!book)
        Refuse(kInvalidBook);
    return book;
}

void CAddrDlg::OnNewAddr()
{
    CAddrEditDlg dialog(nullptr, m_Store);
    if (dialog.DoModal() != IDOK)
        return;
    AddAddressToBook(dialog.m_strBook, dialog.m_strName, ToStoredAddresses(dialog.m_strAddr));
}

ADTDATA* CAddrDlg::AddAddressToBook(const std::string& bookName, const std::string& name,
                                   const std::string& addresses)
{
    ADTDATA* book = ChosenBook(bookName);
    if (!book)
        return nullptr;
    ADTDATA* node = m_Store.AddData(ADT_ADDR, name.c_str(), addresses.c_str(), book, PLACE_CHILD);
    m_Store.SetModified(node);
    m_AddrTree.Invalidate(TRUE);
    return node;
}

void CAddrDlg::OnEditAddr()
{
    ADTDATA* node = SelectedNode();
    if (!node || node->cType != ADT_ADDR)
        return;
    if (!WritableBookOf(node, "グローバルブックのアドレス情報を変更する事は出来ません"))
        return;
    CAddrEditDlg dialog(nullptr, m_Store);
    dialog.m_pEditNode = node;
    if (dialog.DoModal() != IDOK)
        return;
    m_Store.ReplaceName(node, dialog.m_strName.c_str());
    m_Store.ReplaceAddr(node, ToStoredAddresses(dialog.m_strAddr).c_str());
    m_Store.SetModified(node);
    m_Store.UpdateLabel(node);
}

// Deletes the selected node when it is of the kind and outside a global book, after the
// question when confirm is set.
void CAddrDlg::DeleteSelected(unsigned char kind, const char* refusal, const char* question, bool confirm)
{
    ADTDATA* node = SelectedNode();
    if (!node || node->cType != kind)
        return;
    if (!WritableBookOf(node, refusal))
        return;
    if (confirm && !Confirm(question, node))
        return;
    m_Store.DeleteData(node);
}

void CAddrDlg::DeleteAddr(bool confirm)
{
    DeleteSelected(ADT_ADDR, "グローバルブックのアドレス情報を削除する事は出来ません", "「%s」の情報を削除しますか？",
                   confirm);
}

void CAddrDlg::OnNewFolder()
{
    CFolderEditDlg dialog(nullptr, m_Store);
    if (dialog.DoModal() != IDOK)
        return;
    ADTDATA* book = ChosenBook(dialog.m_strBook);
    if (!book)
        return;
    m_Store.SetModified(m_Store.AddData(ADT_FOLDER, dialog.m_strFolder.c_str(), nullptr, book, PLACE_CHILD));
    m_AddrTree.Invalidate(TRUE);
}

void CAddrDlg::OnRenameFolder()
{
    ADTDATA* node = SelectedNode();
    if (node && node->cType == ADT_FOLDER)
        m_AddrTree.EditLabel(node->hItem);
}

void CAddrDlg::DeleteFolder(bool confirm)
{
    DeleteSelected(ADT_FOLDER, "グローバルブックのフォルダを削除する事は出来ません",
                   "「%s」のフォルダとその下位のデータを全て削除しますか？", confirm);
}

void CAddrDlg::OnNewBook()
{
    CBookEditDlg dialog(nullptr, m_Store);
    if (dialog.DoModal() != IDOK)
        return;
    const char* name = dialog.m_strBookName.c_str();
    const char* file = dialog.m_strFile.c_str();
    if (dialog.m_nType) {
        m_Store.AddData(ADT_GLOBAL_BOOK, name, dialog.m_strUrl.c_str(), nullptr, 0);
    } else if (GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES) {
        // An existing file is never overwritten: the new book reads it, as an import does.
        if (!m_Store.AddBookFromFile(name, file))
            Refuse(("アドレスブック[ " + dialog.m_strBookName + " ]のファイル\n\n" + dialog.m_strFile +
                    "\n\nを開く事ができません").c_str());
    } else {
        // Marked so that its file is written at the next save even while it stays empty.
        ADTDATA* book = m_Store.AddData(ADT_LOCAL_BOOK, name, file, nullptr, 0);
        if (book)
            book->bModified = 1;
    }
    m_AddrTree.Invalidate(TRUE);
}

void CAddrDlg::OnEditBook()
{
    Trace("void CAddrDlg::OnEditBook() \n");
    ADTDATA* book = SelectedNode();
    if (!book || !IsBookKind(book->cType))
        return;
    bool global = book->cType == ADT_GLOBAL_BOOK;
    CBookEditDlg dialog(nullptr, m_Store);
    dialog.m_bEdit = 1;
    dialog.m_strBookName = book->psName ? book->psName : "";
    (global ? dialog.m_strUrl : dialog.m_strFile) = book->psAddr ? book->psAddr : "";
    if (dialog.DoModal() != IDOK)
        return;
    // The book's kind never changes here, whatever the dialog's type choice says.
    m_Store.ReplaceName(book, dialog.m_strBookName.c_str());
    m_Store.ReplaceAddr(book, (global ? dialog.m_strUrl : dialog.m_strFile).c_str());
    m_Store.UpdateLabel(book);
    m_Store.SetModified(book);
}

void CAddrDlg::DeleteBook(bool confirm)
{
    ADTDATA* book = SelectedNode();
    if (!book || !IsBookKind(book->cType))
        return;
    if (confirm && !Confirm("「%s」のブックを削除しますか？\n※ブック内の全ての情報は削除されます※", book))
        return;
    m_Store.SetModified(book);
    m_Store.DeleteData(book);
}

void CAddrDlg::OnUpdateBook()
{
    Trace("void CAddrDlg::OnUpdateBook() \n");
    UpdateGlobalBooks();
}
