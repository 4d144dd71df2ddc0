// The import and export of books. An AL-MAIL file becomes a book as it is; a vCard or CSV
// file is read into a new local book with a file of its own; a book is written out as an
// AL-MAIL, vCard or CSV file. The file's content decides how it is read; the extension of
// the name typed, else the save dialog's filter, decides how a book is written.
#include <windows.h>
#include <commdlg.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include "framework/PathName.h"
#include "framework/Trace.h"
#include "framework/WinApp.h"
#include "exchange/BookContacts.h"
#include "files/BookFile.h"
#include "files/FileIdentity.h"
#include "books/IniPath.h"
#include "exchange/ContactImporter.h"
#include "store/Sjis.h"
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

// The cards of a vCard file that were not whole, by line and name, on one indented line.
std::string CardMentions(const ContactList& contacts)
{
    if (contacts.incompleteCards.empty())
        return "";
    CSjisEncoder encoder;
    std::string line = "　";
    for (const CardMention& card : contacts.incompleteCards) {
        std::string name = encoder.Encode(card.name);
        for (char& c : name) {
            if (static_cast<unsigned char>(c) < 0x20)
                c = ' ';
        }
        line += (line.size() > 2 ? "、" : "") + Count(static_cast<int>(card.line)) + " 行目" +
                (name.empty() ? std::string() : "「" + name + "」");
    }
    if (contacts.nIncomplete > static_cast<int>(contacts.incompleteCards.size()))
        line += " ほか";
    return line + "\n";
}

// The lines of an import summary that say what was left out and why; none for nothing.
std::string SkippedLines(const ContactList& contacts, ImportFormat format)
{
    std::string lines;
    if (contacts.nWithoutAddress)
        lines += "読み込まなかった連絡先: " + Count(contacts.nWithoutAddress) + " 件（メールアドレスがないもの）\n";
    if (contacts.nEmptyGroups)
        lines += "読み込まなかったグループ: " + Count(contacts.nEmptyGroups) + " 件（メンバーのアドレスがないもの）\n";
    if (contacts.nIncomplete && format == ImportFormat::VCard)
        lines += "途中で切れていたカード: " + Count(contacts.nIncomplete) + " 件（読めたところまで読み込みました）\n" +
                 CardMentions(contacts);
    if (contacts.nIncomplete && format == ImportFormat::Csv)
        lines += "引用符が閉じていない行: " + Count(contacts.nIncomplete) + " 行（その行の終わりまで読み込みました）\n";
    return lines;
}

// The line of the characters replaced with "?", and why; none when there are none.
std::string ReplacedLine(const CContactImporter& importer)
{
    int undecodable = importer.Undecodable();
    int unrepresentable = importer.Replaced() - undecodable;
    if (!importer.Replaced())
        return "";
    std::string why = undecodable && unrepresentable
                          ? "読めない文字 " + Count(undecodable) + "、Shift-JIS にない文字 " + Count(unrepresentable)
                          : undecodable ? "読めない文字" : "Shift-JIS にない文字";
    return "「?」に置き換えた文字: " + Count(importer.Replaced()) + " 文字（" + why + "）\n";
}

// The lines of contacts listed twice and of character sets that were hard to tell.
std::string MergedAndGuessedLines(const ContactList& contacts, ImportFormat format, const CContactImporter& importer)
{
    std::string lines;
    if (importer.Duplicates())
        lines += "重複していた連絡先: " + Count(importer.Duplicates()) + " 件（1 件にまとめました）\n";
    if (contacts.nCloseGuesses && format == ImportFormat::Csv)
        lines += "文字コードを推測しました（ほかの文字コードとも読めます。名前を確かめてください）\n";
    if (contacts.nCloseGuesses && format == ImportFormat::VCard)
        lines += "文字コードを推測した項目: " + Count(contacts.nCloseGuesses) +
                 " 件（ほかの文字コードとも読めます。名前を確かめてください）\n";
    return lines;
}

