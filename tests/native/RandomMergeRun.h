// Random three-way merges of a book shaped as users' books are: a random base with the same
// address twice (in one folder or in two), empty folders and identical folders; random edits
// on this run's side (on the live book, shown in a view) and on the other side (another
// store, written to bytes): additions, copies, deletions, edits, drags between folders and
// reorders, and sometimes the very same edits on both sides. Then MergeBook, both ways round,
// checked against what each side did with each address counted as a multiset: nothing is
// lost that one side did not delete, every addition arrives, a change made on both sides
// arrives once. With manyCopies, books are small and nearly every address and folder stands
// two to four times, in one folder or in several, and independent edits often coincide.
// The default test run makes a few thousand merges; the soak run (tests/native/soak) many
// more.
#pragma once
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>
#include "RecordingView.h"
#include "StoreDump.h"
#include "store/AddrBook.h"
#include "merge/BookBase.h"
#include "merge/BookMerge.h"

class RandomMergeRun {
public:
    explicit RandomMergeRun(unsigned seed, bool manyCopies = false) : m_rng(seed), m_bManyCopies(manyCopies) {}

    // Runs merges rounds; false after the first failure.
    bool Run(int merges)
    {
        for (int round = 0; round < merges; ++round) {
            Round();
            if (::testing::Test::HasFatalFailure() || ::testing::Test::HasNonfatalFailure()) {
                ADD_FAILURE() << "round " << round << "\nbase:\n" << m_baseBytes << "ours:\n" << m_oursLog
                              << "theirs:\n" << m_theirsLog << "theirs' file:\n" << m_theirsBytes;
                return false;
            }
        }
        return true;
    }

private:
    // One side: a store holding the book read from the base, with the ids of a base of its
    // own, so that each node is known as the base entry it is.
    struct Side {
        CAddrBook store;
        CBookBase base;
        ADTDATA* book = nullptr;
        std::unique_ptr<CRecordingView> view;
    };

    // The modes of a round: one side makes no change, both make the same, or each its own.
    enum Mode { OURS_UNCHANGED, THEIRS_UNCHANGED, SAME_EDITS, SAME_EDITS_AND_MORE, OWN_EDITS };

    std::mt19937 m_rng;
    bool m_bManyCopies;
    int m_nCounter = 0;
    std::string m_baseBytes;
    std::string m_oursLog;
    std::string m_theirsLog;
    std::string m_theirsBytes;

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    std::string Name()
    {
        static const char* const names[] = {"Taro", "花子", "ab", "山田 太郎", "", "Ω", "x y"};
        return names[Pick(m_bManyCopies ? 2 : 7)];
    }
    // Few texts, so that the same name and text often stand twice.
    std::string CommonAddr()
    {
        static const char* const addrs[] = {"taro@x", "hanako@x,h@y", "ab@x"};
        return addrs[Pick(3)];
    }
    std::string FreshAddr()
    {
        if (m_bManyCopies && Pick(2))
            return "e" + std::to_string(Pick(3)) + "@x";  // one that the other side may make too
        return "u" + std::to_string(++m_nCounter) + (Pick(4) ? "@x" : "@x,v@y");
    }

    static std::string Key(const char* name, const char* addr)
    {
        return std::string(name ? name : "") + ": " + (addr ? addr : "");
    }
    static std::string Key(const ADTDATA* node) { return Key(node->psName, node->psAddr); }

    static std::vector<ADTDATA*> Nodes(ADTDATA* book)
    {
        std::vector<ADTDATA*> nodes;
        for (ADTDATA* n = book->pChild; n; n = NextPreOrder(n, book))
            nodes.push_back(n);
        return nodes;
    }

    ADTDATA* RandomOf(const std::vector<ADTDATA*>& nodes)
    {
        return nodes.empty() ? nullptr : nodes[static_cast<size_t>(Pick(static_cast<int>(nodes.size())))];
    }

    ADTDATA* RandomNode(Side& side, bool containers)
    {
        std::vector<ADTDATA*> nodes;
        if (containers)
            nodes.push_back(side.book);
        for (ADTDATA* node : Nodes(side.book)) {
            if (!containers || node->cType == ADT_FOLDER)
                nodes.push_back(node);
        }
        return RandomOf(nodes);
    }

    // A copy of source with what it holds; keepIds: as a drag moves it (the same entries),
    // otherwise as a copy drag makes it (new entries).
    static ADTDATA* Copy(CAddrBook& store, const ADTDATA* source, ADTDATA* target, int mode, bool keepIds)
    {
        ADTDATA* copy = store.AddData(source->cType, source->psName, source->psAddr, target, mode);
        copy->nBaseId = keepIds ? source->nBaseId : 0;
        for (const ADTDATA* child = source->pChild; child; child = child->pNext)
            Copy(store, child, copy, PLACE_CHILD, keepIds);
        return copy;
    }

