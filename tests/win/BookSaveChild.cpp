// A process that saves a changed book and stops for good between writing the temporary file
// and replacing the book's file, after signalling the event it was given, so that the test
// that started it can kill it at exactly that point.
//   book_save_child.exe <book file> <inherited event handle>
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

void StopBeforeReplace(const char*, const char*)
{
    SetEvent(g_hReady);
    Sleep(INFINITE);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    std::string path = argv[1];
    g_hReady = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(argv[2], nullptr, 10)));
    std::strcpy(g_szIniPath, (path + ".child.ini").c_str());
    CAddrBook store;
    ADTDATA* book = store.AddBookFromFile("本", path.c_str());
    if (!book)
        return 3;
    store.SetModified(store.AddData(ADT_ADDR, "子", "child@example.jp", book, PLACE_CHILD));
    g_pfnBeforeBookReplace = StopBeforeReplace;
    store.SaveBooks();
    return 4;  // never reached: the test ends the process first
}
