// One find step (F3 or Shift+F3) on large stores, in its worst case: from the first node
// once round the whole store without a match, forward and backward. Beside it its floor,
// strstr over the same names and address texts kept in a plain array, and the ratio.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "store/NodeSearch.h"

namespace {

const int kFolders = 10;
const int kRepeats = 20;
const char* const kMissing = "nobody";

// Milliseconds per run of step, the fastest of kRepeats runs.
template <typename Step>
double Fastest(Step step)
{
    double best = 1e9;
    for (int i = 0; i < kRepeats; ++i) {
        auto start = std::chrono::steady_clock::now();
        step();
        auto end = std::chrono::steady_clock::now();
        double ms = std::chrono::duration<double, std::milli>(end - start).count();
        best = ms < best ? ms : best;
    }
    return best;
}

// A book of kFolders folders, each holding its share of the addresses.
void Fill(CAddrBook& store, std::vector<std::string>& texts, int addresses)
{
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Bench", "bench.adr", nullptr, 0);
    texts.push_back("Bench");
    for (int f = 0; f < kFolders; ++f) {
        std::string folderName = "Folder " + std::to_string(f);
        ADTDATA* folder = store.AddData(ADT_FOLDER, folderName.c_str(), nullptr, book, PLACE_CHILD);
        texts.push_back(folderName);
        for (int i = 0; i < addresses / kFolders; ++i) {
            std::string name = "山田 Person " + std::to_string(f) + "-" + std::to_string(i);
            std::string addr = "p" + std::to_string(f) + "x" + std::to_string(i) + "@example.jp";
            store.AddData(ADT_ADDR, name.c_str(), addr.c_str(), folder, PLACE_CHILD);
            texts.push_back(name);
            texts.push_back(addr);
        }
    }
}

void Measure(int addresses)
{
    CAddrBook store;
    std::vector<std::string> texts;
    Fill(store, texts, addresses);
    ADTDATA* first = store.FirstBook();
    size_t hits = 0;
    double forward = Fastest([&] { hits += FindNode(store, first, kMissing, FIND_BOTH, true).node != nullptr; });
    double backward = Fastest([&] { hits += FindNode(store, first, kMissing, FIND_BOTH, false).node != nullptr; });
    double floor = Fastest([&] {
        for (const std::string& text : texts)
            hits += std::strstr(text.c_str(), kMissing) != nullptr;
    });
    std::printf("%7d addresses  next %7.3f ms  previous %7.3f ms  floor %7.3f ms  ratio %4.1f / %4.1f\n",
                addresses, forward, backward, floor, forward / floor, backward / floor);
    if (hits)
        std::printf("unexpected matches: %zu\n", hits);
}

}  // namespace

int main()
{
    for (int addresses : {1000, 10000, 100000})
        Measure(addresses);
    return 0;
}
