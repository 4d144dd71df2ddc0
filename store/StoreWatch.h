// What the address store tells an observer of its contents (the completion index of the
// address book window): every node that joins or leaves the tree, and every new name or
// address text, at the few places where the store links, unlinks, frees and renames nodes.
#pragma once
#include "store/AddrData.h"

class IStoreWatch {
public:
    // node, with everything below it, now stands in the tree.
    virtual void NodeLinked(const ADTDATA* node) = 0;
    // node, with everything below it, was taken out of the tree (it may come back).
    virtual void NodeUnlinked(const ADTDATA* node) = 0;
    // node is about to be freed.
    virtual void NodeFreed(const ADTDATA* node) = 0;
    // node's name or address text was replaced.
    virtual void NodeTextChanged(const ADTDATA* node) = 0;

protected:
    ~IStoreWatch() = default;
};
