// The book registry: section "AddressBook" of the settings file lists the books; local
// books live in AL-MAIL files beside it or anywhere the user chose. This file loads the
// books and writes their files; BookList.cpp keeps the list in the settings file.
#include <windows.h>
#include <cstdio>
#include <ctime>
#include <string>
#include "framework/PathName.h"
#include "store/AddrBook.h"
#include "store/BookFile.h"
#include "store/FileIdentity.h"
#include "store/IniPath.h"
#include "store/SettingsFile.h"

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
    MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
}

void ReportUnwritableBook(const std::string& path, WriteFailure why)
{
    std::string text = why == WriteFailure::NameTooLong
                           ? "ファイル:\n" + path +
                                 "\n\nは名前が長すぎるため、保存に使う一時ファイルを同じフォルダに作れません\n"
                                 "フォルダかファイルの名前を短くしてください"
                           : "ファイル:\n" + path +
                                 "\n\n指定されたファイルを\"w\"で開けません\n読み取り専用になっている可能性があります";
    MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONWARNING);
}

void ReportChangedBook(const std::string& path, const std::string& copy)
{
    std::string text = "ファイル:\n" + path +
                       "\n\nは読み込んだ後に他のプログラムによって変更されています\n"
                       "上書きせずに、このアドレスブックの内容を次のファイルに保存しました:\n" + copy;
    MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONWARNING);
}

void ReportUnreadableSettings(const std::string& path)
{
    std::string text = "設定ファイル:\n" + path +
                       "\n\nを読み込めませんでした\n"
                       "アドレスブックの一覧を失わないよう、今回は設定ファイルに何も書き込みません";
    MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONWARNING);
}

void ReportDroppedDuplicates(const std::string& lines)
{
    std::string text = "次のアドレスブックは、一覧の前にあるアドレスブックと同じファイルを使っているため、"
                       "一覧から外しました\n(ファイルはそのまま残っています)\n\n" + lines;
    MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONWARNING);
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
    CSettingsFile& settings = Settings();
    if (!settings.Load(g_szIniPath)) {
        // Never replaced by a default list: the run goes on without books and without writes.
        ReportUnreadableSettings(g_szIniPath);
        return;
    }
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
        path = FullPathOf(path, PathFolder(g_szIniPath));
        if (IsBookFile(path))
            dropped += name + "\n    " + path + "\n";
        else
            LoadListBook(name, path, m_Root.pLastChild);
    }
    if (!dropped.empty())
        ReportDroppedDuplicates(dropped);
}

// One local book of the list: read into the store, held while its file cannot be reached,
// or dropped when its file is gone from a folder that is there (someone deleted it).
CAddrBook::ListLoad CAddrBook::LoadListBook(const std::string& name, const std::string& path, const ADTDATA* after)
{
    if (AddBookFromFile(name.c_str(), path.c_str()))
        return ListLoad::Added;
    ReportUnreadableBook(name, path);
    std::string bytes;
    if (ReadWholeFile(path, bytes) == FileRead::Gone)
        return ListLoad::Dropped;
    m_HeldBooks.push_back({name, path, after});
    return ListLoad::Held;
}

ADTDATA* CAddrBook::AddBookFromFile(const char* name, const char* path)
{
    std::string bytes;
    if (IsBookFile(path) || ReadWholeFile(path, bytes) != FileRead::Read)
        return nullptr;
    ADTDATA* book = AddData(ADT_LOCAL_BOOK, name, path, nullptr, 0);
    if (!book)
        return nullptr;
    ReadText(book, bytes);
    RememberBookFile(path);
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        book->bReadOnly = 1;
    return book;
}

void CAddrBook::RememberBookFile(const std::string& path)
{
    FileStamp stamp = ReadFileStamp(path);
    BookFileState& state = m_BookFiles[path];
    state.nSize = stamp.nSize;
    state.nWriteTime = stamp.nWriteTime;
}

// A file that exists although this run never saw it, or that differs from what this run
// last read or wrote, holds someone else's work (another instance of the plug-in with the
// same settings, or another program).
bool CAddrBook::BookFileChanged(const std::string& path) const
{
    FileStamp now = ReadFileStamp(path);
    if (!now.bExists)
        return false;
    auto seen = m_BookFiles.find(path);
    return seen == m_BookFiles.end() || seen->second.nSize != now.nSize ||
           seen->second.nWriteTime != now.nWriteTime;
}

// Writes a modified local book. A file that someone else changed is left as it is: the
// book goes to a copy beside it, and the user is told where. True when the book's
// contents are safe on disk.
bool CAddrBook::SaveBookFile(ADTDATA* book)
{
    std::string path = book->psAddr ? book->psAddr : "";
    if (!path.empty() && BookFileChanged(path))
        return SaveConflictCopy(book, path);
    WriteFailure why;
    if (!WriteBookFile(*this, book, path, &why)) {
        ReportUnwritableBook(path, why);
        return false;
    }
    RememberBookFile(path);
    return true;
}

// The copy is this run's own only while nobody else touched it: once it changed on disk,
// or became a book's file (imported to recover it), the next save takes a new name.
bool CAddrBook::SaveConflictCopy(ADTDATA* book, const std::string& path)
{
    BookFileState& state = m_BookFiles[path];
    std::string& copy = state.strConflictCopy;
    if (!copy.empty()) {
        FileStamp now = ReadFileStamp(copy);
        if (!now.bExists || now.nSize != state.nCopySize || now.nWriteTime != state.nCopyWriteTime ||
            IsBookFile(copy))
            copy.clear();
    }
    if (copy.empty())
        copy = ConflictCopyPath(path);
    WriteFailure why = WriteFailure::NameTooLong;
    if (copy.empty() || !WriteBookFile(*this, book, copy, &why)) {
        ReportUnwritableBook(copy.empty() ? path : copy, why);
        copy.clear();
        return false;
    }
    FileStamp written = ReadFileStamp(copy);
    state.nCopySize = written.nSize;
    state.nCopyWriteTime = written.nWriteTime;
    ReportChangedBook(path, copy);
    return true;
}

void CAddrBook::SaveBooks()
{
    // Without a settings path (a start-up that failed early) there is nothing to save to.
    if (!g_szIniPath[0])
        return;
    for (ADTDATA* book = m_Root.pChild; book; book = book->pNext) {
        if (book->cType == ADT_LOCAL_BOOK && book->psAddr)
            ClearLeftoverTemp(book->psAddr);  // left by a save that was cut off
        // A book whose file could not be written stays modified, so the next save tries again.
        if (book->cType == ADT_LOCAL_BOOK && book->bModified)
            book->bModified = SaveBookFile(book) ? 0 : 1;
        else
            book->bModified = 0;
    }
    SaveBookList();
}
