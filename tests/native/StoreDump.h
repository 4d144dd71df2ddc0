// Serialises the store for whole-outcome comparisons in tests:
// "Book[Friends[Taro <a@x>],Hanako <b@x>]", books separated by "|". Folders and books show
// their name, addresses their tree label; an empty folder shows "Name[]".
#pragma once
#include <string>
#include "store/AddrBook.h"

inline void DumpNode(const ADTDATA* node, std::string& out)
{
    out += CAddrBook::FormatLabel(node);
    if (node->cType == ADT_ADDR)
        return;
    out += "[";
    for (const ADTDATA* child = node->pChild; child; child = child->pNext) {
        if (child != node->pChild)
            out += ",";
        DumpNode(child, out);
    }
    out += "]";
}

inline std::string DumpStore(const CAddrBook& store)
{
    std::string out;
    for (const ADTDATA* book = store.m_Root.pChild; book; book = book->pNext) {
        if (book != store.m_Root.pChild)
            out += "|";
        DumpNode(book, out);
    }
    return out;
}

inline std::string Keys(const ADTDATA* parent)
{
    std::string out;
    for (const ADTDATA* child = parent->pChild; child; child = child->pNext)
        out += (out.empty() ? "" : ",") + std::to_string(child->nOrder);
    return out;
}
