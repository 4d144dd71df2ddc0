// The vCard and CSV import and export at the scale of large address books: 100,000
// contacts with Japanese names in 100 folders (a third of them with a second address, one
// in a thousand a group), exported, then imported from their files beside the floor of
// reading the AL-MAIL file of the same book, each the best of seven runs; the export again
// beside writing the book's AL-MAIL file, the median and range of seven runs. The imported
// book must be the book exported. Runs natively and under Wine, where code page 932 comes
// from the platform.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>
#include "BenchClock.h"
#include "BenchFiles.h"
#include "store/AddrBook.h"
#include "exchange/BookContacts.h"
#include "exchange/CsvWriter.h"
#include "exchange/VCardWriter.h"

namespace {

using namespace BenchFiles;

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

// The export beside its floor, the book's own AL-MAIL file written: each the bytes built
// and written to a file, the median and range of kRuns runs.
double WriteAddressFile(CAddrBook& store, ADTDATA* book, const std::string& path)
{
    CBenchClock clock;
    FILE* file = std::fopen(path.c_str(), "wb");
    store.WriteList(book->pChild, file, 0);
    std::fclose(file);
    return clock.Elapsed();
}

// As the window's export writes its file: the bytes made and written in pieces.
double Export(ADTDATA* book, ExportFormat format, const std::string& path)
{
    CBenchClock clock;
    ExportCounts counts;
    FILE* file = std::fopen(path.c_str(), "wb");
    ExportBook(book, format, counts, file);
    std::fclose(file);
    return clock.Elapsed();
}

void ExportAgainstFloor(CAddrBook& store, ADTDATA* book, const std::string& adr, const std::string& vcf,
                        const std::string& csv)
{
    std::vector<double> floor, vcard, table, vcardRatio, csvRatio;
    for (int run = 0; run < kRuns; ++run) {
        floor.push_back(WriteAddressFile(store, book, adr));
        vcard.push_back(Export(book, ExportFormat::VCard, vcf));
        table.push_back(Export(book, ExportFormat::Csv, csv));
        vcardRatio.push_back(vcard.back() / floor.back());
        csvRatio.push_back(table.back() / floor.back());
    }
    for (const auto& line : {std::make_pair("floor: the AL-MAIL file written", SpreadOf(floor)),
                             std::make_pair("export as vCard, the file written", SpreadOf(vcard)),
                             std::make_pair("export as CSV, the file written", SpreadOf(table))}) {
        std::printf("%-48s %10.1f ms  (%.1f-%.1f, %d runs)\n", line.first, line.second.median, line.second.low,
                    line.second.high, kRuns);
    }
    Spread v = SpreadOf(vcardRatio);
    Spread c = SpreadOf(csvRatio);
    std::printf("export against writing the AL-MAIL file (goal 2x): vCard %.2fx (%.2f-%.2f), CSV %.2fx (%.2f-%.2f)\n",
                v.median, v.low, v.high, c.median, c.low, c.high);
}

// The benchmark's files, each of this process alone (TempPath), removed however it ends.
struct BenchPaths {
    std::string adr = TempPath("exchange.adr");
    std::string vcf = TempPath("exchange.vcf");
    std::string csv = TempPath("exchange.csv");
    ~BenchPaths()
    {
        for (const std::string* path : {&adr, &vcf, &csv})
            std::remove(path->c_str());
    }
};

}  // namespace

// bench_exchange [--export]: everything, or only the export beside its floor.
int main(int argc, char** argv)
{
    CAddrBook store;
    ADTDATA* book = FillBook(store);
    std::string expected = BookBytes(store, book);
    BenchPaths paths;
    const std::string& adr = paths.adr;
    const std::string& vcf = paths.vcf;
    const std::string& csv = paths.csv;
    if (argc > 1 && std::string(argv[1]) == "--export") {
        ExportAgainstFloor(store, book, adr, vcf, csv);
        return 0;
    }

    CBenchClock clock;
    ContactList contacts = ContactsOfBook(book);
    clock.Lap("gather 100,000 contacts (Shift-JIS to UTF-8)");
    std::string vcard = CVCardWriter::Write(contacts);
    clock.Lap("write them as vCard");
    std::string table = CCsvWriter::Write(contacts);
    clock.Lap("write them as CSV");
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

    std::printf("%-48s %10.1f ms  (%zu bytes)\n", "floor: the AL-MAIL file read", floor, expected.size());
    std::printf("%-48s %10.1f ms  (%zu bytes)\n", "import the vCard file", importVCard, vcard.size());
    std::printf("%-48s %10.1f ms  (%zu bytes)\n", "import the CSV file", importCsv, table.size());
    std::printf("import, per contact against the floor (goal 2x): vCard %.2fx, CSV %.2fx%s\n", importVCard / floor,
                importCsv / floor, vcardSame && csvSame ? "" : "  -- the imported book is not the book exported!");
    ExportAgainstFloor(store, book, adr, vcf, csv);
    return vcardSame && csvSame ? 0 : 1;
}
