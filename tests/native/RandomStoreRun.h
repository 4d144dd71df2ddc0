// Long random sequences of store operations, with every invariant of the tree and of its
// view checked as they go: adds, deletes, moves, renames, renumbering, windows opened and
// closed, books saved and read back, and drops that copy a subtree and delete the original.
// The default test run makes short runs; the soak run (tests/native/soak) a million steps.
#pragma once
#include <gtest/gtest.h>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>
#include "RecordingView.h"
#include "StoreDump.h"
#include "store/AddrBook.h"

class RandomStoreRun {
public:
    explicit RandomStoreRun(unsigned seed) : m_rng(seed) {}

    // Runs steps operations, checking every invariant after each checkEvery-th step and at
    // the end; false after the first failure.
    bool Run(long steps, long checkEvery = 1)
    {
        AttachNewView();
        for (long step = 0; step < steps; ++step) {
            m_lastOp.clear();
            Step();
            if (step % checkEvery == 0 || step == steps - 1)
                CheckInvariants();
            if (m_view)
                m_view->log.clear();
            if (::testing::Test::HasFatalFailure() || ::testing::Test::HasNonfatalFailure()) {
                ADD_FAILURE() << "after step " << step << ": " << m_lastOp;
                return false;
            }
        }
        m_store.m_pTree = nullptr;
        return true;
    }

private:
    CAddrBook m_store;
    std::unique_ptr<CRecordingView> m_view;
    std::mt19937 m_rng;
    std::string m_lastOp;
    int m_nameCounter = 0;

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    std::vector<ADTDATA*> AllNodes()
    {
        std::vector<ADTDATA*> nodes;
        for (ADTDATA* n = m_store.m_Root.pChild; n; n = NextPreOrder(n, &m_store.m_Root))
            nodes.push_back(n);
        return nodes;
    }

    ADTDATA* RandomNode(bool containersOnly)
    {
        std::vector<ADTDATA*> nodes;
        for (ADTDATA* n : AllNodes()) {
            if (!containersOnly || n->cType != ADT_ADDR)
                nodes.push_back(n);
        }
        return nodes.empty() ? nullptr : nodes[Pick(static_cast<int>(nodes.size()))];
    }

    std::string NewName()
    {
        // Names collide now and then so that lookups by name have several candidates.
        static const char* const stems[] = {"ab", "ba", "宛先", "Taro", ""};
        return std::string(stems[Pick(5)]) + (Pick(3) ? std::to_string(m_nameCounter++ % 7) : "");
    }

    void AttachNewView()
    {
        // Every window hands out the same handles, as a new tree may reuse a closed one's.
        m_view.reset(new CRecordingView(0x1000));
        m_store.m_pTree = m_view.get();
        m_store.DispList(nullptr);
    }

    // Stores much larger than this add nothing to what the run can find, and slow it down.
    static const int kTypicalSize = 300;

    void Step()
    {
        if (static_cast<int>(AllNodes().size()) > kTypicalSize && Pick(2))
            return Delete();
        switch (Pick(15)) {
        case 13: SaveAndReload(); return;
        case 14: DragMove(); return;
        case 0:
        case 1:
        case 2: AddChild(); break;
        case 3: AddBeside(); break;
        case 4: AddBook(); break;
        case 5: Delete(); break;
        case 6: RenumberSome(); break;
        case 7: Rename(); break;
        case 8: ToggleExpand(); break;
        case 9: ReopenWindow(); break;
        case 10: AddAtItem(); break;
        case 11: CheckLookups(); break;
        case 12: MoveBesideSibling(); break;
        }
    }

    void AddChild()
    {
        ADTDATA* target = RandomNode(true);
        if (!target)
            return AddBook();
        unsigned char kind = Pick(3) ? ADT_ADDR : ADT_FOLDER;
        m_lastOp = "add child of " + CAddrBook::FormatLabel(target);
        std::string name = NewName();
        ADTDATA* node = m_store.AddData(kind, name.c_str(), Pick(2) ? "a@x,b@y" : "c@z", target, PLACE_CHILD);
        ASSERT_NE(nullptr, node);
        EXPECT_EQ(target->pLastChild, node);
    }

