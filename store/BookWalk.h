// A walk over a book's nodes in file order that knows each node's folder, without
// recursion: a book read from a file may nest folders to any depth.
#pragma once
#include <vector>

// Calls visit(node, parent) for every node below book in file order; parent is the number
// of the visit that met the node's folder (visits count from 0), or -1 at the book's top
// level. Node is ADTDATA or const ADTDATA.
template <typename Node, typename Visit>
void ForEachBelow(Node* book, Visit visit)
{
    std::vector<int> folders;  // visit numbers of the open folders
    int visits = 0;
    Node* node = book->pChild;
    while (node) {
        int number = visits++;
        visit(node, folders.empty() ? -1 : folders.back());
        if (node->pChild) {
            folders.push_back(number);
            node = node->pChild;
            continue;
        }
        while (node && !node->pNext) {
            node = node->pParent == book ? nullptr : node->pParent;
            if (node)
                folders.pop_back();
        }
        if (node)
            node = node->pNext;
    }
}