    static bool Inside(const ADTDATA* node, const ADTDATA* container)
    {
        for (const ADTDATA* up = container; up; up = up->pParent) {
            if (up == node)
                return true;
        }
        return false;
    }

    std::string RandomBase()
    {
        CAddrBook store;
        ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
        std::vector<ADTDATA*> containers = {book};
        for (int i = Pick(m_bManyCopies ? 16 : 30); i >= 0; --i) {
            ADTDATA* parent = RandomOf(containers);
            std::vector<ADTDATA*> nodes = Nodes(book);
            ADTDATA* some = RandomOf(nodes);
            int what = Pick(10);
            if (m_bManyCopies && some && what >= 4 && what < 7)
                what = 2 + Pick(2);
            if (what < 2) {
                containers.push_back(store.AddData(ADT_FOLDER, Name().c_str(), nullptr, parent, PLACE_CHILD));
            } else if (what < 4 && some) {
                // The same address or folder again: beside itself, or in another folder.
                ADTDATA* copy = what == 2 && some->cType == ADT_ADDR && !Inside(some, parent)
                                    ? Copy(store, some, parent, PLACE_CHILD, false)
                                    : Copy(store, some, some, PLACE_AFTER, false);
                if (copy->cType == ADT_FOLDER)
                    containers.push_back(copy);
            } else {
                std::string addr = Pick(m_bManyCopies ? 4 : 2) ? CommonAddr() : FreshAddr();
                store.AddData(ADT_ADDR, Name().c_str(), addr.c_str(), parent, PLACE_CHILD);
            }
        }
        return CAddrBook::FormatList(book->pChild, 0);
    }

    void Open(Side& side, bool shown)
    {
        side.book = side.store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
        side.base.Capture(m_baseBytes);
        side.base.Load(side.store, side.book);
        if (!shown)
            return;
        for (ADTDATA* node : Nodes(side.book))
            node->bExpand = node->cType == ADT_FOLDER && Pick(2);
        side.view.reset(new CRecordingView);
        side.store.m_pTree = side.view.get();
        side.store.DispList(nullptr);
    }

    void Add(Side& side, ADTDATA* node, ADTDATA* container, std::string& log)
    {
        CAddrBook& store = side.store;
        ADTDATA* target = node && Pick(2) ? node : container;
        int mode = target == node ? (Pick(2) ? PLACE_BEFORE : PLACE_AFTER) : PLACE_CHILD;
        std::string where = (mode == PLACE_CHILD ? " into " : " beside ") + Key(target) + "\n";
        int what = Pick(6);
        if (node && what < 2 && !(mode == PLACE_CHILD && Inside(node, target))) {
            log += "copy " + Key(node) + where;
            store.SetModified(Copy(store, node, target, mode, false));
            return;
        }
        bool folder = what == 2;
        std::string name = Name();
        std::string addr = folder ? "" : Pick(3) ? FreshAddr() : CommonAddr();
        log += "add " + Key(name.c_str(), addr.c_str()) + where;
        store.SetModified(store.AddData(folder ? ADT_FOLDER : ADT_ADDR, name.c_str(), addr.c_str(), target, mode));
    }

    void EditNode(Side& side, ADTDATA* node, std::string& log)
    {
        CAddrBook& store = side.store;
        std::string before = Key(node);
        ADTDATA* like = RandomNode(side, false);
        if (node->cType == ADT_ADDR && like->cType == ADT_ADDR && Pick(m_bManyCopies ? 2 : 4) == 0) {
            // Edited to the same name and text as another address.
            std::string name = like->psName ? like->psName : "";
            std::string addr = like->psAddr ? like->psAddr : "";
            store.ReplaceName(node, name.c_str());
            store.ReplaceAddr(node, addr.c_str());
        } else {
            int what = node->cType == ADT_FOLDER ? 0 : Pick(3);  // name, text or both
            if (what != 1)
                store.ReplaceName(node, Name().c_str());
            if (what != 0)
                store.ReplaceAddr(node, FreshAddr().c_str());
        }
        if (node->cType == ADT_FOLDER && store.m_pTree)
            store.m_pTree->SetItemText(node->hItem, node->psName ? node->psName : "");
        store.UpdateLabel(node);
        store.SetModified(node);
        log += "edit " + before + " to " + Key(node) + "\n";
    }