// What the file held that an address book of this kind does not keep.
std::string NotKeptLines(unsigned notKept)
{
    const std::pair<unsigned, const char*> kinds[] = {
        {kNotKeptPhones, "電話番号"},
        {kNotKeptPostalAddresses, "住所"},
        {kNotKeptNotes, "メモ"},
        {kNotKeptPhotos, "写真"},
        {kNotKeptReadings, "ふりがな"},
        {kNotKeptCompanies, "会社名"},
        {kNotKeptTitles, "役職"},
        {kNotKeptNicknames, "ニックネーム"},
        {kNotKeptBirthdays, "誕生日・記念日"},
        {kNotKeptWebPages, "Web ページ"},
        {kNotKeptMessengers, "インスタントメッセージ"},
    };
    std::string names;
    for (const auto& kind : kinds) {
        if (notKept & kind.first)
            names += (names.empty() ? "" : "、") + std::string(kind.second);
    }
    if (names.empty())
        return "";
    return "\n保存しなかった項目: " + names + "\n　（このアドレス帳は名前とメールアドレスだけを保存します）\n";
}

// The summary of an import: what was read and made, what was left out and why, what was
// replaced, what a book does not keep. Without its last line end.
std::string ImportSummary(const std::string& name, const ContactList& contacts, ImportFormat format,
                          const CContactImporter& importer)
{
    std::string text = "「" + name + "」を読み込みました。\n\n読み込んだ連絡先: " + Count(importer.Contacts()) +
                       " 件\n作成したアドレス: " + Count(importer.Added()) + " 件";
    if (importer.Lists())
        text += "（うちグループ " + Count(importer.Lists()) + " 件）";
    text += "\n" + SkippedLines(contacts, format) + MergedAndGuessedLines(contacts, format, importer) +
            ReplacedLine(importer) + NotKeptLines(contacts.fNotKept);
    text.pop_back();
    return text;
}

// The type of an export: the extension of the file name when it is one the dialog offers
// (a name typed with ".vcf" is a vCard file whatever the type box says), else the type
// chosen in the dialog.
int ExportTypeOf(const std::string& path, int filter)
{
    std::string ext = SplitPath(path).ext;
    if (lstrcmpiA(ext.c_str(), ".adr") == 0)
        return kExportAlMail;
    if (lstrcmpiA(ext.c_str(), ".vcf") == 0)
        return kExportVCard;
    if (lstrcmpiA(ext.c_str(), ".csv") == 0)
        return kExportCsv;
    return filter;
}

// The summary of an export to vCard or CSV: address nodes and the contacts they made (a
// person's neighbouring nodes are one contact), and what the file could not carry: nodes
// without a mail address, folders with nothing in them (vCard and CSV know a folder only as
// a category of the contacts in it, so an empty one would need a contact that is none,
// which other programs would show as one) and names of list members (vCard has room only
// for the address).
std::string ExportSummary(const ExportCounts& counts)
{
    std::string text = "\n\n書き出したアドレス: " + Count(counts.addresses) + " 件\n書き出した連絡先: " +
                       Count(counts.contacts) + " 件";
    if (counts.groups)
        text += "（うちグループ " + Count(counts.groups) + " 件）";
    if (counts.withoutAddress)
        text += "\n書き出さなかったアドレス: " + Count(counts.withoutAddress) + " 件（メールアドレスがないもの）";
    if (!counts.emptyFolders.empty()) {
        const size_t kNamed = 3;
        text += "\n書き出さなかったフォルダ: " + Count(static_cast<int>(counts.emptyFolders.size())) +
                " 件（アドレスのないもの）\n　";
        for (size_t i = 0; i < counts.emptyFolders.size() && i < kNamed; ++i)
            text += (i ? "、「" : "「") + counts.emptyFolders[i] + "」";
        if (counts.emptyFolders.size() > kNamed)
            text += " ほか";
    }
    if (counts.memberNames)
        text += "\nグループのメンバーの名前: " + Count(counts.memberNames) + " 件はアドレスだけを書き出しました";
    return text;
}

