#include "store/AddrBook.h"
#include <cstdlib>
#include <cstring>
#include <vector>
#include "merge/BookBase.h"
#include "store/Sjis.h"
#include "store/StoreHooks.h"

namespace {

// Tree labels are built for a 512-byte buffer; longer ones are cut at a character boundary.
const size_t kMaxLabelBytes = 511;
const uint32_t kKeyStep = 10;

const char* const kRootName = "TreeCtrl_RootNode";

}  // namespace

ADTDATA* NextPreOrder(ADTDATA* node, const ADTDATA* stopParent)
{
    if (node->pChild)
        return node->pChild;
    while (node) {
        if (node->pNext)
            return node->pNext;
        node = node->pParent;
        if (node == stopParent)
            return nullptr;
    }
    return nullptr;
}

namespace {

ADTDATA* LastDescendant(ADTDATA* node)
{
    while (node->pLastChild)
        node = node->pLastChild;
    return node;
}

}  // namespace

ADTDATA* PrevPreOrder(ADTDATA* node)
{
    if (node->pPrev)
        return LastDescendant(node->pPrev);
    ADTDATA* parent = node->pParent;
    return parent && parent->pParent ? parent : nullptr;  // the root has no parent
}

ADTDATA* LastPreOrder(CAddrBook& store)
{
    return store.m_Root.pLastChild ? LastDescendant(store.m_Root.pLastChild) : nullptr;
}

CAddrBook::CAddrBook()
{
    Initialize();
}

CAddrBook::~CAddrBook()
{
    DeleteList(nullptr);
    StoreStrFree(m_Root.psName);
}

void CAddrBook::Initialize()
{
    std::memset(&m_Root, 0, sizeof(m_Root));
    m_Root.cType = ADT_LOCAL_BOOK;
    m_Root.psName = StoreStrDup(kRootName);
    m_pTree = nullptr;
    m_ItemIndex.clear();
    StoreTrace("CAddrBook::Initialize();\n");
}

uint32_t CAddrBook::NameHash(const char* name)
{
    uint32_t sum = 0;
    if (name) {
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p)
            sum += *p;
    }
    return sum;
}

ADTDATA* CAddrBook::NewData(unsigned char kind, const char* name, const char* addr,
                            ADTDATA* parent, ADTDATA* prev)
{
    ADTDATA* node = static_cast<ADTDATA*>(g_StoreHooks.allocate(sizeof(ADTDATA)));
    char* nameCopy = nullptr;
    char* addrCopy = nullptr;
    bool ok = node != nullptr;
    if (ok && name && *name)
        ok = (nameCopy = StoreStrDup(name)) != nullptr;
    if (ok && addr && *addr)
        ok = (addrCopy = StoreStrDup(addr)) != nullptr;
    if (!ok) {
        StoreStrFree(nameCopy);
        if (node)
            g_StoreHooks.release(node, sizeof(ADTDATA));
        g_StoreHooks.reportError("ADTDATA* CAddrBook::NewData():p = (ADTDATA*)malloc( sizeof( ADTDATA ) );",
                                 "エラー(malloc失敗)");
        return nullptr;
    }

    std::memset(node, 0, sizeof(*node));
    node->cType = kind;
    node->pPrev = prev;
    node->psName = nameCopy;
    node->nHash = NameHash(nameCopy);
    node->psAddr = addrCopy;
    if (parent) {
        node->pParent = parent;
        parent->nChild++;
    }
    return node;
}

ADTDATA* CAddrBook::AddData(unsigned char kind, const char* name, const char* addr,
                            ADTDATA* target, int mode)
{
    if (!target) {
        if (m_Root.pChild) {
            target = m_Root.pLastChild;
            mode = PLACE_AFTER;
        } else {
            target = &m_Root;
            mode = PLACE_CHILD;
        }
    }

    ADTDATA* node = nullptr;
    if (mode == PLACE_CHILD) {
        node = NewData(kind, name, addr, target, target->pLastChild);
        if (node)
            LinkChildLast(node, target);
    } else if (target->pParent) {
        ADTDATA* prev = (mode == PLACE_BEFORE) ? target->pPrev : target;
        node = NewData(kind, name, addr, target->pParent, prev);
        if (node) {
            if (mode == PLACE_BEFORE)
                LinkBefore(node, target);
            else
                LinkAfter(node, target);
        }
    }
    if (!node)
        return nullptr;

    DispData(node);
    return node;
}

