// The merge of a book whose file someone else changed, at 1,000, 10,000 and 100,000
// addresses, beside its floor: writing the same book to its file. This run's side is the
// book in memory, shown in a view that counts what it is sent, with a hundredth of its
// addresses added, edited, deleted or dragged to another folder; theirs is the file with
// another hundredth added, edited, deleted and reordered. Also the memory the base keeps.
// Runs natively and under Wine (bench/run).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
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

// One change in every step addresses, of each kind in turn, starting at offset.
void Change(CAddrBook& store, ADTDATA* book, int step, int offset, const char* tag, bool drags)
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
            if (drags) {  // into the next folder, keeping its identity, as a drag does
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

void Measure(int count)
{
    std::string baseText = BenchBook::FileText(count);
    int step = 100;

    // Theirs: the file after the other side's changes.
    CAddrBook other;
    ADTDATA* otherBook = other.AddData(ADT_LOCAL_BOOK, "Bench", "bench.adr", nullptr, 0);
    CBookBase otherBase;
    otherBase.Capture(baseText);
    otherBase.Load(other, otherBook);
    Change(other, otherBook, step, step / 2, "theirs", false);
    std::string theirs = CAddrBook::FormatList(otherBook->pChild, 0);

    double merge = 1e9;
    double floor = 1e9;
    long messages = 0;
    MergeReport report;
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
        Change(store, book, step, 0, "ours", true);
        view.messages = 0;

        auto start = std::chrono::steady_clock::now();
        report = MergeBook(store, book, base, theirs);
        merge = std::min(merge, Since(start));
        messages = view.messages;

        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
            return;
        start = std::chrono::steady_clock::now();
        store.WriteList(book->pChild, file, 0);
        std::fclose(file);
        floor = std::min(floor, Since(start));
        store.m_pTree = nullptr;
    }
    std::remove(path.c_str());
    std::printf("%7d addresses: merge %8.1f ms, write (floor) %8.1f ms, ratio %5.2f (goal <= 2); "
                "%ld view messages; theirs brought +%d -%d ~%d moved %d\n",
                count, merge, floor, merge / floor, messages, report.nAdded, report.nDeleted, report.nEdited,
                report.nMoved);
    std::fflush(stdout);
}

}  // namespace

int main()
{
    for (int count : {1000, 10000, 100000})
        Measure(count);
    std::string text = BenchBook::FileText(100000);
    CBookBase base;
    base.Capture(text);
    std::printf("the base of a book of 100,000 addresses keeps %zu bytes for a file of %zu bytes (%.2f times it)\n",
                base.MemoryUse(), text.size(), static_cast<double>(base.MemoryUse()) / static_cast<double>(text.size()));
    return 0;
}
