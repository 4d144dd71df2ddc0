// The vCard and CSV import and export at the scale of large address books: 100,000
// addresses with Japanese names in 100 folders, gathered, written, read and imported
// again, beside the floor of the same book written to and read from its AL-MAIL file.
// Runs natively and under Wine, where code page 932 comes from the platform.
#include <cstdio>
#include <filesystem>
#include <string>
#include "BenchClock.h"
#include "store/AddrBook.h"
#include "exchange/BookContacts.h"
#include "exchange/ContactImporter.h"
#include "exchange/CsvReader.h"
#include "exchange/CsvWriter.h"
#include "exchange/VCardReader.h"
#include "exchange/VCardWriter.h"

namespace {

const int kAddresses = 100000;
const int kFolders = 100;

ADTDATA* FillBook(CAddrBook& store)
{
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Bench", "bench.adr", nullptr, 0);
    ADTDATA* folder = nullptr;
    for (int i = 0; i < kAddresses; ++i) {
        if (i % (kAddresses / kFolders) == 0)
            folder = store.AddData(ADT_FOLDER, ("取引先 " + std::to_string(i)).c_str(), nullptr, book, PLACE_CHILD);
        std::string name = "山田 太郎 " + std::to_string(i);
        std::string addresses = "taro" + std::to_string(i) + "@example.jp,yamada" + std::to_string(i) + "@example.com";
        store.AddData(ADT_ADDR, name.c_str(), addresses.c_str(), folder, PLACE_CHILD);
    }
    return book;
}

// Imports contacts into a new book and returns the number of addresses made.
int Import(const ContactList& contacts)
{
    CAddrBook store;
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Imported", "imported.adr", nullptr, 0);
    CContactImporter importer(store, book);
    importer.AddAll(contacts);
    return importer.Added();
}

}  // namespace

int main()
{
    CAddrBook store;
    ADTDATA* book = FillBook(store);
    CBenchClock clock;

    std::string path = (std::filesystem::temp_directory_path() / "velmora-bench-exchange.adr").string();
    FILE* file = std::fopen(path.c_str(), "w+b");
    if (!file)
        return 1;
    store.WriteList(book->pChild, file, 0);
    std::rewind(file);
    CAddrBook copy;
    copy.ReadList(copy.AddData(ADT_LOCAL_BOOK, "Copy", "copy.adr", nullptr, 0), file);
    std::fclose(file);
    std::remove(path.c_str());
    double floor = clock.Lap("floor: AL-MAIL file written and read");

    ContactList contacts = ContactsOfBook(book);
    double gather = clock.Lap("gather 100,000 contacts (Shift-JIS to UTF-8)");
    std::string vcard = CVCardWriter::Write(contacts);
    double writeVCard = clock.Lap("write them as vCard");
    ContactList fromVCard = CVCardReader::Read(vcard);
    double readVCard = clock.Lap("read the vCard file");
    int vcardAdded = Import(fromVCard);
    double importVCard = clock.Lap("import its contacts (UTF-8 to Shift-JIS)");
    std::string csv = CCsvWriter::Write(contacts);
    double writeCsv = clock.Lap("write them as CSV");
    ContactList fromCsv = CCsvReader::ReadContacts(csv);
    double readCsv = clock.Lap("read the CSV file");
    int csvAdded = Import(fromCsv);
    double importCsv = clock.Lap("import its contacts (UTF-8 to Shift-JIS)");

    std::printf("vCard %zu bytes: export %.1fx, import %.1fx the floor; CSV %zu bytes: export %.1fx, import %.1fx\n",
                vcard.size(), (gather + writeVCard) / floor, (readVCard + importVCard) / floor, csv.size(),
                (gather + writeCsv) / floor, (readCsv + importCsv) / floor);
    return vcardAdded == kAddresses && csvAdded == kAddresses ? 0 : 1;
}
