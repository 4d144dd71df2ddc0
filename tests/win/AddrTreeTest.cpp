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
        HTREEITEM item = tree.InsertNode(parent, text, 0, 0, MakeItemData(static_cast<unsigned char>(kind), key));
        if (parent)
            tree.SortAfterInsert(parent, item);
        return item;
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

TEST_F(AddrTreeTest, ChildrenStandInKeyOrderWhateverTheInsertionOrder)
{
    HTREEITEM book = Add(nullptr, "B", ADT_LOCAL_BOOK, 10);
    HTREEITEM folder = Add(book, "F", ADT_FOLDER, 10);
    Add(folder, "30", ADT_ADDR, 30);
    Add(folder, "10", ADT_ADDR, 10);
    Add(folder, "20", ADT_ADDR, 20);
    EXPECT_EQ("10,20,30", Children(folder));
    Add(folder, "40", ADT_ADDR, 40);
    EXPECT_EQ("10,20,30,40", Children(folder));

    // Kinds do not group: an address keyed 12 stands before a folder keyed 15.
    Add(book, "folder15", ADT_FOLDER, 15);
    Add(book, "address12", ADT_ADDR, 12);
    EXPECT_EQ("F,address12,folder15", Children(book));
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
    HTREEITEM b = Add(inner, "b", ADT_ADDR, 20);
    // Re-keying leaves the level out of order until it is sorted again.
    tree.SetItemData(a, MakeItemData(ADT_ADDR, 30));
    EXPECT_EQ("a,b", Children(inner));
    tree.SortChildren(book);
    EXPECT_EQ("b,a", Children(inner));
    // After re-keying an append under that level is checked, not trusted.
    tree.SetItemData(b, MakeItemData(ADT_ADDR, 50));
    Add(inner, "c", ADT_ADDR, 40);
    EXPECT_EQ("a,c,b", Children(inner));
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