void CAddrBook::LinkChildLast(ADTDATA* node, ADTDATA* target)
{
    ADTDATA* last = target->pLastChild;
    if (last) {
        last->pNext = node;
        node->nOrder = last->nOrder + kKeyStep;
    } else {
        target->pChild = node;
        target->nChild = 1;
        node->nOrder = kKeyStep;
    }
    target->pLastChild = node;
    if (m_pWatch)
        m_pWatch->NodeLinked(node);
}

void CAddrBook::LinkBefore(ADTDATA* node, ADTDATA* target)
{
    ADTDATA* prev = target->pPrev;
    node->pNext = target;
    target->pPrev = node;
    if (prev) {
        prev->pNext = node;
        node->nOrder = (prev->nOrder + target->nOrder) >> 1;
    } else {
        target->pParent->pChild = node;
        node->nOrder = target->nOrder >> 1;
    }
    if (m_pWatch)
        m_pWatch->NodeLinked(node);
}

void CAddrBook::LinkAfter(ADTDATA* node, ADTDATA* target)
{
    ADTDATA* next = target->pNext;
    if (next) {
        next->pPrev = node;
        node->pNext = next;
        node->nOrder = (target->nOrder + next->nOrder) >> 1;
    } else {
        node->nOrder = target->nOrder + kKeyStep;
        target->pParent->pLastChild = node;
    }
    target->pNext = node;
    if (m_pWatch)
        m_pWatch->NodeLinked(node);
}

ADTDATA* CAddrBook::AddDataAt(unsigned char kind, const char* name, const char* addr,
                              HTREEITEM item, int mode)
{
    ADTDATA* target = FindByItem(item);
    if (!target)
        return nullptr;
    return AddData(kind, name, addr, target, mode);
}

// Takes node out of its sibling list; its own links are left as they were.
void CAddrBook::Unlink(ADTDATA* node)
{
    if (m_pWatch)
        m_pWatch->NodeUnlinked(node);
    ADTDATA* parent = node->pParent;
    if (node->pPrev) {
        node->pPrev->pNext = node->pNext;
        if (node->pNext)
            node->pNext->pPrev = node->pPrev;
    } else {
        parent->pChild = node->pNext;
        if (node->pNext)
            node->pNext->pPrev = nullptr;
    }
    if (parent->pLastChild == node)
        parent->pLastChild = node->pPrev;
    parent->nChild--;
}

void CAddrBook::DeleteData(ADTDATA* node)
{
    if (!node || !node->pParent)
        return;
    SetModified(node->pParent);
    // A held book that followed this book now follows the one before it.
    for (HeldBook& held : m_HeldBooks) {
        if (held.pAfter == node)
            held.pAfter = node->pPrev;
    }
    m_ChangedSinceList.erase(node);
    Unlink(node);

    if (node->pChild)
        DeleteList(node->pChild);
    if (m_pTree && node->hItem)
        m_pTree->DeleteItem(node->hItem);
    FreeNode(node);
}

void CAddrBook::MoveData(ADTDATA* node, ADTDATA* target, int mode)
{
    if (!node || !target || node == target || !node->pParent || node->pParent != target->pParent)
        return;
    ADTDATA* parent = node->pParent;
    uint32_t shownData = MakeItemData(node->cType, node->nOrder);
    Unlink(node);
    node->pPrev = nullptr;
    node->pNext = nullptr;
    parent->nChild++;
    if (mode == PLACE_BEFORE) {
        node->pPrev = target->pPrev;
        LinkBefore(node, target);
    } else {
        node->pPrev = target;
        LinkAfter(node, target);
    }
    // The item keeps showing the data it had until it is told, so a later Renumber sends
    // exactly the items whose data really changes.
    uint32_t data = MakeItemData(node->cType, node->nOrder);
    if (m_pTree && node->hItem && data != shownData)
        m_pTree->SetItemData(node->hItem, data);
}

