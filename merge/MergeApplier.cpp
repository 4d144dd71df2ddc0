#include "merge/MergeApplier.h"
#include <algorithm>
#include <string>

namespace {

// Which entries of sequence form a longest increasing run: those stay where they are.
std::vector<char> LongestIncreasing(const std::vector<int>& sequence)
{
    std::vector<int> tails;  // index into sequence of the smallest tail of each run length
    std::vector<int> before(sequence.size(), -1);
    for (size_t i = 0; i < sequence.size(); ++i) {
        // Most lists are nearly in order: an entry past the longest run's tail extends it.
        bool extends = !tails.empty() && sequence[static_cast<size_t>(tails.back())] < sequence[i];
        auto at = extends ? tails.end()
                          : std::lower_bound(tails.begin(), tails.end(), sequence[i],
                                             [&](int t, int value) { return sequence[static_cast<size_t>(t)] < value; });
        if (at != tails.begin())
            before[i] = *(at - 1);
        if (at == tails.end())
            tails.push_back(static_cast<int>(i));
        else
            *at = static_cast<int>(i);
    }
    std::vector<char> stays(sequence.size(), 0);
    for (int i = tails.empty() ? -1 : tails.back(); i >= 0; i = before[static_cast<size_t>(i)])
        stays[static_cast<size_t>(i)] = 1;
    return stays;
}

}  // namespace

CMergeApplier::CMergeApplier(CAddrBook& store, ADTDATA* book, const CMergePlan& plan,
                             const std::vector<ADTDATA*>& nodes, const std::vector<ADTDATA*>& lastNodes)
    : m_Store(store), m_pBook(book), m_Plan(plan), m_OursNodes(nodes), m_OursLastNodes(lastNodes),
      m_Nodes(plan.entries.size(), nullptr), m_Last(plan.entries.size(), nullptr),
      m_Position(plan.entries.size(), 0), m_Stays(plan.entries.size(), 0)
{
}

MergeCounts CMergeApplier::Apply()
{
    for (size_t o = 0; o < m_OursNodes.size(); ++o) {
        m_Nodes[static_cast<size_t>(m_Plan.oursToMerged[o])] = m_OursNodes[o];
        m_Last[static_cast<size_t>(m_Plan.oursToMerged[o])] = m_OursLastNodes[o];
    }
    TakeOutMoved();
    DeleteDropped();
    for (size_t e = 0; e < m_Nodes.size(); ++e) {
        if (m_Nodes[e] && Entry(static_cast<int>(e)).kept &&
            Entry(static_cast<int>(e)).content != MergeEntry::OURS)
            Relabel(static_cast<int>(e));
    }
    // Folder by folder from the top, so every folder stands before its contents are placed.
    std::vector<int> folders = {-1};
    while (!folders.empty()) {
        int parent = folders.back();
        folders.pop_back();
        PlaceChildren(parent, folders);
    }
    m_Store.SetModified(m_pBook);
    return m_Counts;
}

// Nodes that go to another folder leave their lists first, with what they hold, deepest
// first; they come back where the plan puts them.
void CMergeApplier::TakeOutMoved()
{
    for (size_t o = m_OursNodes.size(); o-- > 0;) {
        int e = m_Plan.oursToMerged[o];
        if (Entry(e).kept && Entry(e).parent != m_Plan.OursParent(static_cast<int>(o))) {
            m_Store.DetachData(m_OursNodes[o]);
            ++m_Counts.moved;
        }
    }
}

// Every node the merge drops goes, each with its subtree: nothing the merge keeps is left
// below it, since kept entries below a dropped folder have moved out.
void CMergeApplier::DeleteDropped()
{
    for (size_t o = 0; o < m_OursNodes.size(); ++o) {
        int e = m_Plan.oursToMerged[o];
        if (Entry(e).kept)
            continue;
        ++m_Counts.deleted;
        m_Nodes[static_cast<size_t>(e)] = nullptr;
        int parent = m_Plan.OursParent(static_cast<int>(o));
        if (parent < 0 || Entry(parent).kept)
            m_Store.DeleteData(m_OursNodes[o]);
    }
}

void CMergeApplier::Relabel(int e)
{
    ADTDATA* node = m_Nodes[static_cast<size_t>(e)];
    const BookEntry& entry = m_Plan.Content(e);
    bool nameChanges = std::string_view(node->psName ? node->psName : "") != entry.name;
    bool addrChanges = std::string_view(node->psAddr ? node->psAddr : "") != entry.addr;
    if (!nameChanges && !addrChanges)
        return;
    if (nameChanges)
        m_Store.ReplaceName(node, Terminated(entry.name));
    if (addrChanges)
        m_Store.ReplaceAddr(node, Terminated(entry.addr));
    if (node->cType == ADT_FOLDER) {
        if (m_Store.m_pTree && node->hItem)  // the store leaves folder labels to their renamer
            m_Store.m_pTree->SetItemText(node->hItem, node->psName ? node->psName : "");
    } else {
        m_Store.UpdateLabel(node);
    }
    m_Store.SetModified(node);
    ++m_Counts.edited;
}