    // A drag into another folder or place: a copy with the same identity, then the original
    // deleted, as the window's drag does.
    void Drag(Side& side, ADTDATA* node, ADTDATA* container, std::string& log)
    {
        CAddrBook& store = side.store;
        if (Inside(node, container))
            return;
        ADTDATA* target = container;
        int mode = PLACE_CHILD;
        if (container->pChild && Pick(2)) {
            target = container->pChild;
            for (int steps = Pick(container->nChild); steps > 0 && target->pNext; --steps)
                target = target->pNext;
            mode = Pick(2) ? PLACE_BEFORE : PLACE_AFTER;
            if (target == node)
                return;
        }
        log += "drag " + Key(node) + " to " + Key(target) + " mode " + std::to_string(mode) + "\n";
        Copy(store, node, target, mode, true);
        store.SetModified(target);
        store.DeleteData(node);
        store.Renumber(mode == PLACE_CHILD ? target : target->pParent, 1);
    }

    void Reorder(Side& side, ADTDATA* node, std::string& log)
    {
        CAddrBook& store = side.store;
        ADTDATA* sibling = node->pParent->pChild;
        for (int steps = Pick(node->pParent->nChild); steps > 0 && sibling->pNext; --steps)
            sibling = sibling->pNext;
        log += "reorder " + Key(node) + " beside " + Key(sibling) + "\n";
        store.MoveData(node, sibling, Pick(2) ? PLACE_BEFORE : PLACE_AFTER);
        store.Renumber(node->pParent, 0);
        if (store.m_pTree)
            store.m_pTree->SortLevel(node->pParent->hItem);
    }

    // One edit as the window makes it.
    void Edit(Side& side, std::string& log)
    {
        ADTDATA* node = RandomNode(side, false);
        ADTDATA* container = RandomNode(side, true);
        int op = Pick(8);
        if (!node && op >= 2)
            op = Pick(2);
        switch (op) {
        case 0:
        case 1: Add(side, node, container, log); break;
        case 2:
            log += "delete " + Key(node) + "\n";
            side.store.DeleteData(node);
            break;
        case 3:
        case 4: EditNode(side, node, log); break;
        case 5:
        case 6: Drag(side, node, container, log); break;
        default: Reorder(side, node, log); break;
        }
    }

    static std::map<std::string, int> EntryCounts(ADTDATA* book, bool withFolders)
    {
        std::map<std::string, int> counts;
        for (ADTDATA* node : Nodes(book)) {
            if (node->cType == ADT_ADDR)
                ++counts[Key(node)];
            else if (withFolders)
                ++counts["Group " + std::string(node->psName ? node->psName : "")];
        }
        return counts;
    }

    void EditBothSides(Side& ours, Side& theirs, Mode mode)
    {
        std::mt19937 start = m_rng;
        int counter = m_nCounter;
        int edits = mode == OURS_UNCHANGED ? 0 : 1 + Pick(8);
        for (int i = 0; i < edits; ++i)
            Edit(ours, m_oursLog);
        if (mode == SAME_EDITS || mode == SAME_EDITS_AND_MORE) {
            m_rng = start;
            m_nCounter = counter;
            Pick(8);
            for (int i = 0; i < edits; ++i)
                Edit(theirs, m_theirsLog);
        }
        int more = mode == SAME_EDITS_AND_MORE ? 1 + Pick(3) : mode == OWN_EDITS || mode == OURS_UNCHANGED ? 1 + Pick(8) : 0;
        for (int i = 0; i < more; ++i)
            Edit(theirs, m_theirsLog);
    }

