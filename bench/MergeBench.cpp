// The merge of a book whose file someone else changed, beside its floor: writing the same
// book to its file. First the usual case at 1,000, 10,000 and 100,000 addresses: this run's
// side is the book in memory, shown in a view that counts what it is sent, with a hundredth
// of its addresses added, edited, deleted or dragged to another folder; theirs is the file
// with another hundredth added, edited, deleted and reordered. Then every shape of change
// at 100,000 addresses, in ten folders or in one level, scattered or total (every domain
// changed, every name edited, every level's order reversed), on theirs' side or on ours.
// Each figure is the median of several runs with their range. Also the memory the base
// keeps. Runs natively and under Wine (bench/run).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>
#include "BenchBook.h"
#include "merge/BookBase.h"
#include "merge/BookMerge.h"

namespace {

const int kRepeats = 5;

// A view that hands out handles and counts the messages a control would get.
class CCountingView : public IAddrView {
public:
    uintptr_t next = 1;
    long messages = 0;
    HTREEITEM InsertNode(HTREEITEM, HTREEITEM, const char*, int, int, uint32_t) override
    {
        ++messages;
        return reinterpret_cast<HTREEITEM>(next++);
    }
    void DeleteItem(HTREEITEM) override { ++messages; }
    void SetItemText(HTREEITEM, const char*) override { ++messages; }
    void SetItemData(HTREEITEM, uint32_t) override { ++messages; }
    void Expand(HTREEITEM) override {}
    void SortLevel(HTREEITEM) override { ++messages; }
};

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::vector<ADTDATA*> Addresses(ADTDATA* book)
{
    std::vector<ADTDATA*> addresses;
    for (ADTDATA* node = book->pChild; node; node = NextPreOrder(node, book)) {
        if (node->cType == ADT_ADDR)
            addresses.push_back(node);
    }
    return addresses;
}

// The book of count addresses in one level.
std::string FlatText(int count)
{
    std::string folders = BenchBook::FileText(count);
    std::string text;
    text.reserve(folders.size());
    size_t start = 0;
    while (start < folders.size()) {
        size_t end = folders.find('\n', start) + 1;
        std::string_view line(folders.data() + start, end - start);
        if (line.substr(0, 4) == "    ")
            text.append(line.substr(4));
        start = end;
    }
    return text;
}

// One change in every step addresses, of each kind in turn, starting at offset.
void Scattered(CAddrBook& store, ADTDATA* book, int step, int offset, const char* tag, bool drags)
{
    std::vector<ADTDATA*> addresses = Addresses(book);
    for (size_t i = static_cast<size_t>(offset), kind = 0; i < addresses.size(); i += static_cast<size_t>(step), ++kind) {
        ADTDATA* node = addresses[i];
        std::string text = std::string(tag) + std::to_string(i) + "@example.jp";
        switch (kind % 4) {
        case 0:
            store.AddData(ADT_ADDR, (std::string(tag) + " 新規").c_str(), text.c_str(), node, PLACE_AFTER);
            break;
        case 1:
            store.ReplaceAddr(node, text.c_str());
            store.UpdateLabel(node);
            break;
        case 2:
            store.DeleteData(node);
            break;
        default:
            if (drags && node->pParent != book) {  // into the next folder, keeping its identity, as a drag does
                ADTDATA* folder = node->pParent->pNext ? node->pParent->pNext : book->pChild;
                ADTDATA* copy = store.AddData(ADT_ADDR, node->psName, node->psAddr, folder, PLACE_CHILD);
                copy->nBaseId = node->nBaseId;
                store.DeleteData(node);
            } else if (node->pPrev) {  // reordered
                store.MoveData(node, node->pPrev, PLACE_BEFORE);
            }
            break;
        }
    }
    store.SetModified(book);
}

void EveryDomain(CAddrBook& store, ADTDATA* book)
{
    for (ADTDATA* node : Addresses(book)) {
        std::string addr = node->psAddr;
        addr.replace(addr.find("@example.jp"), 11, "@example.co.jp");
        store.ReplaceAddr(node, addr.c_str());
        store.UpdateLabel(node);
    }
    store.SetModified(book);
}

void EveryName(CAddrBook& store, ADTDATA* book)
{
    for (ADTDATA* node : Addresses(book)) {
        std::string name = std::string(node->psName) + " 様";
        store.ReplaceName(node, name.c_str());
        store.UpdateLabel(node);
    }
    store.SetModified(book);
}

// Every level's order reversed: the folders, and the addresses in each.
void ReverseLevel(CAddrBook& store, ADTDATA* parent)
{
    std::vector<ADTDATA*> children;
    for (ADTDATA* child = parent->pChild; child; child = child->pNext)
        children.push_back(child);
    for (size_t i = 1; i < children.size(); ++i)
        store.MoveData(children[i], children[0]->pParent->pChild, PLACE_BEFORE);
    for (ADTDATA* child : children) {
        if (child->cType == ADT_FOLDER)
            ReverseLevel(store, child);
    }
}

void EveryOrder(CAddrBook& store, ADTDATA* book)
{
    ReverseLevel(store, book);
    store.Renumber(book, 1);
    store.SetModified(book);
}

using Change = std::function<void(CAddrBook&, ADTDATA*)>;

struct Shape {
    const char* name;
    bool flat;
    Change ours;
    Change theirs;
};

struct Figures {
    std::vector<double> merge, floor, ratio;
    long messages = 0;
    MergeReport report;
};

// The median and the range of values: "median (min-max)".
std::string Spread(std::vector<double> values, const char* format)
{
    std::sort(values.begin(), values.end());
    char text[96];
    std::snprintf(text, sizeof text, format, values[values.size() / 2], values.front(), values.back());
    return text;
}

Figures Measure(int count, const Shape& shape)
{
    std::string baseText = shape.flat ? FlatText(count) : BenchBook::FileText(count);

    // Theirs: the file after the other side's changes.
    CAddrBook other;
    ADTDATA* otherBook = other.AddData(ADT_LOCAL_BOOK, "Bench", "bench.adr", nullptr, 0);
    CBookBase otherBase;
    otherBase.Capture(baseText);
    otherBase.Load(other, otherBook);
    shape.theirs(other, otherBook);
    std::string theirs = CAddrBook::FormatList(otherBook->pChild, 0);

    Figures figures;
    std::string path = (std::filesystem::temp_directory_path() / "velmora-bench-merge.adr").string();
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        CAddrBook store;
        ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Bench", "bench.adr", nullptr, 0);
        CBookBase base;
        base.Capture(baseText);
        base.Load(store, book);
        CCountingView view;
        store.m_pTree = &view;
        store.DispList(nullptr);
        shape.ours(store, book);
        view.messages = 0;

        auto start = std::chrono::steady_clock::now();
        figures.report = MergeBook(store, book, base, theirs);
        figures.merge.push_back(Since(start));
        figures.messages = view.messages;

        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
            break;
        start = std::chrono::steady_clock::now();
        store.WriteList(book->pChild, file, 0);
        std::fclose(file);
        figures.floor.push_back(Since(start));
        figures.ratio.push_back(figures.merge.back() / figures.floor.back());
        store.m_pTree = nullptr;
    }
    std::remove(path.c_str());
    return figures;
}