// Brings one folder's list to the plan's order. The longest run of its entries that
// already stands in that order stays; the others are relinked, taken-out nodes attached
// and new ones made, each just after the entry before it. (An entry may be a run of
// nodes that no side changed: it moves, if at all, as a whole.)
void CMergeApplier::PlaceChildren(int parent, std::vector<int>& folders)
{
    ADTDATA* container = parent < 0 ? m_pBook : m_Nodes[static_cast<size_t>(parent)];
    if (!container)
        return;
    const int* begin = m_Plan.ChildrenBegin(parent);
    const int* end = m_Plan.ChildrenEnd(parent);
    if (StandsAsPlanned(container, begin, end, folders))
        return;
    for (const int* e = begin; e != end; ++e) {
        m_Position[static_cast<size_t>(*e)] = static_cast<int>(e - begin);
        if (m_Nodes[static_cast<size_t>(*e)])
            m_Nodes[static_cast<size_t>(*e)]->nBaseId = static_cast<uint32_t>(*e + 1);
    }
    std::vector<int> present;
    std::vector<int> positions;
    for (ADTDATA* child = container->pChild; child; child = m_Last[static_cast<size_t>(present.back())]->pNext) {
        present.push_back(EntryOfNode(child));
        positions.push_back(m_Position[static_cast<size_t>(present.back())]);
    }
    std::vector<char> stays = LongestIncreasing(positions);
    for (size_t i = 0; i < present.size(); ++i)
        m_Stays[static_cast<size_t>(present[i])] = stays[i];

    ADTDATA* previous = nullptr;
    bool relinked = false;
    for (const int* e = begin; e != end; ++e) {
        ADTDATA* node = m_Nodes[static_cast<size_t>(*e)];
        ADTDATA* target = previous ? previous : container->pChild ? container->pChild : container;
        int mode = previous ? PLACE_AFTER : container->pChild ? PLACE_BEFORE : PLACE_CHILD;
        if (node && node->pParent == container) {
            if (!m_Stays[static_cast<size_t>(*e)] && target != node) {
                Relink(*e, target, mode);
                relinked = true;
                ++m_Counts.moved;
            }
        } else if (node) {
            m_Store.AttachData(node, target, mode);
            KeepKeysIncreasing(node);
        } else {
            node = MakeNode(*e, target, mode);
            if (!node)
                continue;
            KeepKeysIncreasing(node);
        }
        previous = m_Last[static_cast<size_t>(*e)];
        if (node->cType == ADT_FOLDER)
            folders.push_back(*e);
    }
    if (relinked && m_Store.m_pTree && container->hItem)
        m_Store.m_pTree->SortLevel(container->hItem);
}

// Moves an entry's node (or run of nodes) within its list to the placement given.
void CMergeApplier::Relink(int e, ADTDATA* target, int mode)
{
    std::vector<ADTDATA*> nodes = {m_Nodes[static_cast<size_t>(e)]};
    while (nodes.back() != m_Last[static_cast<size_t>(e)])
        nodes.push_back(nodes.back()->pNext);
    for (ADTDATA* node : nodes) {
        m_Store.MoveData(node, target, mode);
        KeepKeysIncreasing(node);
        target = node;
        mode = PLACE_AFTER;
    }
}

// True, with its folders queued, when the list holds the planned nodes in the planned
// order already (most lists of a large book): then nothing in it is touched.
bool CMergeApplier::StandsAsPlanned(ADTDATA* container, const int* begin, const int* end, std::vector<int>& folders)
{
    ADTDATA* child = container->pChild;
    for (const int* e = begin; e != end; ++e) {
        if (!child || m_Nodes[static_cast<size_t>(*e)] != child)
            return false;
        child = m_Last[static_cast<size_t>(*e)]->pNext;
    }
    if (child)
        return false;
    for (const int* e = begin; e != end; ++e) {
        if (Entry(*e).kind == ADT_FOLDER)
            folders.push_back(*e);
    }
    return true;
}

const char* CMergeApplier::Terminated(std::string_view text, int which)
{
    std::string& buffer = m_Text[which];
    buffer.assign(text.data(), text.size());
    return buffer.c_str();
}

ADTDATA* CMergeApplier::MakeNode(int e, ADTDATA* target, int mode)
{
    const BookEntry& content = m_Plan.Content(e);
    ADTDATA* node = m_Store.AddData(content.kind, Terminated(content.name), Terminated(content.addr, 1), target, mode);
    if (!node)
        return nullptr;
    node->nBaseId = static_cast<uint32_t>(e + 1);
    m_Nodes[static_cast<size_t>(e)] = node;
    m_Last[static_cast<size_t>(e)] = node;
    if (Entry(e).conflictOf < 0)
        ++m_Counts.added;
    return node;
}

// Keeps the keys strictly increasing around a node just placed, where halving the gap to
// a neighbour gave it the neighbour's key: the shortest run of keys from there that needs
// it is spaced out again, so that a sort of the level keeps the order and few items get
// new data.
void CMergeApplier::KeepKeysIncreasing(ADTDATA* node)
{
    ADTDATA* anchor = nullptr;
    if (node->pPrev && node->pPrev->nOrder >= node->nOrder)
        anchor = node->pPrev;
    else if (node->pNext && node->nOrder >= node->pNext->nOrder)
        anchor = node;
    if (!anchor)
        return;
    const uint32_t kStep = 10;
    uint32_t last = anchor->nOrder;
    uint32_t count = 0;
    ADTDATA* stop = anchor->pNext;
    while (stop && (stop->nOrder <= last || stop->nOrder - last <= count)) {
        ++count;
        stop = stop->pNext;
    }
    uint32_t step = stop ? (stop->nOrder - last) / (count + 1) : kStep;
    for (ADTDATA* next = anchor->pNext; next != stop; next = next->pNext) {
        last += step;
        uint32_t shown = MakeItemData(next->cType, next->nOrder);
        next->nOrder = last;
        if (m_Store.m_pTree && next->hItem && MakeItemData(next->cType, last) != shown)
            m_Store.m_pTree->SetItemData(next->hItem, MakeItemData(next->cType, last));
    }
}