    void AddBeside()
    {
        ADTDATA* target = RandomNode(false);
        if (!target || m_store.IsBook(target))
            return;
        int mode = Pick(2) ? PLACE_BEFORE : PLACE_AFTER;
        m_lastOp = std::string(mode == PLACE_BEFORE ? "add before " : "add after ") +
                   CAddrBook::FormatLabel(target);
        std::string name = NewName();
        ADTDATA* node = m_store.AddData(Pick(2) ? ADT_ADDR : ADT_FOLDER, name.c_str(), "d@x", target, mode);
        ASSERT_NE(nullptr, node);
        EXPECT_EQ(mode == PLACE_BEFORE ? target : node, mode == PLACE_BEFORE ? node->pNext : target->pNext);
    }

    void AddBook()
    {
        m_lastOp = "add book";
        std::string name = NewName();
        ADTDATA* target = nullptr;
        int mode = 0;
        if (m_store.m_Root.pChild && Pick(2)) {
            target = m_store.m_Root.pChild;
            mode = Pick(2) ? PLACE_BEFORE : PLACE_AFTER;
        }
        ASSERT_NE(nullptr, m_store.AddData(Pick(2) ? ADT_LOCAL_BOOK : ADT_GLOBAL_BOOK, name.c_str(),
                                           "book.adr", target, mode));
    }

    void Delete()
    {
        ADTDATA* node = RandomNode(false);
        if (!node)
            return;
        m_lastOp = "delete " + CAddrBook::FormatLabel(node);
        ADTDATA* parent = node->pParent;
        int before = parent->nChild;
        m_store.DeleteData(node);
        EXPECT_EQ(before - 1, parent->nChild);
        if (parent != &m_store.m_Root) {
            EXPECT_EQ(1, parent->bModified);
        }
    }

    // Moves a node before or after one of its siblings, then re-keys and re-sorts the
    // level as a drop does.
    void MoveBesideSibling()
    {
        ADTDATA* node = RandomNode(false);
        if (!node || node->pParent->nChild < 2)
            return;
        ADTDATA* target = node->pParent->pChild;
        for (int steps = Pick(node->pParent->nChild); steps > 0 && target->pNext; --steps)
            target = target->pNext;
        int mode = Pick(2) ? PLACE_BEFORE : PLACE_AFTER;
        m_lastOp = "move " + CAddrBook::FormatLabel(node) + " beside " + CAddrBook::FormatLabel(target);
        int count = node->pParent->nChild;
        m_store.MoveData(node, target, mode);
        EXPECT_EQ(count, node->pParent->nChild);
        if (node != target) {
            EXPECT_EQ(node, mode == PLACE_BEFORE ? target->pPrev : target->pNext);
        }
        m_store.Renumber(node->pParent == &m_store.m_Root ? nullptr : node->pParent, 0);
        if (m_store.m_pTree)
            m_view->SortLevel(node->pParent->hItem);  // a relinked item stays where it was until then
    }

    void RenumberSome()
    {
        ADTDATA* node = Pick(4) ? RandomNode(true) : nullptr;
        int deep = Pick(2);
        m_lastOp = "renumber " + (node ? CAddrBook::FormatLabel(node) : std::string("(books)"));
        m_store.Renumber(node, deep);
        uint32_t expected = 10;
        for (ADTDATA* child = node ? node->pChild : m_store.m_Root.pChild; child; child = child->pNext) {
            EXPECT_EQ(expected, child->nOrder);
            expected += 10;
        }
    }