void Print(int count, const char* shape, const Figures& figures)
{
    if (figures.ratio.empty())
        return;
    std::printf("%7d addresses, %-40s merge %-22s write (floor) %-20s ratio %-18s (goal <= 2); %ld view messages; "
                "theirs brought +%d -%d ~%d moved %d\n",
                count, shape, Spread(figures.merge, "%.1f (%.1f-%.1f) ms").c_str(),
                Spread(figures.floor, "%.1f (%.1f-%.1f) ms").c_str(), Spread(figures.ratio, "%.2f (%.2f-%.2f)").c_str(),
                figures.messages, figures.report.nAdded, figures.report.nDeleted, figures.report.nEdited,
                figures.report.nMoved);
    std::fflush(stdout);
}

}  // namespace

// bench_merge [WORDS]: only the shapes whose name holds WORDS (all of them by default).
int main(int argc, char** argv)
{
    std::string only = argc > 1 ? argv[1] : "";
    auto oursScattered = [](CAddrBook& store, ADTDATA* book) { Scattered(store, book, 100, 0, "ours", true); };
    auto theirsScattered = [](CAddrBook& store, ADTDATA* book) { Scattered(store, book, 100, 50, "theirs", false); };
    auto none = [](CAddrBook&, ADTDATA*) {};
    for (int count : {1000, 10000, 100000}) {
        if (only.empty())
            Print(count, "folders, a hundredth on each side:", Measure(count, {"", false, oursScattered, theirsScattered}));
    }
    std::printf("every shape at 100,000 addresses (median of %d runs, range in brackets):\n", kRepeats);
    const Shape shapes[] = {
        {"flat, a hundredth on each side:", true, oursScattered, theirsScattered},
        {"folders, theirs: every domain changed:", false, oursScattered, EveryDomain},
        {"flat, theirs: every domain changed:", true, oursScattered, EveryDomain},
        {"folders, theirs: every name edited:", false, oursScattered, EveryName},
        {"flat, theirs: every name edited:", true, oursScattered, EveryName},
        {"folders, theirs: every level reversed:", false, oursScattered, EveryOrder},
        {"flat, theirs: every level reversed:", true, oursScattered, EveryOrder},
        {"folders, ours: every domain changed:", false, EveryDomain, theirsScattered},
        {"flat, ours: every level reversed:", true, EveryOrder, theirsScattered},
        {"flat, both: every domain changed alike:", true, EveryDomain, EveryDomain},
        {"folders, theirs only: every level reversed:", false, none, EveryOrder},
    };
    for (const Shape& shape : shapes) {
        if (std::string(shape.name).find(only) != std::string::npos)
            Print(100000, shape.name, Measure(100000, shape));
    }
    std::string text = BenchBook::FileText(100000);
    CBookBase base;
    base.Capture(text);
    std::printf("the base of a book of 100,000 addresses keeps %zu bytes for a file of %zu bytes (%.2f times it)\n",
                base.MemoryUse(), text.size(), static_cast<double>(base.MemoryUse()) / static_cast<double>(text.size()));
    return 0;
}
