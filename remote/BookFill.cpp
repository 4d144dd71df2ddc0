#include "remote/BookFill.h"
#include "exchange/ContactImporter.h"

namespace {

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
            store.ReadText(book, fetched.addressFile);
            return;
        }
        CContactImporter importer(store, book);
        importer.AddAll(fetched.contacts);
        count.replaced = importer.Replaced();
    });
    count.added = CountAddresses(book);
    return count;
}
