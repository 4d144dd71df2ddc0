// Random three-way merges of a book: a random base, random edits on this run's side (on
// the live book, shown in a view) and on the other side (another store, written to bytes),
// then MergeBook, checked against what each side did. Addresses carry unique texts, so
// every address can be followed by its name and text; names and folder names repeat. The
// default test run makes a few hundred merges; the soak run (tests/native/soak) many more.
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
    explicit RandomMergeRun(unsigned seed) : m_rng(seed) {}

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

    // What a side did to the base's addresses, found from its book after the edits.
    struct Outcome {
        std::vector<char> present;            // per base entry: still there (or deleted)
        std::vector<std::string> now;         // per base entry there: its name and text now
        std::map<std::string, int> added;     // address keys added, with their counts
    };

    std::mt19937 m_rng;
    int m_nCounter = 0;
    std::string m_baseBytes;
    std::string m_oursLog;
    std::string m_theirsLog;
    std::string m_theirsBytes;

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    std::string Name()
    {
        static const char* const names[] = {"Taro", "花子", "ab", "山田 太郎", "", "Ω", "x y"};
        return names[Pick(7)];
    }
    std::string FreshAddr() { return "u" + std::to_string(++m_nCounter) + (Pick(4) ? "@x" : "@x,v@y"); }

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

    std::string RandomBase()
    {
        CAddrBook store;
        ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
        std::vector<ADTDATA*> containers = {book};
        for (int i = Pick(30); i >= 0; --i) {
            ADTDATA* parent = containers[static_cast<size_t>(Pick(static_cast<int>(containers.size())))];
            if (Pick(4) == 0)
                containers.push_back(store.AddData(ADT_FOLDER, Name().c_str(), nullptr, parent, PLACE_CHILD));
            else
                store.AddData(ADT_ADDR, Name().c_str(), FreshAddr().c_str(), parent, PLACE_CHILD);
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

    ADTDATA* RandomNode(Side& side, bool containers)
    {
        std::vector<ADTDATA*> nodes;
        if (containers)
            nodes.push_back(side.book);
        for (ADTDATA* node : Nodes(side.book)) {
            if (!containers || node->cType == ADT_FOLDER)
                nodes.push_back(node);
        }
        return nodes.empty() ? nullptr : nodes[static_cast<size_t>(Pick(static_cast<int>(nodes.size())))];
    }

    // A drag's copy: the same kinds, texts and base ids, in the same order.
    static ADTDATA* Copy(CAddrBook& store, const ADTDATA* source, ADTDATA* target, int mode)
    {
        ADTDATA* copy = store.AddData(source->cType, source->psName, source->psAddr, target, mode);
        copy->nBaseId = source->nBaseId;
        for (const ADTDATA* child = source->pChild; child; child = child->pNext)
            Copy(store, child, copy, PLACE_CHILD);
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

    // One edit as the window makes it: add, delete, edit in the address dialog, rename a
    // folder, drag (a copy with the same identity, then the original deleted) or reorder.
    void Edit(Side& side, std::string& log)
    {
        CAddrBook& store = side.store;
        ADTDATA* node = RandomNode(side, false);
        ADTDATA* container = RandomNode(side, true);
        int op = Pick(8);
        if (!node && op >= 2)
            op = Pick(2);
        switch (op) {
        case 0:
        case 1: {
            bool folder = Pick(5) == 0;
            std::string name = Name();
            std::string addr = folder ? "" : FreshAddr();
            ADTDATA* target = node && Pick(2) ? node : container;
            int mode = target == node ? (Pick(2) ? PLACE_BEFORE : PLACE_AFTER) : PLACE_CHILD;
            log += "add " + Key(name.c_str(), addr.c_str()) + (mode == PLACE_CHILD ? " into " : " beside ") +
                   Key(target) + "\n";
            store.SetModified(store.AddData(folder ? ADT_FOLDER : ADT_ADDR, name.c_str(), addr.c_str(), target, mode));
            break;
        }
        case 2:
            log += "delete " + Key(node) + "\n";
            store.DeleteData(node);
            break;
        case 3:
        case 4: {
            std::string before = Key(node);
            int what = node->cType == ADT_FOLDER ? 0 : Pick(3);  // name, text or both
            if (what != 1)
                store.ReplaceName(node, Name().c_str());
            if (what != 0)
                store.ReplaceAddr(node, FreshAddr().c_str());
            if (node->cType == ADT_FOLDER && store.m_pTree)
                store.m_pTree->SetItemText(node->hItem, node->psName ? node->psName : "");
            store.UpdateLabel(node);
            store.SetModified(node);
            log += "edit " + before + " to " + Key(node) + "\n";
            break;
        }
        case 5:
        case 6: {
            if (Inside(node, container))
                break;
            ADTDATA* target = container;
            int mode = PLACE_CHILD;
            if (container->pChild && Pick(2)) {
                target = container->pChild;
                for (int steps = Pick(container->nChild); steps > 0 && target->pNext; --steps)
                    target = target->pNext;
                mode = Pick(2) ? PLACE_BEFORE : PLACE_AFTER;
                if (target == node)
                    break;
            }
            log += "drag " + Key(node) + " to " + Key(target) + " mode " + std::to_string(mode) + "\n";
            Copy(store, node, target, mode);
            store.SetModified(target);
            store.DeleteData(node);
            store.Renumber(mode == PLACE_CHILD ? target : target->pParent, 1);
            break;
        }
        default: {
            ADTDATA* sibling = node->pParent->pChild;
            for (int steps = Pick(node->pParent->nChild); steps > 0 && sibling->pNext; --steps)
                sibling = sibling->pNext;
            log += "reorder " + Key(node) + " beside " + Key(sibling) + "\n";
            store.MoveData(node, sibling, Pick(2) ? PLACE_BEFORE : PLACE_AFTER);
            store.Renumber(node->pParent, 0);
            if (store.m_pTree)
                store.m_pTree->SortLevel(node->pParent->hItem);
            break;
        }
        }
    }

    static Outcome Follow(Side& side, int baseSize)
    {
        Outcome outcome;
        outcome.present.assign(static_cast<size_t>(baseSize), 0);
        outcome.now.resize(static_cast<size_t>(baseSize));
        for (ADTDATA* node : Nodes(side.book)) {
            int entry = side.base.EntryOf(node->nBaseId);
            if (entry >= 0) {
                outcome.present[static_cast<size_t>(entry)] = 1;
                outcome.now[static_cast<size_t>(entry)] = Key(node);
            }
            else if (node->cType == ADT_ADDR)
                ++outcome.added[Key(node)];
        }
        return outcome;
    }

    static std::map<std::string, int> AddressCounts(ADTDATA* book)
    {
        std::map<std::string, int> counts;
        for (ADTDATA* node : Nodes(book)) {
            if (node->cType == ADT_ADDR)
                ++counts[Key(node)];
        }
        return counts;
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
        int unchanged = Pick(5);  // 0: ours makes no change, 1: theirs none, else both change
        for (int i = unchanged == 0 ? 0 : Pick(9); i > 0; --i)
            Edit(ours, m_oursLog);
        for (int i = unchanged == 1 ? 0 : Pick(9); i > 0; --i)
            Edit(theirs, m_theirsLog);
        ours.view->log.clear();

        std::vector<ADTDATA*> baseNodes;
        Side base;
        Open(base, false);
        baseNodes = Nodes(base.book);
        int baseSize = static_cast<int>(baseNodes.size());
        Outcome oursDid = Follow(ours, baseSize);
        Outcome theirsDid = Follow(theirs, baseSize);
        std::string oursBefore = DumpStore(ours.store);
        std::string theirsBytes = m_theirsBytes = CAddrBook::FormatList(theirs.book->pChild, 0);

        MergeReport report = MergeBook(ours.store, ours.book, ours.base, theirsBytes);

        std::string merged = DumpStore(ours.store);
        if (unchanged == 0) {
            EXPECT_EQ(DumpStore(theirs.store), merged) << "ours made no change: the merge is theirs";
        }
        if (unchanged == 1) {
            EXPECT_EQ(oursBefore, merged) << "theirs made no change: the merge is ours";
            EXPECT_FALSE(report.Changed());
            EXPECT_EQ(std::vector<std::string>{}, ours.view->log) << "nothing changed, so no item was touched";
        }
        CheckAddresses(baseNodes, oursDid, theirsDid, AddressCounts(ours.book));
        CheckView(ours);
        CheckReadsBack(ours);
        // The merged book's nodes now carry theirs' ids: merging with the same file again
        // changes nothing.
        EXPECT_TRUE(ours.base.Holds(theirsBytes));
        ours.view->log.clear();
        EXPECT_FALSE(MergeBook(ours.store, ours.book, ours.base, theirsBytes).Changed());
        EXPECT_EQ(merged, DumpStore(ours.store));
        EXPECT_EQ(std::vector<std::string>{}, ours.view->log);
    }

    // Every address added on either side is there; none that neither side deleted is lost
    // (edited ones with their edits, both versions where both sides edited it differently);
    // every deletion that the other side did not contradict with an edit is applied.
    static void CheckAddresses(const std::vector<ADTDATA*>& base, const Outcome& ours, const Outcome& theirs,
                               const std::map<std::string, int>& merged)
    {
        std::map<std::string, int> wanted;
        for (const auto& added : ours.added)
            wanted[added.first] = added.second;
        for (const auto& added : theirs.added)
            wanted[added.first] = std::max(wanted[added.first], added.second);
        for (size_t b = 0; b < base.size(); ++b) {
            if (base[b]->cType != ADT_ADDR)
                continue;
            std::string original = Key(base[b]);
            bool o = ours.present[b];
            bool t = theirs.present[b];
            const std::string& oursNow = ours.now[b];
            const std::string& theirsNow = theirs.now[b];
            bool oursEdited = o && oursNow != original;
            bool theirsEdited = t && theirsNow != original;
            if (oursEdited)
                ++wanted[oursNow];
            if (theirsEdited && (!oursEdited || theirsNow != oursNow))
                ++wanted[theirsNow];
            if (o && t && !oursEdited && !theirsEdited)
                ++wanted[original];
            bool deleted = (!o && !theirsEdited) || (!t && !oursEdited);
            if (deleted) {
                EXPECT_EQ(0u, merged.count(original)) << original << " was deleted on one side only";
            }
        }
        for (const auto& key : wanted) {
            auto found = merged.find(key.first);
            EXPECT_LE(key.second, found == merged.end() ? 0 : found->second) << key.first << " is missing";
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
