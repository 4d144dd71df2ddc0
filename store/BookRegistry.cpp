// The book registry: section "AddressBook" of the settings file lists the books; local
// books live in AL-MAIL files beside it or anywhere the user chose.
#include <windows.h>
#include <cstdio>
#include <ctime>
#include <string>
#include "framework/PathName.h"
#include "framework/Profile.h"
#include "store/AddrBook.h"
#include "store/BookFile.h"
#include "store/IniPath.h"

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

void ReportUnwritableBook(const char* path)
{
    std::string text = std::string("ファイル:\n") + path +
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

}  // namespace

std::string CAddrBook::ProposeBookFile(const std::string& folder)
{
    DWORD seconds = static_cast<DWORD>(std::time(nullptr));
    for (;;) {
        char name[16];
        std::snprintf(name, sizeof name, "%08lX", static_cast<unsigned long>(seconds++));
        std::string path = folder + name + ".adr";
        if (!FileExists(path) && !FindBookByFile(path))
            return path;
    }
}

namespace {

std::string FullPath(const std::string& path)
{
    DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    std::string full(size, '\0');
    if (size == 0 || GetFullPathNameA(path.c_str(), size, &full[0], nullptr) >= size)
        return path;
    full.resize(full.find('\0'));
    return full;
}

}  // namespace

ADTDATA* CAddrBook::FindBookByFile(const std::string& path)
{
    std::string wanted = FullPath(path);
    for (ADTDATA* book = m_Root.pChild; book; book = book->pNext) {
        if (book->cType == ADT_LOCAL_BOOK && book->psAddr && lstrcmpiA(FullPath(book->psAddr).c_str(), wanted.c_str()) == 0)
            return book;
    }
    return nullptr;
}

void CAddrBook::LoadBooks()
{
    if (!g_szIniPath[0])
        return;
    int count = static_cast<int>(GetPrivateProfileIntA(kSection, "num", 0, g_szIniPath));
    if (count == 0) {
        // The file need not exist: it is written at the next save.
        std::string path = ProposeBookFile(PathFolder(g_szIniPath));
        ADTDATA* book = AddData(ADT_LOCAL_BOOK, kDefaultBookName, path.c_str(), nullptr, 0);
        if (book)
            book->bModified = 1;
        return;
    }
    for (int i = 0; i < count; ++i) {
        std::string type = ReadProfileString(kSection, Key(i, "type").c_str(), g_szIniPath);
        std::string name = ReadProfileString(kSection, Key(i, "name").c_str(), g_szIniPath);
        std::string path = ReadProfileString(kSection, Key(i, "path").c_str(), g_szIniPath);
        if (type != "local") {
            AddData(ADT_GLOBAL_BOOK, name.c_str(), path.c_str(), nullptr, 0);
            continue;
        }
        ADTDATA* book = AddBookFromFile(name.c_str(), path.c_str());
        if (!book) {
            ReportUnreadableBook(name, path);
            continue;
        }
        DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            book->bReadOnly = 1;
    }
}

ADTDATA* CAddrBook::AddBookFromFile(const char* name, const char* path)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return nullptr;
    ADTDATA* book = AddData(ADT_LOCAL_BOOK, name, path, nullptr, 0);
    if (book)
        ReadList(book, file);
    std::fclose(file);
    if (book)
        RememberBookFile(path);
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
    if (path.empty() || !BookFileChanged(path)) {
        if (!WriteBookFile(*this, book, path)) {
            ReportUnwritableBook(path.c_str());
            return false;
        }
        RememberBookFile(path);
        return true;
    }
    std::string& copy = m_BookFiles[path].strConflictCopy;
    if (copy.empty())
        copy = ConflictCopyPath(path);
    if (!WriteBookFile(*this, book, copy)) {
        ReportUnwritableBook(copy.c_str());
        return false;
    }
    ReportChangedBook(path, copy);
    return true;
}

void CAddrBook::SaveBooks()
{
    // Without a settings path (a start-up that failed early) there is nothing to save to.
    if (!g_szIniPath[0])
        return;
    int count = 0;
    for (ADTDATA* book = m_Root.pChild; book; book = book->pNext, ++count) {
        WritePrivateProfileStringA(kSection, Key(count, "type").c_str(),
                                   book->cType == ADT_LOCAL_BOOK ? "local" : "global", g_szIniPath);
        WritePrivateProfileStringA(kSection, Key(count, "name").c_str(), book->psName, g_szIniPath);
        WritePrivateProfileStringA(kSection, Key(count, "path").c_str(), book->psAddr, g_szIniPath);
        if (book->cType == ADT_LOCAL_BOOK && book->psAddr)
            DeleteFileA(BookTempPath(book->psAddr).c_str());  // left by a save that was cut off
        // A book whose file could not be written stays modified, so the next save tries again.
        if (book->cType == ADT_LOCAL_BOOK && book->bModified)
            book->bModified = SaveBookFile(book) ? 0 : 1;
        else
            book->bModified = 0;
    }
    WritePrivateProfileStringA(kSection, "num", std::to_string(count).c_str(), g_szIniPath);
}
