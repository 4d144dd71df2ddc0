// The send list's own work natively, without a list view: a folder of N/10 addresses of the
// window benchmark's book added as To entries, as the window adds them (the entry texts, the
// duplicate test, the sort key and the place, the entries' indexes). What the window does
// beyond inserting the list view's items; run under callgrind its instruction count does not
// depend on the load of the machine.
//   bench_sendlist [N] [repeats]      (default 100,000 addresses, 5 repeats)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "BenchBook.h"
#include "store/AddrBook.h"
#include "window/SendEntries.h"
#include "window/SendListRules.h"

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The entries of every address below folder, as the window's InsertFolderAll adds them.
[[gnu::noinline]] size_t AddFolder(CSendEntries& entries, ADTDATA* folder)
{
    size_t added = 0;
    std::vector<std::string> texts;
    CSendEntries::Proposal proposal;
    for (ADTDATA* node = folder->pChild; node; node = NextPreOrder(node, folder)) {
        if (node->cType != ADT_ADDR)
            continue;
        SendListRules::NodeEntries(node, texts);
        for (const std::string& text : texts) {
            if (!entries.Propose(SEND_TO, text, proposal))
                continue;
            entries.Insert(proposal.text, proposal.sortKey);
            ++added;
        }
    }
    return added;
}

}  // namespace

int main(int argc, char** argv)
{
    int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    int repeats = std::max(1, argc > 2 ? std::atoi(argv[2]) : 5);
    CAddrBook store;
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Bench", "bench.adr", nullptr, 0);
    store.ReadText(book, BenchBook::FileText(count));
    std::vector<double> ms;
    size_t added = 0;
    for (int r = 0; r < repeats; ++r) {
        ADTDATA* folder = book->pChild;
        for (int i = 0; i < r % BenchBook::kFolders; ++i)
            folder = folder->pNext;
        CSendEntries entries;
        auto start = std::chrono::steady_clock::now();
        added = AddFolder(entries, folder);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("send list, a folder of %d addresses added without a list view: %.2f ms (median of %d, %.2f-%.2f), "
                "%zu entries\n",
                count / BenchBook::kFolders, Median(ms), repeats, *std::min_element(ms.begin(), ms.end()),
                *std::max_element(ms.begin(), ms.end()), added);
    return 0;
}
