// What the vCard and CSV fuzz targets check for any input: it imports without fault; the
// book it gives is a sound address file (written, read back and written again, the bytes
// are the same) whose names the address dialog would accept too; and exporting the book
// in the same format and importing that gives the same book again, from a file that is
// taken for that format (when it holds a contact).
#pragma once
#include <cstdint>
#include <cstdlib>
#include <string>
#include "BookBytes.h"
#include "exchange/BookContacts.h"
#include "exchange/ContactImporter.h"
#include "exchange/ImportFormat.h"

namespace ExchangeCheck {

inline std::string ImportedBook(const std::string& bytes, ImportFormat format, CAddrBook& store, ADTDATA*& book)
{
    book = store.AddData(ADT_LOCAL_BOOK, "Fuzz", "fuzz.adr", nullptr, 0);
    CContactImporter importer(store, book);
    importer.AddAll(ReadContacts(bytes, format));
    return WriteBook(store, book);
}

inline bool NamesAreStorable(const ADTDATA* book)
{
    for (const ADTDATA* node = book->pChild; node; node = NextPreOrder(const_cast<ADTDATA*>(node), book)) {
        if (node->cType == ADT_ADDR && !CAddrBook::IsStorableAddressName(node->psName))
            return false;
    }
    return true;
}

inline void Check(const uint8_t* data, size_t size, ImportFormat format,
                  std::string (*write)(const ContactList&))
{
    std::string input(reinterpret_cast<const char*>(data), size);
    DetectImportFormat(input);
    CAddrBook first;
    ADTDATA* book = nullptr;
    std::string imported = ImportedBook(input, format, first, book);
    CAddrBook reread;
    if (WriteBook(reread, ReadBook(reread, imported.data(), imported.size())) != imported || !NamesAreStorable(book))
        std::abort();

    ContactList contacts = ContactsOfBook(book);
    std::string exported = write(contacts);
    if (!contacts.contacts.empty() && DetectImportFormat(exported) != format)
        std::abort();
    CAddrBook second;
    ADTDATA* again = nullptr;
    if (ImportedBook(exported, format, second, again) != imported)
        std::abort();
}

}  // namespace ExchangeCheck