// The sink of an import: the new book is made when the first contact arrives, so a file
// without one makes no book.
class CNewBookSink : public IContactSink {
public:
    CNewBookSink(CAddrBook& store, const std::string& name, const std::string& file)
        : m_Store(store), m_Name(name), m_File(file)
    {
    }

    bool OnContact(const Contact& contact) override
    {
        if (!m_pImporter) {
            m_pBook = m_Store.AddData(ADT_LOCAL_BOOK, m_Name.c_str(), m_File.c_str(), nullptr, 0);
            if (!m_pBook)
                return false;
            m_pImporter.reset(new CContactImporter(m_Store, m_pBook));
        }
        return m_pImporter->Add(contact);
    }

    ADTDATA* Book() const { return m_pBook; }
    const CContactImporter* Importer() const { return m_pImporter.get(); }

private:
    CAddrBook& m_Store;
    std::string m_Name;
    std::string m_File;
    ADTDATA* m_pBook = nullptr;
    std::unique_ptr<CContactImporter> m_pImporter;
};

// Lets the user choose the file and the format of an export in the save dialog, starting
// from the book's name; the dialog asks before an existing file is replaced. The type
// (kExportAlMail ...) by the name's extension or the filter chosen, or 0 when the dialog
// was cancelled.
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
    int filter = choice.nFilterIndex == kExportVCard || choice.nFilterIndex == kExportCsv
                     ? static_cast<int>(choice.nFilterIndex)
                     : kExportAlMail;
    return ExportTypeOf(path, filter);
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
    CNewBookSink sink(m_Store, name, m_Store.ProposeBookFile(PluginFolder()));
    // The book is filled with the tree told nothing, then shown in one pass, level by
    // level, as the window shows the books when it opens.
    ContactList contacts;
    {
        struct ViewBack {
            CAddrBook& store;
            IAddrView* view;
            ~ViewBack() { store.m_pTree = view; }
        } back{m_Store, m_Store.m_pTree};
        m_Store.m_pTree = nullptr;
        contacts = ReadContacts(bytes, format, sink);
    }
    if (sink.Book())
        m_Store.DispData(sink.Book());
    if (contacts.bUnknownHeader) {
        MessageBox(("「" + name + "」を読み込めません。\n\n1 行目の見出しにメールアドレスの列がありません。\n"
                    "Thunderbird、Outlook、Gmail が書き出した\nCSV ファイルを選んでください。")
                       .c_str(),
                   "エラー", MB_OK | MB_ICONERROR);
        return;
    }
    ADTDATA* book = sink.Book();
    if (!sink.Importer()) {
        std::string text = "「" + name + "」には読み込めるアドレスがありません。";
        std::string skipped = SkippedLines(contacts, format);
        if (!skipped.empty())
            text += "\n\n" + skipped.substr(0, skipped.size() - 1);
        MessageBox(text.c_str(), kImportCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    book->bModified = 1;
    m_AddrTree.SelectItem(book->hItem, TVGN_CARET);
    m_AddrTree.Invalidate(TRUE);
    MessageBox(ImportSummary(name, contacts, format, *sink.Importer()).c_str(), kImportCaption,
               MB_OK | MB_ICONINFORMATION);
}

// The book of the selected node is written to a file chosen in the save dialog, in the
// type its extension or else the dialog's filter says; an existing file is replaced only after the dialog's
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
    ExportCounts counts;
    bool written = WriteFileSafely(path, [&](FILE* file) {
        if (filter == kExportAlMail)
            return m_Store.WriteList(book->pChild, file, 0) == 0;
        counts = ExportCounts();
        return ExportBook(book, filter == kExportVCard ? ExportFormat::VCard : ExportFormat::Csv, counts, file);
    });
    if (!written) {
        MessageBox(("ファイル:\n" + path + "\n\nに書き出せませんでした").c_str(), "エラー", MB_OK | MB_ICONERROR);
        return;
    }
    std::string text = "「" + std::string(book->psName ? book->psName : "") + "」を書き出しました。";
    if (filter != kExportAlMail)
        text += ExportSummary(counts);
    MessageBox(text.c_str(), kExportCaption, MB_OK | MB_ICONINFORMATION);
}