void CAddrBook::DetachData(ADTDATA* node)
{
    if (!node || !node->pParent)
        return;
    SetModified(node->pParent);
    Unlink(node);
    node->pPrev = nullptr;
    node->pNext = nullptr;
    if (m_pTree && node->hItem)
        m_pTree->DeleteItem(node->hItem);
    for (ADTDATA* below = node; below; below = NextPreOrder(below, node->pParent))
        AssignItem(below, nullptr);
    node->pParent = nullptr;
}

void CAddrBook::AttachData(ADTDATA* node, ADTDATA* target, int mode)
{
    if (!node || !target || node->pParent || (mode != PLACE_CHILD && !target->pParent))
        return;
    LinkAt(node, target, mode);
    DispData(node);
}

// Links a node that stands in no list relative to target, with AddData's placements.
void CAddrBook::LinkAt(ADTDATA* node, ADTDATA* target, int mode)
{
    ADTDATA* parent = mode == PLACE_CHILD ? target : target->pParent;
    node->pParent = parent;
    node->pNext = nullptr;
    parent->nChild++;
    if (mode == PLACE_CHILD) {
        node->pPrev = target->pLastChild;
        LinkChildLast(node, target);
    } else if (mode == PLACE_BEFORE) {
        node->pPrev = target->pPrev;
        LinkBefore(node, target);
    } else {
        node->pPrev = target;
        LinkAfter(node, target);
    }
}

void CAddrBook::DeleteList(ADTDATA* node)
{
    ADTDATA* start = node ? node : m_Root.pChild;
    if (!start)
        return;
    if (start->pPrev && start->pParent)
        start = start->pParent->pChild;
    SetModified(start);
    FreeSubtrees(start);
}

void CAddrBook::RefillNode(ADTDATA* node, const std::function<void()>& fill)
{
    IAddrView* view = m_pTree;
    if (view && node->hItem) {
        view->DeleteItem(node->hItem);
        AssignItem(node, nullptr);
    }
    if (node->pChild)
        FreeSubtrees(node->pChild);
    node->pChild = nullptr;
    node->pLastChild = nullptr;
    node->nChild = 0;
    struct ViewBack {
        CAddrBook& store;
        IAddrView* view;
        ~ViewBack() { store.m_pTree = view; }
    } back{*this, view};
    m_pTree = nullptr;
    fill();
    m_pTree = view;
    DispData(node);
}

// Frees a whole sibling list with everything below it, deepest first, without recursion:
// a book read from a file may nest folders to any depth.
void CAddrBook::FreeSubtrees(ADTDATA* first)
{
    const ADTDATA* stop = first->pParent;
    ADTDATA* node = first;
    while (node) {
        if (node->pChild) {
            ADTDATA* child = node->pChild;
            node->pChild = nullptr;
            node = child;
            continue;
        }
        ADTDATA* next = node->pNext;
        ADTDATA* up = node->pParent;
        FreeNode(node);
        node = next ? next : (up == stop ? nullptr : up);
    }
}

void CAddrBook::FreeNode(ADTDATA* node)
{
    if (m_pWatch)
        m_pWatch->NodeFreed(node);
    if (node->hItem) {
        auto it = m_ItemIndex.find(node->hItem);
        if (it != m_ItemIndex.end() && it->second == node)
            m_ItemIndex.erase(it);
    }
    StoreStrFree(node->psName);
    StoreStrFree(node->psAddr);
    g_StoreHooks.release(node, sizeof(ADTDATA));
}

std::string CAddrBook::FormatLabel(const ADTDATA* node)
{
    std::string label;
    FormatLabelInto(node, label);
    return label;
}

// "Name <addr>", with only the first of several addresses and ", …" after it, cut to what
// the control shows; a folder or book shows its name.
void CAddrBook::FormatLabelInto(const ADTDATA* node, std::string& label)
{
    const char* name = node->psName ? node->psName : "";
    size_t nameLength = std::strlen(name);
    if (node->cType != ADT_ADDR) {
        label.assign(name, nameLength);
        return;
    }
    const char* addr = node->psAddr ? node->psAddr : "";
    const char* comma = std::strchr(addr, ',');
    size_t part = comma ? static_cast<size_t>(comma - addr) : std::strlen(addr);
    static const char kMore[] = ", …";
    size_t more = comma ? sizeof kMore - 1 : 0;
    label.resize(nameLength + part + more + 3);
    char* out = &label[0];
    std::memcpy(out, name, nameLength);
    out += nameLength;
    *out++ = ' ';
    *out++ = '<';
    std::memcpy(out, addr, part);
    out += part;
    std::memcpy(out, kMore, more);
    out[more] = '>';
    label.resize(SjisCutLength(label.c_str(), label.size(), kMaxLabelBytes));
}

