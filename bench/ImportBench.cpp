// The import of files shaped as programs write them (ImportShapes.h), each beside its floor:
// reading an AL-MAIL file of the same contacts into a new book, in the same run. For each
// shape: the median of the import's ratio to the floor over the runs, and its range. The
// imported book must be the book of the AL-MAIL file. Then where the import's time goes:
// the file read, its format told, its contacts read (handed to a sink that keeps none) and,
// the rest, their conversion into the book. Runs natively and under Wine.
//   bench_import [CONTACTS [RUNS]]     20,000 contacts and 7 runs by default
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "BenchClock.h"
#include "BenchFiles.h"
#include "ImportShapes.h"
#include "store/AddrBook.h"
#include "exchange/ContactImporter.h"
#include "exchange/ImportFormat.h"

namespace {

using namespace BenchFiles;

// The AL-MAIL file of the contacts, as the import of a file holding them should make it.
std::string ExpectedBook(const ImportShape& shape)
{
    CAddrBook store;
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Expected", "expected.adr", nullptr, 0);
    CContactImporter importer(store, book);
    for (const Contact& contact : shape.contacts)
        importer.Add(contact);
    return BookBytes(store, book);
}

// The import's steps one by one, each the median of the runs: the file read, its format
// told, and its contacts read without a book to put them in.
struct ImportParts {
    std::vector<double> read, detect, parse;
};

void TimeParts(const std::string& file, ImportParts& parts)
{
    struct : IContactSink {
        bool OnContact(const Contact&) override { return true; }
    } none;
    CBenchClock clock;
    std::string bytes = ReadFile(file);
    parts.read.push_back(clock.Elapsed());
    CBenchClock detectClock;
    ImportFormat format = DetectImportFormat(bytes);
    parts.detect.push_back(detectClock.Elapsed());
    CBenchClock parseClock;
    ReadContacts(bytes, format, none);
    parts.parse.push_back(parseClock.Elapsed());
}

}  // namespace

int main(int argc, char** argv)
{
    int contacts = argc > 1 ? std::atoi(argv[1]) : 20000;
    int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    ImportShape shapes[] = {PhoneVCardShape(contacts), GoogleCsvShape(contacts), OutlookCsvShape(contacts)};
    std::string adr = TempPath("velmora-bench-import.adr");
    std::string file = TempPath("velmora-bench-import.dat");
    bool allSame = true;
    std::vector<ImportParts> parts;
    std::vector<double> importMedians;
    std::printf("%-56s %9s %9s %7s %15s\n", "import of a file shaped as", "import ms", "floor ms", "ratio", "range");
    for (const ImportShape& shape : shapes) {
        std::string expected = ExpectedBook(shape);
        if (!WriteFile(adr, expected) || !WriteFile(file, shape.bytes))
            return 1;
        std::vector<double> imports, floors, ratios;
        bool same = true;
        parts.emplace_back();
        for (int run = 0; run < runs; ++run) {
            double floor = ReadAddressFile(adr);
            bool sameRun = false;
            double import = Import(file, expected, sameRun);
            same = same && sameRun;
            imports.push_back(import);
            floors.push_back(floor);
            ratios.push_back(import / floor);
            TimeParts(file, parts.back());
        }
        importMedians.push_back(Median(imports));
        allSame = allSame && same;
        std::printf("%-56s %9.1f %9.1f %6.2fx %6.2f-%5.2fx  (%zu bytes, AL-MAIL %zu)%s\n", shape.name, Median(imports),
                    Median(floors), Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                    *std::max_element(ratios.begin(), ratios.end()), shape.bytes.size(), expected.size(),
                    same ? "" : "  -- the imported book is not the expected book!");
    }
    std::remove(adr.c_str());
    std::remove(file.c_str());
    std::printf("goal: every shape within 1.5x the floor (median of %d runs, %d contacts)\n", runs, contacts);
    std::printf("where the import's time goes (ms, medians):  %8s %8s %8s %8s\n", "read", "detect", "parse", "book");
    for (size_t i = 0; i < parts.size(); ++i) {
        double read = Median(parts[i].read), detect = Median(parts[i].detect), parse = Median(parts[i].parse);
        std::printf("  %-42.42s %8.1f %8.1f %8.1f %8.1f\n", shapes[i].name, read, detect, parse,
                    importMedians[i] - read - detect - parse);
    }
    return allSame ? 0 : 1;
}
