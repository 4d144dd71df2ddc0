#include "BenchBook.h"

namespace BenchBook {

namespace {

const char* const kFamilyNames[] = {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤",
                                    "吉田", "山田", "佐々木", "山口", "松本", "井上", "木村", "林", "斎藤", "清水",
                                    "Smith", "Garcia", "Miller", "Brown"};
const char* const kGivenNames[] = {"太郎", "花子", "一郎", "美咲", "健", "陽子", "翔", "愛", "Anna", "John"};

std::string Name(int folder, int index)
{
    unsigned mix = static_cast<unsigned>(folder * 7919 + index) * 2654435761u;
    std::string name = kFamilyNames[mix % (sizeof kFamilyNames / sizeof kFamilyNames[0])];
    name += " ";
    name += kGivenNames[(mix >> 8) % (sizeof kGivenNames / sizeof kGivenNames[0])];
    return name + " " + std::to_string(index);
}

}  // namespace

std::string FileText(int count)
{
    std::string text;
    int perFolder = count / kFolders;
    for (int f = 0; f < kFolders; ++f) {
        text += "Group フォルダ" + std::to_string(f) + "\r\n";
        for (int i = 0; i < perFolder; ++i) {
            text += "    " + Name(f, i) + ": p" + std::to_string(f) + "x" + std::to_string(i) + "@example.jp\r\n";
        }
        text += "End group\r\n";
    }
    return text;
}

std::vector<ItemRecord> Records(const ADTDATA* top)
{
    std::vector<ItemRecord> records;
    std::vector<int> parents;  // record index of each open level
    const ADTDATA* node = top;
    while (node) {
        bool address = node->cType == ADT_ADDR;
        records.push_back({parents.empty() ? -1 : parents.back(), CAddrBook::FormatLabel(node), address ? 0 : -1,
                           address ? 1 : -1, MakeItemData(node->cType, node->nOrder), node->bExpand != 0});
        if (node->pChild) {
            parents.push_back(static_cast<int>(records.size()) - 1);
            node = node->pChild;
            continue;
        }
        while (node != top && !node->pNext) {
            node = node->pParent;
            parents.pop_back();
        }
        node = node == top ? nullptr : node->pNext;
    }
    return records;
}

}  // namespace BenchBook