void CAddrBook::AssignItem(ADTDATA* node, HTREEITEM item)
{
    if (node->hItem) {
        auto it = m_ItemIndex.find(node->hItem);
        if (it != m_ItemIndex.end() && it->second == node)
            m_ItemIndex.erase(it);
    }
    node->hItem = item;
    if (item)
        m_ItemIndex[item] = node;
}

// Inserts one node's item under its parent's item at the given place among its siblings.
void CAddrBook::ShowOne(ADTDATA* node, HTREEITEM after)
{
    int image = 0;
    int selectedImage = 0;
    if (node->cType == ADT_ADDR) {
        selectedImage = 1;
    } else if (IsBookKind(node->cType) || node->cType == ADT_FOLDER) {
        image = IAddrView::kImageCallback;
        selectedImage = IAddrView::kImageCallback;
    }
    HTREEITEM parentItem = node->pParent ? node->pParent->hItem : nullptr;
    HTREEITEM item = m_pTree->InsertNode(parentItem, after, FormatLabel(node).c_str(), image, selectedImage,
                                         MakeItemData(node->cType, node->nOrder));
    AssignItem(node, item);
}

// Shows a node that joins a shown sibling list: its item goes where the node stands in
// the list, which is where its key sorts (keys never decrease along a list), so no level
// is re-sorted.
void CAddrBook::DispData(ADTDATA* node)
{
    if (!m_pTree || !node)
        return;
    HTREEITEM after = IAddrView::InsertLast();
    if (node->pNext)
        after = node->pPrev ? node->pPrev->hItem : IAddrView::InsertFirst();
    if (node->pChild) {
        ShowTrees(node, false, after);
        return;
    }
    ShowOne(node, after);
    if (node->bExpand && node->hItem)
        m_pTree->Expand(node->hItem);
}

// Shows a whole sibling list from first on, in order: each node goes last.
void CAddrBook::DispList(ADTDATA* first)
{
    if (!m_pTree)
        return;
    ShowTrees(first ? first : m_Root.pChild, true, IAddrView::InsertLast());
}

// Shows first (and its siblings after it, when wholeList is set) with everything below,
// level by level: every parent goes in before the children's level, so each insert names
// a parent that was inserted early, which the control finds at once (Wine's tree looks a
// parent up among all items in the order they were inserted). Nodes are expanded last,
// deepest first, so an open folder opens with its contents.
void CAddrBook::ShowTrees(ADTDATA* first, bool wholeList, HTREEITEM after)
{
    std::vector<ADTDATA*> level;
    for (ADTDATA* node = first; node; node = wholeList ? node->pNext : nullptr)
        level.push_back(node);
    std::vector<ADTDATA*> expanded;
    std::vector<ADTDATA*> next;
    bool top = true;
    while (!level.empty()) {
        next.clear();
        for (ADTDATA* node : level) {
            ShowOne(node, top && node == first ? after : IAddrView::InsertLast());
            if (node->bExpand && node->hItem)
                expanded.push_back(node);
            bool container = IsBookKind(node->cType) || node->cType == ADT_FOLDER;
            for (ADTDATA* child = container && node->nChild ? node->pChild : nullptr; child; child = child->pNext)
                next.push_back(child);
        }
        level.swap(next);
        top = false;
    }
    for (auto node = expanded.rbegin(); node != expanded.rend(); ++node)
        m_pTree->Expand((*node)->hItem);
}

void CAddrBook::UpdateLabel(ADTDATA* node)
{
    if (!m_pTree || !node || node->cType == ADT_FOLDER || !node->hItem)
        return;
    FormatLabelInto(node, m_strLabel);
    m_pTree->SetItemText(node->hItem, m_strLabel.c_str());
}

