// One node of the address store (a book, a folder or an address) and the codes that
// describe it. Used by the store, the address file layer, the tree view and the window.
#pragma once
#include <cstdint>

// Tree item handles are opaque to the store; this is the same type as comctl32's HTREEITEM.
struct _TREEITEM;
typedef struct _TREEITEM* HTREEITEM;

enum AdtKind : unsigned char {
    ADT_LOCAL_BOOK = 1,   // also the root's kind
    ADT_GLOBAL_BOOK = 2,
    ADT_FOLDER = 3,
    ADT_ADDR = 4,
};

// Where AddData puts a new node relative to its target. Any value other than 0 and 1
// places after the target.
enum PlaceMode : int {
    PLACE_CHILD = 0,
    PLACE_BEFORE = 1,
    PLACE_AFTER = 2,
};

struct ADTDATA {
    unsigned char cType;
    HTREEITEM hItem;      // item in the attached view; 0 while not shown, stale between windows
    int bReadOnly;        // books: the file was read-only when loaded
    int bExpand;          // the item is expanded; restored when the node is shown again
    int bModified;        // something at or below changed since the last save
    uint32_t nOrder;      // ordering key among siblings
    uint32_t nHash;       // NameHash(psName)
    char* psName;         // owned; none for an empty name
    char* psAddr;         // owned; addresses, book file path or URL; none when empty
    ADTDATA* pParent;     // the root for a book
    ADTDATA* pPrev;
    ADTDATA* pNext;
    ADTDATA* pChild;      // first child
    int nChild;
    ADTDATA* pLastChild;  // last child, so that appending does not walk the list
    // Folders and addresses of a local book: which entry of the book's base (what its file
    // held when this run last read or wrote it) the node is, so that the merge with a file
    // changed by someone else knows this run's edits, moves and deletions. 0 for a node
    // made since (see CBookBase).
    uint32_t nBaseId;
};

inline bool IsBookKind(unsigned char kind)
{
    return kind == ADT_LOCAL_BOOK || kind == ADT_GLOBAL_BOOK;
}

// The 32-bit data of a node's tree item: the kind above the low 24 bits of the key.
inline uint32_t MakeItemData(unsigned char kind, uint32_t order)
{
    return (static_cast<uint32_t>(kind) << 24) | (order & 0xFFFFFFu);
}

inline int ItemDataKind(uint32_t data)
{
    return static_cast<signed char>(data >> 24);
}

inline uint32_t ItemDataKey(uint32_t data)
{
    return data & 0xFFFFFFu;
}
