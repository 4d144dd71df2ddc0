// Store operations at the scale of large address books: 100,000 addresses appended, every
// item mapped back to its node, the book shown, written and read back.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>
#include "BenchClock.h"
#include "store/AddrBook.h"

namespace {

// A view that hands out handles and does nothing else, so only the store is measured.
class CCountingView : public IAddrView {
public:
    uintptr_t next = 1;
    HTREEITEM InsertNode(HTREEITEM, HTREEITEM, const char*, int, int, uint32_t) override
    {
        return reinterpret_cast<HTREEITEM>(next++);
    }
    void DeleteItem(HTREEITEM) override {}
    void SetItemText(HTREEITEM, const char*) override {}
    void SetItemData(HTREEITEM, uint32_t) override {}
    void Expand(HTREEITEM) override {}
    void SortLevel(HTREEITEM) override {}
};

const int kAddresses = 100000;

}  // namespace

int main()
{
    CBenchClock clock;
    CAddrBook store;
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Bench", "bench.adr", nullptr, 0);
    ADTDATA* folder = store.AddData(ADT_FOLDER, "All", nullptr, book, PLACE_CHILD);
    std::vector<ADTDATA*> nodes;
    nodes.reserve(kAddresses);
    for (int i = 0; i < kAddresses; ++i) {
        std::string name = "Person " + std::to_string(i);
        nodes.push_back(store.AddData(ADT_ADDR, name.c_str(), "someone@example.jp", folder, PLACE_CHILD));
    }
    clock.Lap("append 100,000 addresses to one folder");

    CCountingView view;
    store.m_pTree = &view;
    store.DispList(nullptr);
    clock.Lap("show the book (items for every node)");

    size_t found = 0;
    for (ADTDATA* node : nodes)
        found += store.FindByItem(node->hItem) == node;
    clock.Lap("map 100,000 items to their nodes");

    for (int i = 0; i < 1000; ++i)
        store.AddData(ADT_ADDR, "Inserted", "x@example.jp", nodes[static_cast<size_t>(i) * 97], PLACE_BEFORE);
    clock.Lap("insert 1,000 addresses between others");

    store.Renumber(folder, 1);
    clock.Lap("renumber the folder");
    store.m_pTree = nullptr;

    FILE* out = std::tmpfile();
    store.WriteList(book->pChild, out, 0);
    long bytes = std::ftell(out);
    clock.Lap("write the book");

    std::rewind(out);
    CAddrBook copy;
    ADTDATA* target = copy.AddData(ADT_LOCAL_BOOK, "Copy", "copy.adr", nullptr, 0);
    copy.ReadList(target, out);
    std::fclose(out);
    clock.Lap("read it back");

    std::printf("mapped %zu of %d, file %ld bytes, read back %d addresses\n", found, kAddresses, bytes,
                target->pChild ? target->pChild->nChild : 0);
    return found == nodes.size() ? 0 : 1;
}
