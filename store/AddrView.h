// What the address store needs of the tree view that shows it. The window's tree control
// implements it; the native tests use a recording fake.
#pragma once
#include <cstdint>
#include "store/AddrData.h"

class IAddrView {
public:
    // Image index meaning "ask the view when drawing" (comctl32's I_IMAGECALLBACK).
    static constexpr int kImageCallback = -1;

    // Inserts an item under parent (0 = top level) just after the sibling item after, or
    // at InsertFirst() or InsertLast(), and returns its handle. The store places every
    // item where its key belongs, so the view never has to sort a level after an insert.
    virtual HTREEITEM InsertNode(HTREEITEM parent, HTREEITEM after, const char* text, int image,
                                 int selectedImage, uint32_t data) = 0;
    // The places of InsertNode that are no item: the values of comctl32's TVI_FIRST and
    // TVI_LAST.
    static HTREEITEM InsertFirst() { return reinterpret_cast<HTREEITEM>(~static_cast<uintptr_t>(0xFFFE)); }
    static HTREEITEM InsertLast() { return reinterpret_cast<HTREEITEM>(~static_cast<uintptr_t>(0xFFFD)); }
    // Removes the item with all its descendants.
    virtual void DeleteItem(HTREEITEM item) = 0;
    virtual void SetItemText(HTREEITEM item, const char* text) = 0;
    virtual void SetItemData(HTREEITEM item, uint32_t data) = 0;
    virtual void Expand(HTREEITEM item) = 0;
    // Puts the children of parent (0 = top level) in key order: after the store relinked
    // nodes within a list, whose items keep their places until then.
    virtual void SortLevel(HTREEITEM parent) = 0;

protected:
    ~IAddrView() = default;
};