    void Rename()
    {
        ADTDATA* node = RandomNode(false);
        if (!node)
            return;
        std::string name = NewName();
        m_lastOp = "rename " + CAddrBook::FormatLabel(node) + " to " + name;
        ASSERT_TRUE(m_store.ReplaceName(node, name.c_str()));
        if (node->cType == ADT_ADDR && Pick(2)) {
            ASSERT_TRUE(m_store.ReplaceAddr(node, Pick(2) ? "" : "new@x,other@y"));
        }
        m_store.SetModified(node);
        if (node->cType == ADT_FOLDER) {
            if (m_store.m_pTree && node->hItem)  // folder labels are set by the renamer
                m_view->SetItemText(node->hItem, CAddrBook::FormatLabel(node).c_str());
        } else {
            m_store.UpdateLabel(node);
        }
    }

    void ToggleExpand()
    {
        ADTDATA* node = RandomNode(true);
        if (!node || !m_store.m_pTree)
            return;
        m_lastOp = "expand/collapse " + CAddrBook::FormatLabel(node);
        int value = Pick(2);
        m_view->items.at(node->hItem).expanded = value != 0;
        EXPECT_EQ(node, m_store.SetExpand(node->hItem, value));
    }

    void ReopenWindow()
    {
        m_lastOp = "close or open the window";
        if (m_store.m_pTree) {
            m_store.m_pTree = nullptr;
            m_view.reset();
        } else {
            AttachNewView();
        }
    }

    void AddAtItem()
    {
        ADTDATA* target = RandomNode(true);
        if (!target || !m_store.m_pTree)
            return;
        m_lastOp = "add at item of " + CAddrBook::FormatLabel(target);
        ASSERT_NE(nullptr, m_store.AddDataAt(ADT_ADDR, "at", "at@x", target->hItem, PLACE_CHILD));
    }

    void CheckLookups()
    {
        m_lastOp = "lookups";
        std::vector<ADTDATA*> sample;
        for (int i = 0; i < 8; ++i) {
            if (ADTDATA* node = RandomNode(false))
                sample.push_back(node);
        }
        for (ADTDATA* node : sample) {
            if (!node->psName)
                continue;
            ADTDATA* found = m_store.FindByName(node->psName);
            ASSERT_NE(nullptr, found);
            EXPECT_STREQ(node->psName, found->psName);
            // The first match in pre-order: no earlier node bears the name.
            for (ADTDATA* n = m_store.m_Root.pChild; n != found; n = NextPreOrder(n, &m_store.m_Root)) {
                EXPECT_FALSE(n->psName && std::string(n->psName) == node->psName);
            }
        }
    }

    static std::string Dump(const ADTDATA* parent)
    {
        std::string out;
        for (const ADTDATA* child = parent->pChild; child; child = child->pNext) {
            out += ",";
            DumpNode(child, out);
        }
        return out;
    }

    // The book is written to its file, emptied and read back, as a save and the next start
    // do: the same tree comes back, shown in the view if one is attached.
    void SaveAndReload()
    {
        ADTDATA* book = m_store.m_Root.pChild;
        for (int steps = Pick(4); steps > 0 && book && book->pNext; --steps)
            book = book->pNext;
        if (!book)
            return;
        m_lastOp = "save and reload " + CAddrBook::FormatLabel(book);
        std::string before = Dump(book);
        FILE* file = std::tmpfile();
        ASSERT_NE(nullptr, file);
        ASSERT_EQ(0, m_store.WriteList(book->pChild, file, 0));
        while (book->pChild)
            m_store.DeleteData(book->pChild);
        std::rewind(file);
        m_store.ReadList(book, file);
        std::fclose(file);
        EXPECT_EQ(before, Dump(book));
    }

    // A drop as the tree makes it: the dragged subtree is copied next to or into the target,
    // the original deleted, the container re-keyed and shown in order.
    void DragMove()
    {
        ADTDATA* node = RandomNode(false);
        ADTDATA* target = RandomNode(false);
        if (!node || !target || m_store.IsBook(node) || node == target)
            return;
        for (ADTDATA* up = target; up; up = up->pParent) {
            if (up == node)
                return;  // nothing moves into its own subtree
        }
        int mode = target->cType == ADT_ADDR ? (Pick(2) ? PLACE_BEFORE : PLACE_AFTER) : PLACE_CHILD;
        if (m_store.IsBook(target) && mode != PLACE_CHILD)
            return;
        m_lastOp = "drag " + CAddrBook::FormatLabel(node) + " to " + CAddrBook::FormatLabel(target);
        std::string moved;
        DumpNode(node, moved);
        ADTDATA* copy = CopySubtree(node, target, mode);
        ASSERT_NE(nullptr, copy);
        m_store.SetModified(copy);
        m_store.DeleteData(node);
        ADTDATA* container = copy->pParent;
        m_store.Renumber(container, 1);
        std::string landed;
        DumpNode(copy, landed);
        EXPECT_EQ(moved, landed);
    }

