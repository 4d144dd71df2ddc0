// A second process on the same settings and book for the two-writer tests: it loads the
// books, says so, waits for its turn, edits the first book by a script (BookEdits.h) and
// saves, as a second EdMax window would.
//   book_edit_child.exe <settings file> <script> <inherited "loaded" event> <inherited "go" event>
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include "BookEdits.h"
#include "BoxWatcher.h"
#include "books/IniPath.h"

namespace {

HANDLE Inherited(const char* text)
{
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(text, nullptr, 10)));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    std::strcpy(g_szIniPath, argv[1]);
    CAddrBook store;
    store.LoadBooks();
    SetEvent(Inherited(argv[3]));
    WaitForSingleObject(Inherited(argv[4]), 60000);
    if (!store.FirstBook())
        return 3;
    ApplyEdits(store, store.FirstBook(), argv[2]);
    CBoxWatcher boxes{IDOK};  // the message about the merge, if this process merges
    store.SaveBooks();
    return 0;
}
