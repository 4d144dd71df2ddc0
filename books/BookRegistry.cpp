// The book registry: section "AddressBook" of the settings file lists the books; local
// books live in AL-MAIL files beside it or anywhere the user chose. This file loads the
// books and writes their files, each save a commit under the file's lock (CFileCommit);
// BookList.cpp keeps the list in the settings file. Messages wait in a queue until the
// files are let go (Notices.h).
#include <windows.h>
#include <cstdio>
#include <ctime>
#include <string>
#include "framework/PathName.h"
#include "store/AddrBook.h"
#include "files/AddrLine.h"
#include "merge/BookBase.h"
#include "files/BookFile.h"
#include "merge/BookMerge.h"
#include "store/StoreHooks.h"
#include "files/FileIdentity.h"
#include "books/IniPath.h"
#include "books/Notices.h"
#include "books/SettingsFile.h"
#include "files/FileCommit.h"
#include "files/FileText.h"
#include "files/SideFiles.h"

namespace {

const char kSection[] = "AddressBook";
const char kDefaultBookName[] = "標準アドレス帳";

std::string Key(int index, const char* field)
{
    char key[48];
    std::snprintf(key, sizeof key, "book%d_%s", index, field);
    return key;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ReportUnreadableBook(const std::string& name, const std::string& path)
{
    std::string text = "アドレスブック[ " + name + " ]のファイル\n\n" + path + "\n\nを開く事ができません";
    QueueNotice(text, MB_ICONERROR);
}

void ReportNotAnAddressFile(const std::string& name, const std::string& path)
{
    std::string text = "アドレスブック[ " + name + " ]のファイル\n\n" + path +
                       "\n\nはアドレスブックのファイル(AL-MAIL形式)ではないため、読み込まず、書き込みもしません\n"
                       "vCard や CSV などのファイルは「アドレス帳のインポート」で読み込んでください";
    QueueNotice(text, MB_ICONWARNING);
}

void ReportUnwritableBook(const std::string& path, WriteFailure why, const std::string& holder = "")
{
    std::string text;
    if (why == WriteFailure::NameTooLong)
        text = "ファイル:\n" + path +
               "\n\nは名前が長すぎるため、保存に使う一時ファイルを同じフォルダに作れません\n"
               "フォルダかファイルの名前を短くしてください";
    else if (why == WriteFailure::Busy)
        text = "ファイル:\n" + path + "\n\nは他のプログラム" + (holder.empty() ? "" : "(" + holder + ")") +
               "が保存中のため、書き込めませんでした\n変更は残っていて、次に保存するときにもう一度書き込みます";
    else
        text = "ファイル:\n" + path + "\n\n指定されたファイルを\"w\"で開けません\n読み取り専用になっている可能性があります";
    QueueNotice(text, MB_ICONWARNING);
}

void ReportConflictCopy(const std::string& path, const std::string& copy, const std::string& name, bool incomplete)
{
    std::string why = incomplete ? "途中で切れているため(他のプログラムが書き込み中か、コピーや同期の途中)"
                                 : "アドレス帳として読めないため";
    std::string text = "ファイル:\n" + path + "\n\nは読み込んだ後に他のプログラムによって変更されていますが、" + why +
                       "合わせることができません\n上書きせずに、このアドレスブックの内容を次のファイルに保存し、"
                       "「" + name + "」として一覧に加えました:\n" + copy;
    QueueNotice(text, MB_ICONWARNING);
}

void ReportMerged(const std::string& text)
{
    QueueNotice(text, MB_ICONINFORMATION);
}

void ReportUnreadableSettings(const std::string& path)
{
    std::string text = "設定ファイル:\n" + path +
                       "\n\nを読み込めませんでした\n"
                       "アドレスブックの一覧を失わないよう、今回は設定ファイルに何も書き込みません";
    QueueNotice(text, MB_ICONWARNING);
}

void ReportDroppedDuplicates(const std::string& lines)
{
    std::string text = "次のアドレスブックは、一覧の前にあるアドレスブックと同じファイルを使っているため、"
                       "一覧から外しました\n(ファイルはそのまま残っています)\n\n" + lines;
    QueueNotice(text, MB_ICONWARNING);
}

// A book file of another kind: a vCard, a CSV file or anything else that is neither named
// nor shaped as an address file (an ".adr" file is taken at its word, whatever its lines).
bool IsForeignFile(const std::string& path, const std::string& bytes)
{
    if (bytes.find_first_not_of(" \t\r\n") == std::string::npos || ReadsAsAddressFile(bytes))
        return false;
    bool vcard = bytes.find_first_not_of(" \t\r\n") == bytes.find("BEGIN:VCARD") ||
                 bytes.find_first_not_of(" \t\r\n") == bytes.find("begin:vcard");
    bool binary = bytes.find('\0') != std::string::npos;
    return vcard || binary || lstrcmpiA(SplitPath(path).ext.c_str(), ".adr") != 0;
}

}  // namespace

std::string CAddrBook::ProposeBookFile(const std::string& folder)
{
    DWORD seconds = static_cast<DWORD>(std::time(nullptr));
    for (;;) {
        char name[16];
        std::snprintf(name, sizeof name, "%08lX", static_cast<unsigned long>(seconds++));
        std::string path = folder + name + ".adr";
        if (!FileExists(path) && !IsBookFile(path))
            return path;
    }
}

ADTDATA* CAddrBook::FindBookByFile(const std::string& path)
{
    if (path.empty())
        return nullptr;
    std::string wanted = FileKey(path);
    for (ADTDATA* book = m_Root.pChild; book; book = book->pNext) {
        if (book->cType == ADT_LOCAL_BOOK && book->psAddr && FileKey(book->psAddr) == wanted)
            return book;
    }
    return nullptr;
}

bool CAddrBook::IsBookFile(const std::string& path, std::string* name)
{
    if (ADTDATA* book = FindBookByFile(path)) {
        if (name)
            *name = book->psName ? book->psName : "";
        return true;
    }
    for (const HeldBook& held : m_HeldBooks) {
        if (IsSameFile(held.strPath, path)) {
            if (name)
                *name = held.strName;
            return true;
        }
    }
    return false;
}

void CAddrBook::LoadBooks()
{
    if (!g_szIniPath[0])
        return;
    LoadListedBooks();
    if (Settings().IsWritable())
        SweepLeftovers();
    ShowQueuedNotices();
}

void CAddrBook::LoadListedBooks()
{
    CSettingsFile& settings = Settings();
    if (!settings.Load(g_szIniPath)) {
        // Never replaced by a default list: the run goes on without books and without writes.
        ReportUnreadableSettings(g_szIniPath);
        return;
    }
    if (!settings.RestoredFrom().empty())
        QueueRestoredNotice(g_szIniPath, settings.RestoredFrom());
    int count = settings.IntValue(kSection, "num");
    if (count == 0) {
        // The file need not exist: it is written at the next save.
        std::string path = ProposeBookFile(PathFolder(g_szIniPath));
        ADTDATA* book = AddData(ADT_LOCAL_BOOK, kDefaultBookName, path.c_str(), nullptr, 0);
        if (book)
            book->bModified = 1;
        return;
    }
    std::string dropped;
    for (int i = 0; i < count; ++i) {
        std::string type = settings.Value(kSection, Key(i, "type"));
        std::string name = settings.Value(kSection, Key(i, "name"));
        std::string path = settings.Value(kSection, Key(i, "path"));
        if (type != "local") {
            AddData(ADT_GLOBAL_BOOK, name.c_str(), path.c_str(), nullptr, 0);
            continue;
        }
        path = ResolveListedBookPath(path);
        if (IsBookFile(path))
            dropped += name + "\n    " + path + "\n";
        else
            LoadListBook(name, path, m_Root.pLastChild);
    }
    if (!dropped.empty())
        ReportDroppedDuplicates(dropped);
}

// One local book of the list: read into the store; held while its file cannot be reached,
// while a relative path of an earlier version finds it nowhere, or while it is no address
// file (it is then never written); dropped when its file is gone from a folder that is
// there (someone deleted it).
void CAddrBook::LoadListBook(const std::string& name, const std::string& path, const ADTDATA* after)
{
    std::string bytes, restoredFrom;
    FileRead read = IsRelativeBookPath(path) ? FileRead::Unreachable : ReadSettledFile(path, bytes, &restoredFrom);
    if (!restoredFrom.empty())
        QueueRestoredNotice(path, restoredFrom);
    if (read == FileRead::Read && IsForeignFile(path, bytes)) {
        ReportNotAnAddressFile(name, path);
        m_HeldBooks.push_back({name, path, after});
        return;
    }
    if (read == FileRead::Read && AddBookFromBytes(name.c_str(), path.c_str(), std::move(bytes)))
        return;
    ReportUnreadableBook(name, path);
    if (read != FileRead::Gone)
        m_HeldBooks.push_back({name, path, after});
}

ADTDATA* CAddrBook::AddBookFromFile(const char* name, const char* path)
{
    std::string bytes;
    if (IsBookFile(path) || ReadSettledFile(path, bytes) != FileRead::Read)
        return nullptr;
    return AddBookFromBytes(name, path, std::move(bytes));
}

// A file in another encoding is read as its text, and written back as Shift-JIS.
ADTDATA* CAddrBook::AddBookFromBytes(const char* name, const char* path, std::string bytes)
{
    ADTDATA* book = AddData(ADT_LOCAL_BOOK, name, path, nullptr, 0);
    if (!book)
        return nullptr;
    PrepareBookText(bytes);
    CBookBase& base = BaseOf(path);
    base.Capture(std::move(bytes));
    base.Load(*this, book);
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        book->bReadOnly = 1;
    return book;
}

CBookBase& CAddrBook::BaseOf(const std::string& path)
{
    std::unique_ptr<CBookBase>& base = m_Bases[path];
    if (!base)
        base.reset(new CBookBase);
    return *base;
}

// Writes a modified local book, under its file's lock from the read that a merge starts
// from until the new file is in place. A file that someone else changed since this run read
// or wrote it is never overwritten blindly: its changes and this run's are merged first
// (against the base, after decoding the file to Shift-JIS), and the user is told what came
// in. A file that can no longer be read, was cut short, or no longer reads as an address
// file leaves this run's version to a copy. A file held by another program for the whole
// wait, or that cannot be opened at all, is left for a later save. True when the book's
// contents are safe on disk.
bool CAddrBook::SaveBookFile(ADTDATA* book)
{
    std::string path = book->psAddr ? book->psAddr : "";
    CFileCommit commit(path);
    if (!path.empty() && commit.Begin() == CFileLock::Busy) {
        ReportUnwritableBook(path, WriteFailure::Busy, commit.Holder());
        return false;
    }
    if (!commit.RestoredFrom().empty())
        QueueRestoredNotice(path, commit.RestoredFrom());
    CBookBase& base = BaseOf(path);
    std::string theirs;
    FileRead read = path.empty() ? FileRead::Gone : commit.Read(theirs);
    if (read == FileRead::Incomplete)
        return SaveConflictCopy(book, path, true, false);
    if (read == FileRead::Read && !base.Holds(theirs)) {
        if (PrepareBookText(theirs) == BookText::Incomplete)
            return SaveConflictCopy(book, path, true, true);
        if (!base.Holds(theirs)) {
            // An emptied file that held a book is taken for an accident, not for a deletion of all.
            bool emptied = theirs.find_first_not_of(" \t\r\n") == std::string::npos && !base.Entries().entries.empty();
            // Either way the copy takes this run's book; an emptied file keeps its entry
            // (held here), since other processes may go on adding to it.
            if (emptied || !ReadsAsAddressFile(theirs))
                return SaveConflictCopy(book, path, emptied, false);
            std::string name = book->psName ? book->psName : "";
            MergeReport report = MergeBook(*this, book, base, std::move(theirs));
            if (report.Changed())
                ReportMerged(report.Describe(name));
        }
    }
    return WriteBookWithBase(book, path, commit);
}

// Writes the book to path through commit; what was written becomes the base.
bool CAddrBook::WriteBookWithBase(ADTDATA* book, const std::string& path, CFileCommit& commit)
{
    std::string bytes = FormatList(book->pChild, 0);
    WriteFailure why;
    bool written = commit.Write(
        [&](FILE* file) { return g_StoreHooks.write(bytes.data(), bytes.size(), file) == bytes.size(); }, &why);
    if (!written) {
        ReportUnwritableBook(path, why);
        return false;
    }
    CBookBase& base = BaseOf(path);
    base.Capture(std::move(bytes));
    base.Stamp(book);
    return true;
}

// This run's version goes to a copy beside the file, which becomes the book's file under
// the name "<name> (競合)", so it is listed and never orphaned. The book's own entry stays
// listed after it (held) while its file cannot be read, is incomplete or was emptied; a file
// that reads but is no address file any more is someone else's and leaves the list.
bool CAddrBook::SaveConflictCopy(ADTDATA* book, const std::string& path, bool keepEntry, bool incomplete)
{
    std::string copy = ConflictCopyPath(path);
    if (copy.empty()) {
        ReportUnwritableBook(path, WriteFailure::NameTooLong);
        return false;
    }
    CFileCommit commit(copy);
    if (commit.Begin() == CFileLock::Busy) {
        ReportUnwritableBook(copy, WriteFailure::Busy, commit.Holder());
        return false;
    }
    std::string name = book->psName ? book->psName : "";
    if (!WriteBookWithBase(book, copy, commit))
        return false;
    std::string copyName = name + " (競合)";
    ReplaceName(book, copyName.c_str());
    ReplaceAddr(book, copy.c_str());
    UpdateLabel(book);
    if (keepEntry)
        m_HeldBooks.push_back({name, path, book});
    ReportConflictCopy(path, copy, copyName, incomplete);
    return true;
}

void CAddrBook::SaveBooks()
{
    // Without a settings path (a start-up that failed early) there is nothing to save to.
    if (!g_szIniPath[0])
        return;
    for (ADTDATA* book = m_Root.pChild; book; book = book->pNext) {
        // A book whose file could not be written stays modified, so the next save tries again.
        if (book->cType == ADT_LOCAL_BOOK && book->bModified) {
            m_ChangedSinceList.insert(book);
            book->bModified = SaveBookFile(book) ? 0 : 1;
            continue;
        }
        book->bModified = 0;
    }
    SaveBookList();
    SweepLeftovers();
    ShowQueuedNotices();
}

// What saves that a crash cut off left in the folders of the settings file and the books,
// beside any file (a first save of a new book that was never listed, too), goes under that
// file's lock; side files of a save under way in another process stay. A listed file left
// missing is restored; a file that no list names only when a backup shows it was there.
// Side files under the shorter names of long paths are tied to their file among those in
// the folder and those listed; a temporary file that belongs to none goes (a cut-off
// first save). (The settings file's own leftovers are its load's and save's.)
void CAddrBook::SweepLeftovers()
{
    std::vector<std::string> folders{PathFolder(g_szIniPath)};
    std::vector<std::string> known{g_szIniPath};
    auto addFolderOf = [&](const std::string& path) {
        known.push_back(path);
        std::string folder = PathFolder(path);
        for (const std::string& seen : folders) {
            if (lstrcmpiA(seen.c_str(), folder.c_str()) == 0)
                return;
        }
        folders.push_back(folder);
    };
    for (ADTDATA* book = m_Root.pChild; book; book = book->pNext) {
        if (book->cType == ADT_LOCAL_BOOK && book->psAddr)
            addFolderOf(book->psAddr);
    }
    for (const HeldBook& held : m_HeldBooks)
        addFolderOf(held.strPath);
    for (const std::string& folder : folders) {
        if (folder.empty())
            continue;
        Leftovers leftovers = FindLeftovers(folder, known);
        for (const std::string& orphan : leftovers.orphans)
            CFileCommit::SweepOrphan(orphan);
        for (const std::string& target : leftovers.targets) {
            if (IsSameFile(target, g_szIniPath))
                continue;
            CFileCommit::Missing missing =
                IsBookFile(target) ? CFileCommit::Missing::Restore : CFileCommit::Missing::RestoreIfReplaced;
            std::string restoredFrom = CFileCommit::Sweep(target, missing);
            if (!restoredFrom.empty())
                QueueRestoredNotice(target, restoredFrom);
        }
    }
}
