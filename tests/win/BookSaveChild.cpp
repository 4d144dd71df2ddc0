// A process that stops for good at a chosen point of a save, after signalling the event it
// was given, so that the test that started it can look at the files then and kill it there:
//   book_save_child.exe <book file> <inherited event handle> [<where>]
// where is one of
//   before-replace   a changed book, between the finished temporary file and the replace
//                    (the default)
//   between-renames  a changed book whose replace goes in two steps, after the first (the
//                    old file moved to its backup name, the new one not yet in place)
//   settings         the settings file "<book file>.ini" (listing the book), after the
//                    first of the two steps of its replace, at a save that adds a book
//   first-save       a new book on <book file> (not there yet, never listed), between its
//                    finished temporary file and the rename that would make it the file
//   hold             holding the book file's lock, nothing else
//   saved            after a whole save of a changed book (its lock file kept open for
//                    the next save, as a host keeps it)
//   try              takes the book file's lock without waiting and ends at once: 0 when
//                    it had it, 6 when another process held it (no event is signalled)
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include "store/AddrBook.h"
#include "files/BookFile.h"
#include "files/FileCommit.h"
#include "books/IniPath.h"

namespace {

HANDLE g_hReady = nullptr;

void StopHere()
{
    SetEvent(g_hReady);
    Sleep(INFINITE);
}

void StopBeforeReplace(const char*, const char*)
{
    StopHere();
}

int StopBetweenRenames(const char* path, const char*, const char* backupPath)
{
    MoveFileExA(path, backupPath, 0);
    StopHere();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4)
        return 2;
    std::string path = argv[1];
    std::string where = argc == 4 ? argv[3] : "before-replace";
    g_hReady = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(argv[2], nullptr, 10)));
    if (where == "hold" || where == "try") {
        CFileLock lock(path);
        if (lock.Acquire(where == "try" ? 0 : g_nFileLockWaitMs) != CFileLock::Held)
            return where == "try" ? 6 : 5;
        if (where == "try")
            return 0;
        StopHere();
    }
    if (where != "saved") {
        g_pfnRenameOver = nullptr;
        g_pfnReplaceFile = StopBetweenRenames;
    }
    CAddrBook store;
    if (where == "settings") {
        std::strcpy(g_szIniPath, (path + ".ini").c_str());
        store.LoadBooks();
        store.AddData(ADT_GLOBAL_BOOK, "子の共有", "ldap://example.jp/", nullptr, 0);
        store.SaveBooks();
        return 4;  // never reached: the test ends the process first
    }
    std::strcpy(g_szIniPath, (path + ".child.ini").c_str());
    ADTDATA* book = where == "first-save" ? store.AddData(ADT_LOCAL_BOOK, "新", path.c_str(), nullptr, 0)
                                          : store.AddBookFromFile("本", path.c_str());
    if (!book)
        return 3;
    store.SetModified(store.AddData(ADT_ADDR, "子", "child@example.jp", book, PLACE_CHILD));
    if (where == "before-replace" || where == "first-save")
        g_pfnBeforeBookReplace = StopBeforeReplace;
    store.SaveBooks();
    if (where == "saved")
        StopHere();
    return 4;  // never reached: the test ends the process first
}
