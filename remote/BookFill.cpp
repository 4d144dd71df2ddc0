#include "remote/BookFill.h"
#include <windows.h>
#include <cstdio>
#include "exchange/ContactImporter.h"

namespace {

// The address file's text through the address-file reader, by way of a temporary file.
void ReadAddressFile(CAddrBook& store, ADTDATA* book, const std::string& text)
{
    char folder[MAX_PATH];
    char path[MAX_PATH];
    if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "vlm", 0, path))
        return;
    FILE* file = std::fopen(path, "w+b");
    if (file) {
        bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        if (written && std::fseek(file, 0, SEEK_SET) == 0)
            store.ReadList(book, file);
        std::fclose(file);
    }
    DeleteFileA(path);
}

int CountAddresses(const ADTDATA* book)
{
    int count = 0;
    for (ADTDATA* node = book->pChild; node; node = NextPreOrder(node, book)) {
        if (node->cType == ADT_ADDR)
            ++count;
    }
    return count;
}

}  // namespace

FillCount FillGlobalBook(CAddrBook& store, ADTDATA* book, const FetchedBook& fetched)
{
    FillCount count;
    store.RefillNode(book, [&]() {
        if (fetched.bAddressFile) {
            ReadAddressFile(store, book, fetched.addressFile);
            return;
        }
        CContactImporter importer(store, book);
        importer.AddAll(fetched.contacts);
        count.replaced = importer.Replaced();
    });
    count.added = CountAddresses(book);
    return count;
}