void CAddrBook::DeleteItem(ADTDATA* node)
{
    // A null item would make the control delete every item.
    if (node && m_pTree && node->hItem)
        m_pTree->DeleteItem(node->hItem);
}

ADTDATA* CAddrBook::SetExpand(HTREEITEM item, int value)
{
    ADTDATA* node = FindByItem(item);
    if (node)
        node->bExpand = value;
    return node;
}

// Re-keys the children 10, 20, 30 ... in list order (deep: every level below too).
void CAddrBook::Renumber(ADTDATA* node, int deep)
{
    ADTDATA* container = node ? node : &m_Root;
    if (container->cType == ADT_ADDR)
        return;
    ADTDATA* current = container->pChild;
    while (current) {
        uint32_t shownData = MakeItemData(current->cType, current->nOrder);
        current->nOrder = current->pPrev ? current->pPrev->nOrder + kKeyStep : kKeyStep;
        // An item whose data stays as it was gets no message: each one costs the control a
        // search of all its items under Wine.
        uint32_t data = MakeItemData(current->cType, current->nOrder);
        if (m_pTree && current->hItem && data != shownData)
            m_pTree->SetItemData(current->hItem, data);
        if (deep && current->pChild && current->cType != ADT_ADDR) {
            current = current->pChild;
            continue;
        }
        for (;;) {
            if (current->pNext) {
                current = current->pNext;
                break;
            }
            current = current->pParent;
            if (current == container) {
                current = nullptr;
                break;
            }
        }
    }
}

ADTDATA* CAddrBook::FindByItem(HTREEITEM item, ADTDATA* start, int flag)
{
    if (!flag) {
        if (item) {
            auto it = m_ItemIndex.find(item);
            return it != m_ItemIndex.end() ? it->second : nullptr;
        }
        start = m_Root.pChild;
    }
    if (!start)
        return nullptr;
    for (ADTDATA* node = start; node; node = NextPreOrder(node, start->pParent)) {
        if (node->hItem == item)
            return node;
    }
    return nullptr;
}

ADTDATA* CAddrBook::FindByName(const char* name, ADTDATA* start, int flag)
{
    if (!name || !*name)
        return nullptr;
    if (!flag)
        start = m_Root.pChild;
    if (!start)
        return nullptr;
    uint32_t hash = NameHash(name);
    for (ADTDATA* node = start; node; node = NextPreOrder(node, start->pParent)) {
        if (node->nHash == hash && node->psName && std::strcmp(node->psName, name) == 0)
            return node;
    }
    return nullptr;
}

ADTDATA* CAddrBook::FindBookByName(const char* name)
{
    if (!name || !*name)
        return nullptr;
    uint32_t hash = NameHash(name);
    ADTDATA* global = nullptr;
    for (ADTDATA* book = m_Root.pChild; book; book = book->pNext) {
        if (book->nHash != hash || !book->psName || std::strcmp(book->psName, name) != 0)
            continue;
        if (book->cType == ADT_LOCAL_BOOK)
            return book;
        if (!global)
            global = book;
    }
    return global;
}

ADTDATA* CAddrBook::GetBook(HTREEITEM item)
{
    ADTDATA* node = FindByItem(item);
    while (node && node->pParent != &m_Root)
        node = node->pParent;
    return node;
}

void CAddrBook::SetModified(ADTDATA* node)
{
    for (; node && node != &m_Root; node = node->pParent)
        node->bModified = 1;
}

namespace {

bool ReplaceText(char*& field, const char* text)
{
    char* copy = nullptr;
    if (text && *text) {
        copy = StoreStrDup(text);
        if (!copy)
            return false;
    }
    StoreStrFree(field);
    field = copy;
    return true;
}

}  // namespace

bool CAddrBook::ReplaceName(ADTDATA* node, const char* text)
{
    if (!ReplaceText(node->psName, text))
        return false;
    node->nHash = NameHash(node->psName);
    if (m_pWatch)
        m_pWatch->NodeTextChanged(node);
    return true;
}

bool CAddrBook::ReplaceAddr(ADTDATA* node, const char* text)
{
    if (!ReplaceText(node->psAddr, text))
        return false;
    if (m_pWatch)
        m_pWatch->NodeTextChanged(node);
    return true;
}