    ADTDATA* CopySubtree(ADTDATA* source, ADTDATA* target, int mode)
    {
        ADTDATA* copy = m_store.AddData(source->cType, source->psName, source->psAddr, target, mode);
        for (ADTDATA* child = source->pChild; copy && child; child = child->pNext)
            CopySubtree(child, copy, PLACE_CHILD);
        return copy;
    }

    void CheckInvariants()
    {
        std::vector<ADTDATA*> nodes = AllNodes();
        CheckList(&m_store.m_Root);
        for (ADTDATA* node : nodes) {
            CheckList(node);
            EXPECT_EQ(CAddrBook::NameHash(node->psName), node->nHash);
            if (node->psName) {
                EXPECT_NE('\0', node->psName[0]);
            }
            ADTDATA* book = node;
            while (book->pParent != &m_store.m_Root)
                book = book->pParent;
            if (node->hItem) {
                // The item index answers as a walk of the whole store does.
                EXPECT_EQ(m_store.FindByItem(node->hItem, m_store.m_Root.pChild, 1),
                          m_store.FindByItem(node->hItem));
                if (m_store.m_pTree) {
                    EXPECT_EQ(book, m_store.GetBook(node->hItem));
                }
            }
        }
        if (m_store.m_pTree)
            CheckMirror(nodes);
    }

    void CheckList(ADTDATA* parent)
    {
        int count = 0;
        ADTDATA* last = nullptr;
        for (ADTDATA* child = parent->pChild; child; child = child->pNext) {
            EXPECT_EQ(parent, child->pParent);
            EXPECT_EQ(last, child->pPrev);
            if (last) {
                EXPECT_LE(last->nOrder, child->nOrder);
            }
            last = child;
            ++count;
        }
        EXPECT_EQ(count, parent->nChild);
        EXPECT_EQ(count != 0, parent->pChild != nullptr);
        EXPECT_EQ(last, parent->pLastChild);
    }

    static std::vector<HTREEITEM> ChildItems(const ADTDATA* parent)
    {
        std::vector<HTREEITEM> children;
        for (const ADTDATA* child = parent->pChild; child; child = child->pNext)
            children.push_back(child->hItem);
        return children;
    }

    // The view shows exactly the store: one item per node, under the parent's item, with
    // the node's label and data, siblings in list order (and so in key order).
    void CheckMirror(const std::vector<ADTDATA*>& nodes)
    {
        EXPECT_EQ(nodes.size(), m_view->items.size());
        EXPECT_EQ(ChildItems(&m_store.m_Root), m_view->roots);
        for (ADTDATA* node : nodes) {
            ASSERT_TRUE(m_view->items.count(node->hItem)) << CAddrBook::FormatLabel(node);
            const CRecordingView::Item& item = m_view->items.at(node->hItem);
            EXPECT_EQ(node->pParent->hItem, item.parent);
            EXPECT_EQ(CAddrBook::FormatLabel(node), item.text);
            EXPECT_EQ(MakeItemData(node->cType, node->nOrder), item.data);
            if (node->bExpand) {
                EXPECT_TRUE(item.expanded);
            }
            EXPECT_EQ(ChildItems(node), item.children);
            for (size_t i = 1; i < item.children.size(); ++i)
                EXPECT_LE(ItemDataKey(m_view->items.at(item.children[i - 1]).data),
                          ItemDataKey(m_view->items.at(item.children[i]).data));
        }
    }
};
