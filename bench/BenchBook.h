// The book the benchmarks measure: one local book of ten folders holding N addresses with
// varied Japanese names (so send-list entries sort into every part of the list), and the
// shape of its tree as plain records that the bare controls insert for the floors.
#pragma once
#include <string>
#include <vector>
#include "store/AddrBook.h"

namespace BenchBook {

const int kFolders = 10;

// The AL-MAIL text of a book of count addresses in ten folders.
std::string FileText(int count);

// One tree item as the store shows it: its parent's index in the record list (-1 for a
// top-level item), label, images and data.
struct ItemRecord {
    int parent;
    std::string text;
    int image, selectedImage;
    uint32_t data;
    bool expanded;
};

// The items of node and everything below it, in the order the store shows them.
std::vector<ItemRecord> Records(const ADTDATA* node);

}  // namespace BenchBook