    void Round()
    {
        m_baseBytes = RandomBase();
        m_oursLog.clear();
        m_theirsLog.clear();
        Side ours;
        Side theirs;
        Open(ours, true);
        Open(theirs, false);
        int pick = Pick(10);
        Mode mode = pick == 0 ? OURS_UNCHANGED : pick == 1 ? THEIRS_UNCHANGED : pick == 2 ? SAME_EDITS
                    : pick == 3 ? SAME_EDITS_AND_MORE : OWN_EDITS;
        EditBothSides(ours, theirs, mode);
        ours.view->log.clear();

        Side base;
        Open(base, false);
        std::map<std::string, int> counts[3] = {EntryCounts(base.book, false), EntryCounts(ours.book, false),
                                                EntryCounts(theirs.book, false)};
        std::string oursBefore = DumpStore(ours.store);
        std::string theirsBefore = DumpStore(theirs.store);
        std::string oursBytes = CAddrBook::FormatList(ours.book->pChild, 0);
        std::string theirsBytes = m_theirsBytes = CAddrBook::FormatList(theirs.book->pChild, 0);

        MergeReport report = MergeBook(ours.store, ours.book, ours.base, theirsBytes);

        std::string merged = DumpStore(ours.store);
        if (mode == OURS_UNCHANGED) {
            EXPECT_EQ(theirsBefore, merged) << "ours made no change: the merge is theirs";
        }
        if (mode == THEIRS_UNCHANGED || mode == SAME_EDITS) {
            EXPECT_EQ(oursBefore, merged) << "theirs made no change, or the same: the merge is ours";
            EXPECT_FALSE(report.Changed());
            EXPECT_EQ(std::vector<std::string>{}, ours.view->log) << "nothing changed, so no item was touched";
        }
        CheckAddresses(counts, EntryCounts(ours.book, false));
        CheckView(ours);
        CheckReadsBack(ours);
        // The merged book's nodes now carry theirs' ids: merging with the same file again
        // changes nothing.
        EXPECT_TRUE(ours.base.Holds(theirsBytes));
        ours.view->log.clear();
        EXPECT_FALSE(MergeBook(ours.store, ours.book, ours.base, theirsBytes).Changed());
        EXPECT_EQ(merged, DumpStore(ours.store));
        EXPECT_EQ(std::vector<std::string>{}, ours.view->log);
        // The other way round, theirs in memory and ours in the file, gives the same entries.
        MergeBook(theirs.store, theirs.book, theirs.base, oursBytes);
        EXPECT_EQ(EntryCounts(ours.book, false), EntryCounts(theirs.book, false)) << "merged the other way round";
    }

    // Per address, with b copies in the base, o in ours and t in theirs: the additions of
    // the side that added more arrive, and of the base's copies only those that the side
    // that removed more removed are gone (a removal made on both sides is one removal).
    // Without additions, no more than that stays: a removal on one side is made.
    static void CheckAddresses(const std::map<std::string, int> (&counts)[3], const std::map<std::string, int>& merged)
    {
        std::map<std::string, int> keys = counts[0];
        keys.insert(counts[1].begin(), counts[1].end());
        keys.insert(counts[2].begin(), counts[2].end());
        auto count = [](const std::map<std::string, int>& in, const std::string& key) {
            auto found = in.find(key);
            return found == in.end() ? 0 : found->second;
        };
        for (const auto& item : keys) {
            int b = count(counts[0], item.first);
            int o = count(counts[1], item.first);
            int t = count(counts[2], item.first);
            int added = std::max({0, o - b, t - b});
            int kept = b - std::max({0, b - o, b - t});
            int now = count(merged, item.first);
            EXPECT_LE(added + kept, now) << item.first << " is missing";
            if (added == 0) {
                EXPECT_GE(kept, now) << item.first << " was removed on one side but stayed";
            }
        }
    }

    // The view shows exactly the book: every node's item under its parent's, with its label
    // and data, siblings in key order, and every item maps back to its node.
    static void CheckView(Side& side)
    {
        CAddrBook& store = side.store;
        std::vector<ADTDATA*> nodes = Nodes(side.book);
        EXPECT_EQ(nodes.size() + 1, side.view->items.size());
        nodes.push_back(side.book);
        for (ADTDATA* node : nodes) {
            ASSERT_TRUE(side.view->items.count(node->hItem));
            const CRecordingView::Item& item = side.view->items.at(node->hItem);
            std::vector<HTREEITEM> children;
            for (const ADTDATA* child = node->pChild; child; child = child->pNext)
                children.push_back(child->hItem);
            EXPECT_EQ(children, item.children);
            EXPECT_EQ(CAddrBook::FormatLabel(node), item.text);
            EXPECT_EQ(node->pParent->hItem, item.parent);
            EXPECT_EQ(MakeItemData(node->cType, node->nOrder), item.data);
            EXPECT_EQ(node, store.FindByItem(node->hItem));
            if (node->pPrev) {
                EXPECT_LE(node->pPrev->nOrder, node->nOrder);
            }
            if (node->bExpand) {
                EXPECT_TRUE(item.expanded);
            }
        }
    }

    static void CheckReadsBack(Side& side)
    {
        FILE* file = std::tmpfile();
        ASSERT_NE(nullptr, file);
        ASSERT_EQ(0, side.store.WriteList(side.book->pChild, file, 0));
        std::rewind(file);
        CAddrBook copy;
        ADTDATA* book = copy.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
        copy.ReadList(book, file);
        std::fclose(file);
        EXPECT_EQ(DumpStore(side.store), DumpStore(copy));
    }
};
