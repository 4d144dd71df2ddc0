// The import and export of books. An AL-MAIL file becomes a book as it is; a vCard or CSV
// file is read into a new local book with a file of its own; a book is written out as an
// AL-MAIL, vCard or CSV file. The file's content decides how it is read; the save
// dialog's filter decides how a book is written.
#include <windows.h>
#include <commdlg.h>
#include <cstdio>
#include <cstring>
#include <string>
#include "framework/PathName.h"
#include "framework/Trace.h"
#include "framework/WinApp.h"
#include "exchange/BookContacts.h"
#include "store/BookFile.h"
#include "store/FileIdentity.h"
#include "store/IniPath.h"
#include "exchange/ContactImporter.h"
#include "exchange/CsvWriter.h"
#include "store/Sjis.h"
#include "exchange/VCardWriter.h"
#include "text/Charset.h"
#include "text/SjisEncoder.h"
#include "window/AddrDlg.h"

namespace {

// Display texts and patterns alternate; the described entries keep their blanks.
const char kImportFilter[] =
    "AL-MAILアドレス帳 (*.adr) \0*.adr\0vCard (*.vcf)\0*.vcf\0CSV (*.csv)\0*.csv\0 All Files (*.*) \0*.*\0";
const char kExportFilter[] = "AL-MAILアドレス帳 (*.adr) \0*.adr\0vCard (*.vcf)\0*.vcf\0CSV (*.csv)\0*.csv\0";
enum ExportFilter { kExportAlMail = 1, kExportVCard = 2, kExportCsv = 3 };

const char kImportCaption[] = "アドレス帳のインポート";
const char kExportCaption[] = "アドレス帳のエクスポート";

// Room for the path the save dialog returns.
const size_t kPathBuffer = 1024;

std::string PluginModuleFile()
{
    CWinApp* app = CWinApp::Current();
    return ModuleFileName(app ? app->m_hInstance : nullptr);
}

std::string PluginFolder()
{
    return PathFolder(PluginModuleFile());
}

// The book's name as a file name: characters that no file name may hold become "_", and
// an extension of an exchange format (a book imported from "x.csv") is dropped, so that
// the filter's own extension is added.
std::string ProposedFileName(const ADTDATA* book)
{
    std::string name = book->psName ? book->psName : "";
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsSjisLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size())
            ++i;
        else if (std::string("\\/:*?\"<>|").find(name[i]) != std::string::npos ||
                 static_cast<unsigned char>(name[i]) < 0x20)
            name[i] = '_';
    }
    PathParts parts = SplitPath(name);
    if (lstrcmpiA(parts.ext.c_str(), ".adr") == 0 || lstrcmpiA(parts.ext.c_str(), ".vcf") == 0 ||
        lstrcmpiA(parts.ext.c_str(), ".csv") == 0)
        name = parts.base;
    return name;
}

std::string Count(int number)
{
    return std::to_string(number);
}

// The line of a summary box for the contacts or addresses left out, and why.
std::string LeftOut(const char* what, int number)
{
    return std::string(what) + ": " + Count(number) + " 件\n　（メールアドレスがないもの）";
}

// Lets the user choose the file and the format of an export in the save dialog, starting
// from the book's name; the dialog asks before an existing file is replaced. The filter
// chosen (kExportAlMail ...), or 0 when the dialog was cancelled.
int ChooseExportFile(HWND owner, const ADTDATA* book, std::string& path)
{
    path = ProposedFileName(book);
    path.resize(kPathBuffer);
    OPENFILENAMEA choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = owner;
    choice.lpstrFilter = kExportFilter;
    choice.nFilterIndex = kExportAlMail;
    choice.lpstrFile = &path[0];
    choice.nMaxFile = static_cast<DWORD>(path.size());
    choice.lpstrDefExt = "adr";
    choice.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameA(&choice))
        return 0;
    path.resize(std::strlen(path.c_str()));
    return choice.nFilterIndex == kExportVCard || choice.nFilterIndex == kExportCsv ? static_cast<int>(choice.nFilterIndex)
                                                                                     : kExportAlMail;
}

}  // namespace

// A file chosen by the user becomes a new local book: an AL-MAIL file as it is, a vCard
// or CSV file (or an address file that an editor saved as Unicode) read into a book of its
// own with a new file. A book's own file and a file of no known form are refused, and the
// file is left as it is.
void CAddrDlg::OnAddrImport()
{
    Trace("void CAddrDlg::OnAddrImport() \n");
    char path[MAX_PATH] = "";
    OPENFILENAMEA choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = m_hWnd;
    choice.lpstrFilter = kImportFilter;
    choice.lpstrFile = path;
    choice.nMaxFile = sizeof path;
    choice.lpstrDefExt = "adr";
    choice.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&choice))
        return;
    std::string owner;
    if (m_Store.IsBookFile(path, &owner)) {
        MessageBox(("ファイル:\n" + std::string(path) + "\n\nはアドレスブック「" + owner +
                    "」のファイルです\nこのアドレスブックはすでに一覧にあります")
                       .c_str(),
                   nullptr, MB_OK | MB_ICONWARNING);
        return;
    }
    // A file that cannot be read is passed over in silence, as ever.
    std::string bytes;
    if (ReadWholeFile(path, bytes) != FileRead::Read)
        return;
    ImportFormat format = DetectImportFormat(bytes);
    if (format == ImportFormat::AlMail && !HasByteOrderMark(bytes))
        ImportAddressFile(path);
    else if (format == ImportFormat::AlMail)
        ImportConvertedAddressFile(path, bytes);
    else if (format == ImportFormat::VCard || format == ImportFormat::Csv)
        ImportContacts(path, bytes, format);
    else
        MessageBox(("「" + PathFileName(path) + "」を読み込めません。\n\n" +
                    (format == ImportFormat::Empty ? std::string("ファイルが空です。")
                                                   : std::string("AL-MAIL アドレス帳、vCard、CSV のどの形式でもありません。")) +
                    "\nファイルはそのまま残っています。")
                       .c_str(),
                   "エラー", MB_OK | MB_ICONERROR);
}

