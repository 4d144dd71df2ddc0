// What the address store needs of the tree view that shows it. The window's tree control
// implements it; the native tests use a recording fake.
#pragma once
#include "store/AddrData.h"

class IAddrView {
public:
    // Image index meaning "ask the view when drawing" (comctl32's I_IMAGECALLBACK).
    static constexpr int kImageCallback = -1;

    // Inserts an item last under parent (0 = top level) and returns its handle.
    virtual HTREEITEM InsertNode(HTREEITEM parent, const char* text, int image,
                                 int selectedImage, uint32_t data) = 0;
    // Puts the children of parent (and the levels below) in key order after item was
    // inserted under it; a view may skip the work when item already stands in order.
    virtual void SortAfterInsert(HTREEITEM parent, HTREEITEM item) = 0;
    // Removes the item with all its descendants.
    virtual void DeleteItem(HTREEITEM item) = 0;
    virtual void SetItemText(HTREEITEM item, const char* text) = 0;
    virtual void SetItemData(HTREEITEM item, uint32_t data) = 0;
    virtual void Expand(HTREEITEM item) = 0;

protected:
    ~IAddrView() = default;
};
