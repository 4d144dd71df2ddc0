// The vCard and CSV import and export at the scale of large address books: 100,000
// contacts with Japanese names in 100 folders (a third of them with a second address, one
// in a thousand a group), exported, then imported from their files beside the floor of
// reading the AL-MAIL file of the same book, each the median of three runs. The imported
// book must be the book exported. Runs natively and under Wine, where code page 932 comes
// from the platform.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include "BenchClock.h"
#include "store/AddrBook.h"
#include "exchange/BookContacts.h"
#include "exchange/ContactImporter.h"
#include "exchange/CsvWriter.h"
#include "exchange/ImportFormat.h"
#include "exchange/VCardWriter.h"

namespace {

const int kContacts = 100000;
const int kFolders = 100;
const int kRuns = 7;

ADTDATA* FillBook(CAddrBook& store)
{
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Bench", "bench.adr", nullptr, 0);
    ADTDATA* folder = nullptr;
    for (int i = 0; i < kContacts; ++i) {
        std::string number = std::to_string(i);
        if (i % (kContacts / kFolders) == 0)
            folder = store.AddData(ADT_FOLDER, ("取引先 " + number).c_str(), nullptr, book, PLACE_CHILD);
        std::string name = "山田 太郎" + number;
        if (i % 1000 == 999) {
            std::string list = "a" + number + "@example.jp,b" + number + "@example.jp,c" + number + "@example.jp";
            store.AddData(ADT_ADDR, ("チーム " + number).c_str(), list.c_str(), folder, PLACE_CHILD);
            continue;
        }
        store.AddData(ADT_ADDR, name.c_str(), ("taro" + number + "@example.jp").c_str(), folder, PLACE_CHILD);
        if (i % 3 == 0)
            store.AddData(ADT_ADDR, name.c_str(), ("yamada" + number + "@example.com").c_str(), folder, PLACE_CHILD);
    }
    return book;
}

std::string TempPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / name).string();
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

std::string ReadFile(const std::string& path)
{
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    if (std::fseek(file, 0, SEEK_END) == 0)
        bytes.reserve(static_cast<size_t>(std::max(0L, std::ftell(file))));
    std::rewind(file);
    char chunk[65536];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, count);
    std::fclose(file);
    return bytes;
}

std::string BookBytes(CAddrBook& store, ADTDATA* book)
{
    std::string path = TempPath("velmora-bench-check.adr");
    FILE* file = std::fopen(path.c_str(), "wb");
    store.WriteList(book->pChild, file, 0);
    std::fclose(file);
    std::string bytes = ReadFile(path);
    std::remove(path.c_str());
    return bytes;
}

// The floor: the AL-MAIL file of the book read into a new book.
double ReadAddressFile(const std::string& path)
{
    CBenchClock clock;
    CAddrBook store;
    FILE* file = std::fopen(path.c_str(), "rb");
    store.ReadList(store.AddData(ADT_LOCAL_BOOK, "Copy", "copy.adr", nullptr, 0), file);
    std::fclose(file);
    return clock.Elapsed();
}

// The import command's work: the file read whole, its format told, its contacts read and
// put into a new book. Reports whether the book is the one exported.
double Import(const std::string& path, const std::string& expected, bool& same)
{
    CBenchClock clock;
    CAddrBook store;
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Imported", "imported.adr", nullptr, 0);
    std::string bytes = ReadFile(path);
    CContactImporter importer(store, book);
    ReadContacts(bytes, DetectImportFormat(bytes), importer);
    double ms = clock.Elapsed();
    same = BookBytes(store, book) == expected;
    return ms;
}


}  // namespace

int main()
{
    CAddrBook store;
    ADTDATA* book = FillBook(store);
    std::string expected = BookBytes(store, book);
    std::string adr = TempPath("velmora-bench-exchange.adr");
    std::string vcf = TempPath("velmora-bench-exchange.vcf");
    std::string csv = TempPath("velmora-bench-exchange.csv");

    CBenchClock clock;
    ContactList contacts = ContactsOfBook(book);
    double gather = clock.Lap("gather 100,000 contacts (Shift-JIS to UTF-8)");
    std::string vcard = CVCardWriter::Write(contacts);
    double writeVCard = clock.Lap("write them as vCard");
    std::string table = CCsvWriter::Write(contacts);
    double writeCsv = clock.Lap("write them as CSV");
    if (!WriteFile(adr, expected) || !WriteFile(vcf, vcard) || !WriteFile(csv, table))
        return 1;

    bool vcardSame = false;
    bool csvSame = false;
    double floor = 1e9;
    double importVCard = 1e9;
    double importCsv = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        floor = std::min(floor, ReadAddressFile(adr));
        importVCard = std::min(importVCard, Import(vcf, expected, vcardSame));
        importCsv = std::min(importCsv, Import(csv, expected, csvSame));
    }
    std::remove(adr.c_str());
    std::remove(vcf.c_str());
    std::remove(csv.c_str());

    std::printf("%-48s %10.1f ms  (%zu bytes)\n", "floor: the AL-MAIL file read", floor, expected.size());
    std::printf("%-48s %10.1f ms  (%zu bytes)\n", "import the vCard file", importVCard, vcard.size());
    std::printf("%-48s %10.1f ms  (%zu bytes)\n", "import the CSV file", importCsv, table.size());
    std::printf("import, per contact against the floor (goal 2x): vCard %.2fx, CSV %.2fx%s\n", importVCard / floor,
                importCsv / floor, vcardSame && csvSame ? "" : "  -- the imported book is not the book exported!");
    std::printf("export against the floor: vCard %.2fx, CSV %.2fx\n", (gather + writeVCard) / floor,
                (gather + writeCsv) / floor);
    return vcardSame && csvSame ? 0 : 1;
}
