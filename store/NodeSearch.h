// Finding text among the books: the window's find command (Ctrl+F, F3, Shift+F3) walks the
// store in tree order from the selected node and matches names and address texts here, so
// the whole search runs and is tested without a window.
#pragma once
#include "store/AddrBook.h"

// Where a node is searched: its name, its address text (addresses only), or both.
enum FindScope : int {
    FIND_NAME = 0,
    FIND_ADDRESS = 1,
    FIND_BOTH = 2,
};

// True when pattern occurs in text starting at a Shift-JIS character boundary, ASCII
// letters compared without case. An empty pattern occurs nowhere.
bool ContainsText(const char* text, const char* pattern);

bool NodeMatches(const ADTDATA* node, const char* pattern, FindScope scope);

struct FindResult {
    ADTDATA* node = nullptr;  // the match, or none
    bool wrapped = false;     // the walk passed the end (backward: the start) to reach it
};

// The next (forward) or previous match after from in pre-order, wrapping round the store
// once and ending with from itself. Without from the walk starts at the first node
// (backward: the last) and does not wrap.
FindResult FindNode(CAddrBook& store, ADTDATA* from, const char* pattern, FindScope scope, bool forward);
