// The book registry: section "AddressBook" of the settings file lists the books; local
// books live in AL-MAIL files beside it or anywhere the user chose.
#include <windows.h>
#include <cstdio>
#include <ctime>
#include <string>
#include "framework/PathName.h"
#include "framework/Profile.h"
#include "store/AddrBook.h"
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

}  // namespace

std::string CAddrBook::ProposeBookFile(const std::string& folder)
{
    DWORD seconds = static_cast<DWORD>(std::time(nullptr));
    for (;;) {
        char name[16];
        std::snprintf(name, sizeof name, "%08lX", static_cast<unsigned long>(seconds++));
        std::string path = folder + name + ".adr";
        bool taken = FileExists(path);
        for (ADTDATA* book = m_Root.pChild; book && !taken; book = book->pNext)
            taken = book->cType == ADT_LOCAL_BOOK && book->psAddr && lstrcmpiA(book->psAddr, path.c_str()) == 0;
        if (!taken)
            return path;
    }
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
        FILE* file = std::fopen(path.c_str(), "rb");
        if (!file) {
            ReportUnreadableBook(name, path);
            continue;
        }
        ADTDATA* book = AddData(ADT_LOCAL_BOOK, name.c_str(), path.c_str(), nullptr, 0);
        if (book)
            ReadList(book, file);
        std::fclose(file);
        DWORD attributes = GetFileAttributesA(path.c_str());
        if (book && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            book->bReadOnly = 1;
    }
}

namespace {

// Writes the book to a temporary file in its folder and moves that over the old file, so
// a failure part way leaves the previous file whole. A read-only file is not replaced.
bool WriteBookFile(CAddrBook& store, ADTDATA* book)
{
    const char* path = book->psAddr;
    if (!path)
        return false;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    std::string folder = PathFolder(path);
    char temp[MAX_PATH];
    if (!GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "vlm", 0, temp))
        return false;
    FILE* file = std::fopen(temp, "wb");
    bool ok = file != nullptr;
    if (ok) {
        store.WriteList(book->pChild, file, 0);
        ok = !std::ferror(file);
        ok = (std::fclose(file) == 0) && ok;
    }
    ok = ok && MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING);
    if (!ok)
        DeleteFileA(temp);
    return ok;
}

}  // namespace

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
        if (book->cType == ADT_LOCAL_BOOK && book->bModified && !WriteBookFile(*this, book))
            ReportUnwritableBook(book->psAddr ? book->psAddr : "");
        book->bModified = 0;
    }
    WritePrivateProfileStringA(kSection, "num", std::to_string(count).c_str(), g_szIniPath);
}