// The AL-MAIL file becomes a book named after it and kept in it: the file is neither
// copied nor moved, and the book starts unmodified.
ADTDATA* CAddrDlg::ImportAddressFile(const std::string& path)
{
    return m_Store.AddBookFromFile(PathFileName(path).c_str(), path.c_str());
}

// An address file in UTF-8 or UTF-16 becomes a new book named after it, with a new
// Shift-JIS file of its own (written at the next save): the editor's file stays as it is.
void CAddrDlg::ImportConvertedAddressFile(const std::string& path, const std::string& bytes)
{
    std::string name = PathFileName(path);
    CSjisEncoder encoder;
    std::string text = encoder.Encode(Charset::FileTextToUtf8(bytes));
    ADTDATA* book = m_Store.AddData(ADT_LOCAL_BOOK, name.c_str(), m_Store.ProposeBookFile(PluginFolder()).c_str(),
                                    nullptr, 0);
    if (!book)
        return;
    m_Store.ReadText(book, text);
    book->bModified = 1;
    m_AddrTree.SelectItem(book->hItem, TVGN_CARET);
    m_AddrTree.Invalidate(TRUE);
}

// The contacts of a vCard or CSV file become a new local book named after the file, with
// a new address file (written at the next save); a summary tells what was read.
void CAddrDlg::ImportContacts(const std::string& path, const std::string& bytes, ImportFormat format)
{
    std::string name = PathFileName(path);
    ContactList contacts = ReadContacts(bytes, format);
    if (contacts.bUnknownHeader) {
        MessageBox(("「" + name + "」を読み込めません。\n\n1 行目の見出しにメールアドレスの列がありません。\n"
                    "Thunderbird、Outlook、Gmail が書き出した\nCSV ファイルを選んでください。")
                       .c_str(),
                   "エラー", MB_OK | MB_ICONERROR);
        return;
    }
    std::string skipped = LeftOut("読み込まなかった連絡先", contacts.nWithoutAddress);
    if (contacts.contacts.empty()) {
        MessageBox(("「" + name + "」には読み込めるアドレスがありません。\n\n" + skipped).c_str(), kImportCaption,
                   MB_OK | MB_ICONWARNING);
        return;
    }
    ADTDATA* book = m_Store.AddData(ADT_LOCAL_BOOK, name.c_str(), m_Store.ProposeBookFile(PluginFolder()).c_str(),
                                    nullptr, 0);
    if (!book)
        return;
    CContactImporter importer(m_Store, book);
    importer.AddAll(contacts);
    book->bModified = 1;
    m_AddrTree.SelectItem(book->hItem, TVGN_CARET);
    m_AddrTree.Invalidate(TRUE);
    MessageBox(("「" + name + "」を読み込みました。\n\n読み込んだアドレス: " + Count(importer.Added()) + " 件\n" +
                skipped + "\n「?」に置き換えた文字: " + Count(importer.Replaced()) + " 文字\n　（Shift-JIS で表せない文字）")
                   .c_str(),
               kImportCaption, MB_OK | MB_ICONINFORMATION);
}

// The book of the selected node is written to a file chosen in the save dialog, in the
// format of the dialog's filter; an existing file is replaced only after the dialog's
// own question, and only whole.
void CAddrDlg::OnAddrExport()
{
    Trace("void CAddrDlg::OnAddrExport() \n");
    ADTDATA* node = SelectedNode();
    ADTDATA* book = node ? m_Store.GetBook(node->hItem) : nullptr;
    if (!book)
        return;
    std::string path;
    int filter = ChooseExportFile(m_hWnd, book, path);
    if (!filter)
        return;
    // A book's own file is written only by the save; another book's would lose its contents,
    // and the settings file and the plug-in are no place for an export either.
    std::string owner;
    std::string refusal;
    if (m_Store.IsBookFile(path, &owner))
        refusal = "はアドレスブック「" + owner + "」のファイルです。";
    else if (IsSameFile(path, g_szIniPath) || IsSameFile(path, PluginModuleFile()))
        refusal = "はこのプラグインのファイルです。";
    if (!refusal.empty()) {
        MessageBox(("ファイル:\n" + path + "\n\n" + refusal + "\n別のファイルを指定してください").c_str(), "エラー",
                   MB_OK | MB_ICONERROR);
        return;
    }
    ContactList contacts = ContactsOfBook(book);
    bool written = WriteFileSafely(path, [&](FILE* file) {
        if (filter == kExportAlMail)
            return m_Store.WriteList(book->pChild, file, 0) == 0;
        std::string bytes = filter == kExportVCard ? CVCardWriter::Write(contacts) : CCsvWriter::Write(contacts);
        return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    });
    if (!written) {
        MessageBox(("ファイル:\n" + path + "\n\nに書き出せませんでした").c_str(), "エラー", MB_OK | MB_ICONERROR);
        return;
    }
    std::string text = "「" + std::string(book->psName ? book->psName : "") + "」を書き出しました。";
    if (filter != kExportAlMail) {
        text += "\n\n書き出したアドレス: " + Count(static_cast<int>(contacts.contacts.size())) + " 件\n" +
                LeftOut("書き出さなかったアドレス", contacts.nWithoutAddress);
    }
    MessageBox(text.c_str(), kExportCaption, MB_OK | MB_ICONINFORMATION);
}
