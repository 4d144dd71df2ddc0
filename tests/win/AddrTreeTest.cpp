#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "store/AddrBook.h"
#include "tree/AddrTree.h"

namespace {

// A bare tree control, subclassed as the window does it, attached to a store of its own.
struct AddrTreeTest : ::testing::Test {
    CAddrBook store;
    CAddrTree tree{store};
    HWND window = nullptr;

    void SetUp() override
    {
        window = CreateWindowExA(0, WC_TREEVIEWA, "", WS_OVERLAPPEDWINDOW | TVS_HASBUTTONS | TVS_HASLINES, 0, 0,
                                 300, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, window);
        tree.SubclassWindow(window);
    }
    void TearDown() override { DestroyWindow(window); }

    HTREEITEM Add(HTREEITEM parent, const char* text, int kind, uint32_t key)
    {
        return tree.InsertNode(parent, IAddrView::InsertLast(), text, 0, 0,
                               MakeItemData(static_cast<unsigned char>(kind), key));
    }

    std::string Children(HTREEITEM parent)
    {
        std::string texts;
        for (HTREEITEM child = tree.GetChildItem(parent ? parent : TVI_ROOT); child;
             child = tree.GetNextSiblingItem(child))
            texts += (texts.empty() ? "" : ",") + tree.GetItemText(child);
        return texts;
    }
};

TEST_F(AddrTreeTest, NodesStandInTheControlWhereTheirKeysSortWithoutSorting)
{
    EXPECT_EQ(TVI_FIRST, IAddrView::InsertFirst());
    EXPECT_EQ(TVI_LAST, IAddrView::InsertLast());
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
    ADTDATA* a = store.AddData(ADT_ADDR, "a", "a@x", book, PLACE_CHILD);      // 10
    ADTDATA* f = store.AddData(ADT_FOLDER, "f", nullptr, book, PLACE_CHILD);  // 20
    ADTDATA* first = store.AddData(ADT_ADDR, "first", "", a, PLACE_BEFORE);   // 5
    store.AddData(ADT_FOLDER, "mid", nullptr, f, PLACE_BEFORE);                // 15
    store.AddData(ADT_ADDR, "last", "", f, PLACE_AFTER);                       // 30
    EXPECT_EQ("first <>,a <a@x>,mid,f,last <>", Children(book->hItem));
    // Keys halve down to 0 and then repeat: equal keys stand in the store's order.
    ADTDATA* before = first;
    for (const char* name : {"2", "1", "0", "0b"})
        before = store.AddData(ADT_ADDR, name, "", before, PLACE_BEFORE);
    EXPECT_EQ(0u, before->nOrder);
    EXPECT_EQ("0b <>,0 <>,1 <>,2 <>,first <>,a <a@x>,mid,f,last <>", Children(book->hItem));
}

TEST_F(AddrTreeTest, TheTopLevelKeepsItsInsertionOrderUntilSorted)
{
    Add(nullptr, "twenty", ADT_LOCAL_BOOK, 20);
    Add(nullptr, "ten", ADT_GLOBAL_BOOK, 10);
    EXPECT_EQ("twenty,ten", Children(nullptr));
    tree.SortChildren(nullptr);
    EXPECT_EQ("ten,twenty", Children(nullptr));
}

TEST_F(AddrTreeTest, SortingALevelSortsEveryLevelBelowIt)
{
    HTREEITEM book = Add(nullptr, "B", ADT_LOCAL_BOOK, 10);
    HTREEITEM outer = Add(book, "outer", ADT_FOLDER, 10);
    HTREEITEM inner = Add(outer, "inner", ADT_FOLDER, 10);
    HTREEITEM a = Add(inner, "a", ADT_ADDR, 10);
    Add(inner, "b", ADT_ADDR, 20);
    // Re-keying leaves the level out of order until it is sorted again.
    tree.SetItemData(a, MakeItemData(ADT_ADDR, 30));
    EXPECT_EQ("a,b", Children(inner));
    tree.SortChildren(book);
    EXPECT_EQ("b,a", Children(inner));
}

TEST_F(AddrTreeTest, OnlyTheLow24BitsOfTheDataCompare)
{
    EXPECT_EQ(0, CAddrTree::CompareOrder(MakeItemData(ADT_ADDR, 5), MakeItemData(ADT_FOLDER, 5), 0));
    EXPECT_EQ(0, CAddrTree::CompareOrder(0x01000005, 0x7F000005, 0));
    EXPECT_EQ(-1, CAddrTree::CompareOrder(0x04000004, 0x01000005, 0));
    EXPECT_EQ(1, CAddrTree::CompareOrder(0x00FFFFFF, 0x7F000000, 0));
}

TEST_F(AddrTreeTest, TheTreeAttachesToItsStoreAndLetsGoWhenDestroyed)
{
    EXPECT_EQ(&tree, store.m_pTree);
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "Book", "b.adr", nullptr, 0);
    EXPECT_NE(nullptr, book->hItem);
    DestroyWindow(window);
    window = nullptr;
    EXPECT_EQ(nullptr, store.m_pTree);
    EXPECT_EQ(nullptr, store.AddData(ADT_ADDR, "a", "a@x", book, PLACE_CHILD)->hItem);
}

}  // namespace
