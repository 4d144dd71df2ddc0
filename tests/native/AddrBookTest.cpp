#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "RecordingView.h"
#include "StoreDump.h"
#include "store/AddrBook.h"
#include "store/StoreHeap.h"
#include "store/StoreHooks.h"

namespace {

// Captures the store's message boxes and traces for one test, and can make the heap fail.
class StoreHooksCapture {
public:
    StoreHooksCapture() : m_saved(g_StoreHooks)
    {
        s_current = this;
        g_StoreHooks.reportError = [](const char* text, const char* caption) {
            s_current->errors.push_back(std::string(caption) + ": " + text);
        };
        g_StoreHooks.trace = [](const char* line) { s_current->traces.push_back(line); };
        g_StoreHooks.allocate = [](size_t size) -> void* {
            if (s_current->allocationsLeft == 0)
                return nullptr;
            if (s_current->allocationsLeft > 0)
                --s_current->allocationsLeft;
            return StoreHeapAllocate(size);
        };
    }
    ~StoreHooksCapture()
    {
        g_StoreHooks = m_saved;
        s_current = nullptr;
    }

    std::vector<std::string> errors;
    std::vector<std::string> traces;
    int allocationsLeft = -1;  // -1: never fail

private:
    StoreHooks m_saved;
    static StoreHooksCapture* s_current;
};

StoreHooksCapture* StoreHooksCapture::s_current = nullptr;

struct AddrBookTest : ::testing::Test {
    StoreHooksCapture hooks;
    CAddrBook store;
    CRecordingView view;

    ADTDATA* Book(const char* name) { return store.AddData(ADT_LOCAL_BOOK, name, "x.adr", nullptr, 0); }
    ADTDATA* Folder(ADTDATA* parent, const char* name)
    {
        return store.AddData(ADT_FOLDER, name, nullptr, parent, PLACE_CHILD);
    }
    ADTDATA* Addr(ADTDATA* target, const char* name, const char* addr, int mode = PLACE_CHILD)
    {
        return store.AddData(ADT_ADDR, name, addr, target, mode);
    }
};

TEST_F(AddrBookTest, InitializeBuildsTheRootAndTraces)
{
    EXPECT_EQ(ADT_LOCAL_BOOK, store.m_Root.cType);
    EXPECT_STREQ("TreeCtrl_RootNode", store.m_Root.psName);
    EXPECT_EQ(0u, store.m_Root.nHash);
    EXPECT_EQ(nullptr, store.m_Root.pChild);
    EXPECT_EQ(nullptr, store.m_pTree);
    EXPECT_EQ(static_cast<void*>(&store), static_cast<void*>(&store.m_Root));

    CAddrBook second;  // the fixture's store traced first
    EXPECT_EQ((std::vector<std::string>{"CAddrBook::Initialize();\n", "CAddrBook::Initialize();\n"}),
              hooks.traces);
    EXPECT_EQ(nullptr, second.FindByName("TreeCtrl_RootNode"));
}

TEST_F(AddrBookTest, KeysAppendByTenAndHalveIntoGaps)
{
    ADTDATA* book = Book("B");
    ADTDATA* folder = Folder(book, "F");
    ADTDATA* a = Addr(folder, "a", "a@x");
    ADTDATA* b = Addr(folder, "b", "b@x");
    ADTDATA* c = Addr(folder, "c", "c@x");
    EXPECT_EQ("10,20,30", Keys(folder));

    ADTDATA* before = Addr(a, "p1", "", PLACE_BEFORE);
    EXPECT_EQ(5u, before->nOrder);
    for (uint32_t expected : {2u, 1u, 0u, 0u}) {
        before = Addr(before, "p", "", PLACE_BEFORE);
        EXPECT_EQ(expected, before->nOrder);
    }
    EXPECT_EQ(folder->pChild, before);
    EXPECT_EQ(25u, Addr(b, "bc", "", PLACE_AFTER)->nOrder);
    EXPECT_EQ(c, b->pNext->pNext);
    EXPECT_EQ(40u, Addr(c, "d", "", 7)->nOrder);  // any mode but 0 and 1 places after

    // Between 10 and 11 the halving gives 10 again, until renumbering spaces the list out.
    ADTDATA* f2 = Folder(book, "F2");
    ADTDATA* x = Addr(f2, "x", "");
    ADTDATA* y = Addr(x, "y", "", PLACE_AFTER);
    y->nOrder = 11;
    EXPECT_EQ(10u, Addr(y, "between", "", PLACE_BEFORE)->nOrder);
    store.Renumber(f2, 0);
    EXPECT_EQ("10,20,30", Keys(f2));
    EXPECT_EQ(10u, folder->nChild);
}

TEST_F(AddrBookTest, BooksWithoutTargetAppendUnderTheRoot)
{
    ADTDATA* first = store.AddData(ADT_LOCAL_BOOK, "One", "1.adr", nullptr, PLACE_BEFORE);
    ADTDATA* second = store.AddData(ADT_GLOBAL_BOOK, "Two", "http://x", nullptr, PLACE_CHILD);
    EXPECT_EQ(10u, first->nOrder);
    EXPECT_EQ(20u, second->nOrder);
    EXPECT_EQ(&store.m_Root, first->pParent);
    EXPECT_TRUE(store.IsBook(second));
    EXPECT_EQ(2, store.m_Root.nChild);
    EXPECT_EQ(0, first->bModified);  // adding never marks
    EXPECT_STREQ("http://x", second->psAddr);
}

TEST_F(AddrBookTest, EmptyNamesAndTextsLeaveNoString)
{
    ADTDATA* book = Book("B");
    ADTDATA* a = Addr(book, "", "");
    EXPECT_EQ(nullptr, a->psName);
    EXPECT_EQ(nullptr, a->psAddr);
    EXPECT_EQ(0u, a->nHash);
    ADTDATA* b = Addr(book, nullptr, nullptr);
    EXPECT_EQ(nullptr, b->psName);
    EXPECT_EQ("B[ <>, <>]", DumpStore(store));
}

TEST_F(AddrBookTest, DeleteDataRelinksAndCountsDown)
{
    ADTDATA* book = Book("B");
    ADTDATA* folder = Folder(book, "F");
    std::vector<ADTDATA*> children;
    for (const char* name : {"a", "b", "c", "d"})
        children.push_back(Addr(folder, name, "m@x"));

    store.DeleteData(children[1]);
    EXPECT_EQ(children[2], children[0]->pNext);
    EXPECT_EQ(children[0], children[2]->pPrev);
    EXPECT_EQ(3, folder->nChild);
    EXPECT_EQ(1, folder->bModified);
    EXPECT_EQ(1, book->bModified);

    store.DeleteData(children[3]);  // the last: a later append follows the new last child
    EXPECT_EQ(40u, Addr(folder, "e", "")->nOrder);
    store.DeleteData(folder->pLastChild);
    store.DeleteData(children[0]);
    store.DeleteData(children[2]);
    EXPECT_EQ(0, folder->nChild);
    EXPECT_EQ(nullptr, folder->pChild);

    store.m_pTree = &view;
    store.DispList(nullptr);
    EXPECT_EQ("B[F]", view.Dump());
    EXPECT_EQ(10u, Addr(folder, "new", "")->nOrder);
    store.m_pTree = nullptr;
}

TEST_F(AddrBookTest, DeleteDataOfASubtreeRemovesItsItemOnce)
{
    store.m_pTree = &view;
    ADTDATA* book = Book("B");
    ADTDATA* folder = Folder(book, "F");
    Addr(Folder(folder, "Inner"), "a", "a@x");
    Addr(book, "keep", "k@x");
    view.log.clear();

    store.DeleteData(folder);
    EXPECT_EQ(std::vector<std::string>{"delete B/F"}, view.log);
    EXPECT_EQ("B[keep <k@x>]", view.Dump());
    EXPECT_EQ("B[keep <k@x>]", DumpStore(store));
    EXPECT_EQ(nullptr, store.FindByName("a"));
    store.m_pTree = nullptr;
}

TEST_F(AddrBookTest, DeleteListFreesTheWholeSiblingList)
{
    ADTDATA* book = Book("B");
    ADTDATA* folder = Folder(book, "F");
    Addr(folder, "first", "a@x");
    ADTDATA* second = Addr(folder, "second", "b@x");
    Addr(Folder(folder, "sub"), "deep", "c@x");

    // Freed from the second member on: the first and the sub-folder go too (the sanitizer
    // reports a leak or a double free otherwise). The caller resets the parent's links.
    store.DeleteList(second);
    folder->pChild = nullptr;
    folder->pLastChild = nullptr;
    folder->nChild = 0;
    EXPECT_EQ(nullptr, store.FindByName("first"));
    EXPECT_EQ(1, book->bModified);
    EXPECT_EQ("B[F[]]", DumpStore(store));
}

TEST_F(AddrBookTest, FindByNameComparesHashThenBytesInPreOrder)
{
    ADTDATA* one = Book("One");
    ADTDATA* inOne = Addr(Folder(one, "F"), "ab", "1@x");
    ADTDATA* two = Book("Two");
    Addr(two, "ab", "2@x");
    Addr(two, "ba", "3@x");  // same byte sum as "ab"
    Addr(two, "", "nameless@x");

    EXPECT_EQ(inOne, store.FindByName("ab"));
    EXPECT_EQ(CAddrBook::NameHash("ab"), CAddrBook::NameHash("ba"));
    EXPECT_STREQ("3@x", store.FindByName("ba")->psAddr);
    EXPECT_EQ(nullptr, store.FindByName("AB"));
    EXPECT_EQ(nullptr, store.FindByName(""));
    EXPECT_EQ(nullptr, store.FindByName(nullptr));
    EXPECT_EQ(two, store.FindByName("Two"));
    // From a start node with the flag set, only that node's list and below are searched.
    EXPECT_STREQ("2@x", store.FindByName("ab", two, 1)->psAddr);
    EXPECT_EQ(nullptr, store.FindByName("F", two, 1));
    EXPECT_EQ(0u, CAddrBook::NameHash(nullptr));
    EXPECT_EQ(0x81u + 0x40u, CAddrBook::NameHash("　"));  // bytes count unsigned
}

TEST_F(AddrBookTest, FindBookByNamePrefersALocalBook)
{
    ADTDATA* global = store.AddData(ADT_GLOBAL_BOOK, "Shared", "http://x", nullptr, 0);
    Addr(global, "Private", "a@x");
    EXPECT_EQ(global, store.FindBookByName("Shared"));
    EXPECT_EQ(nullptr, store.FindBookByName("Private"));  // only books are candidates
    ADTDATA* local = Book("Shared");
    EXPECT_EQ(local, store.FindBookByName("Shared"));
    EXPECT_EQ(nullptr, store.FindBookByName(""));
}

TEST_F(AddrBookTest, GetBookAndFindByItemMapItemsToNodes)
{
    store.m_pTree = &view;
    ADTDATA* book = Book("B");
    ADTDATA* deep = Addr(Folder(Folder(book, "F"), "G"), "a", "a@x");
    ADTDATA* other = Book("C");

    EXPECT_EQ(book, store.GetBook(book->hItem));
    EXPECT_EQ(book, store.GetBook(deep->hItem));
    EXPECT_EQ(other, store.GetBook(other->hItem));
    EXPECT_EQ(deep, store.FindByItem(deep->hItem));
    EXPECT_EQ(nullptr, store.GetBook(reinterpret_cast<HTREEITEM>(0x7777)));
    EXPECT_EQ(nullptr, store.FindByItem(nullptr));  // every shown node has an item
    EXPECT_EQ(nullptr, store.FindByItem(deep->hItem, other, 1));
    EXPECT_EQ(deep, store.FindByItem(deep->hItem, book, 1));

    ADTDATA* added = store.AddDataAt(ADT_ADDR, "b", "b@x", deep->hItem, PLACE_BEFORE);
    ASSERT_NE(nullptr, added);
    EXPECT_EQ(deep, added->pNext);
    EXPECT_EQ(nullptr, store.AddDataAt(ADT_ADDR, "c", "", reinterpret_cast<HTREEITEM>(0x7777), 0));
    store.m_pTree = nullptr;
}

TEST_F(AddrBookTest, LabelsShowTheFirstAddress)
{
    ADTDATA* book = Book("B");
    EXPECT_EQ("N <a@x, …>", CAddrBook::FormatLabel(Addr(book, "N", "a@x,b@x,c@x")));
    EXPECT_EQ("N <a@x b@x>", CAddrBook::FormatLabel(Addr(book, "N", "a@x b@x")));
    EXPECT_EQ("N <>", CAddrBook::FormatLabel(Addr(book, "N", "")));
    EXPECT_EQ(" <a@x>", CAddrBook::FormatLabel(Addr(book, "", "a@x")));
    EXPECT_EQ("F", CAddrBook::FormatLabel(Folder(book, "F")));
    EXPECT_EQ("B", CAddrBook::FormatLabel(book));

    // A label past 511 bytes is cut without splitting a double-byte character.
    std::string name(507, 'n');
    EXPECT_EQ(name + " <宛", CAddrBook::FormatLabel(Addr(book, name.c_str(), "宛先@x")));
    name += 'n';
    EXPECT_EQ(name + " <", CAddrBook::FormatLabel(Addr(book, name.c_str(), "宛先@x")));
}

TEST_F(AddrBookTest, UpdateLabelRewritesAddressesAndBooksOnly)
{
    store.m_pTree = &view;
    ADTDATA* book = Book("B");
    ADTDATA* folder = Folder(book, "F");
    ADTDATA* addr = Addr(folder, "N", "a@x");
    view.log.clear();

    store.ReplaceName(folder, "Renamed");
    store.UpdateLabel(folder);
    EXPECT_TRUE(view.log.empty());

    store.ReplaceAddr(addr, "b@x,c@x");
    store.UpdateLabel(addr);
    store.ReplaceName(book, "Book");
    store.UpdateLabel(book);
    store.UpdateLabel(nullptr);
    EXPECT_EQ((std::vector<std::string>{"text B/F/N <a@x> -> N <b@x, …>", "text B -> Book"}), view.log);
    store.m_pTree = nullptr;
}

TEST_F(AddrBookTest, SetModifiedMarksTheNodeAndItsAncestorsBelowTheRoot)
{
    ADTDATA* book = Book("B");
    ADTDATA* other = Book("C");
    ADTDATA* folder = Folder(book, "F");
    ADTDATA* sibling = Folder(book, "S");
    ADTDATA* addr = Addr(folder, "a", "a@x");

    store.SetModified(book);
    EXPECT_EQ(1, book->bModified);
    EXPECT_EQ(0, folder->bModified);
    book->bModified = 0;

    store.SetModified(addr);
    EXPECT_EQ(1, addr->bModified);
    EXPECT_EQ(1, folder->bModified);
    EXPECT_EQ(1, book->bModified);
    EXPECT_EQ(0, sibling->bModified);
    EXPECT_EQ(0, other->bModified);
    EXPECT_EQ(0, store.m_Root.bModified);
    store.SetModified(nullptr);
    store.SetModified(&store.m_Root);
    EXPECT_EQ(0, store.m_Root.bModified);
}

TEST_F(AddrBookTest, InsertsReachTheViewWithDataImagesInKeyOrder)
{
    store.m_pTree = &view;
    ADTDATA* book = Book("B");
    ADTDATA* folder = Folder(book, "F");
    Addr(folder, "N", "a@x,b@x");
    store.AddData(ADT_GLOBAL_BOOK, "G", "http://g", nullptr, 0);
    EXPECT_EQ((std::vector<std::string>{
                  "insert B data=0100000A img=-1/-1",
                  "insert B/F data=0300000A img=-1/-1",
                  "insert B/F/N <a@x, …> data=0400000A img=0/1",
                  "insert G data=02000014 img=-1/-1",
              }),
              view.log);
    // A node placed between others goes where its key sorts, without re-sorting the level.
    view.log.clear();
    ADTDATA* second = Addr(folder, "M", "m@x");
    store.AddData(ADT_ADDR, "L", "l@x", second, PLACE_BEFORE);
    store.AddData(ADT_ADDR, "K", "k@x", folder->pChild, PLACE_BEFORE);
    EXPECT_EQ((std::vector<std::string>{
                  "insert B/F/M <m@x> data=04000014 img=0/1",
                  "insert B/F/L <l@x> data=0400000F img=0/1 after N <a@x, …>",
                  "insert B/F/K <k@x> data=04000005 img=0/1 first",
              }),
              view.log);
    EXPECT_EQ(folder, store.FindByItem(folder->hItem));
    store.m_pTree = nullptr;
}

TEST_F(AddrBookTest, ItemDataKeepsTheLow24BitsOfTheKey)
{
    EXPECT_EQ(0x04ABCDEFu, MakeItemData(ADT_ADDR, 0x12ABCDEF));
    EXPECT_EQ(ADT_ADDR, ItemDataKind(0x04ABCDEF));
    EXPECT_EQ(0xABCDEFu, ItemDataKey(0x04ABCDEF));
}

TEST_F(AddrBookTest, NoViewNoItemsUntilTheWindowShowsThem)
{
    ADTDATA* book = Book("B");
    ADTDATA* folder = Folder(book, "F");
    ADTDATA* inner = Folder(folder, "Inner");
    Addr(inner, "a", "a@x");
    Addr(book, "b", "b@x");
    EXPECT_EQ(nullptr, folder->hItem);
    store.DispList(nullptr);  // without a view: nothing happens
    store.UpdateLabel(folder);
    store.DeleteItem(folder);
    folder->bExpand = 1;
    inner->bExpand = 1;

    store.m_pTree = &view;
    store.DispList(nullptr);
    EXPECT_EQ((std::vector<std::string>{
                  "insert B data=0100000A img=-1/-1",  // level by level, then opened deepest first
                  "insert B/F data=0300000A img=-1/-1",
                  "insert B/b <b@x> data=04000014 img=0/1",
                  "insert B/F/Inner data=0300000A img=-1/-1",
                  "insert B/F/Inner/a <a@x> data=0400000A img=0/1",
                  "expand B/F/Inner",
                  "expand B/F",
              }),
              view.log);
    EXPECT_EQ("B[F[Inner[a <a@x>]],b <b@x>]", view.Dump());
    store.m_pTree = nullptr;
}

TEST_F(AddrBookTest, ReopenedWindowMapsReusedHandlesToTheRightNodes)
{
    ADTDATA* book = Book("B");
    ADTDATA* a = Addr(book, "a", "a@x");
    ADTDATA* b = Addr(book, "b", "b@x");
    {
        CRecordingView first(0x1000);
        store.m_pTree = &first;
        store.DispList(nullptr);
        store.m_pTree = nullptr;
    }
    // The new window shows b before a, so the handles of the closed window come back
    // for other nodes while the display is under way.
    store.DeleteData(a);
    a = Addr(book, "a", "a@x");
    CRecordingView second(0x1000);
    store.m_pTree = &second;
    store.DispList(nullptr);
    for (ADTDATA* node : {book, a, b}) {
        EXPECT_EQ(node, store.FindByItem(node->hItem));
        EXPECT_EQ(node, store.FindByItem(node->hItem, book, 1));
    }
    EXPECT_EQ(b, store.SetExpand(b->hItem, 1));
    EXPECT_EQ(1, b->bExpand);
    EXPECT_EQ(0, a->bExpand);
    store.m_pTree = nullptr;
}

TEST_F(AddrBookTest, RenumberReKeysChildrenAndTellsOnlyTheItemsWhoseDataChanges)
{
    store.m_pTree = &view;
    ADTDATA* book = Book("B");
    ADTDATA* folder = Folder(book, "F");
    ADTDATA* a = Addr(folder, "a", "");
    Addr(a, "b", "", PLACE_BEFORE);
    ADTDATA* c = Addr(Folder(folder, "G"), "c", "");
    Addr(Folder(book, "H"), "d", "");
    view.log.clear();

    store.Renumber(book, 1);
    EXPECT_EQ((std::vector<std::string>{
                  "data B/F/b <> 0400000A",
                  "data B/F/a <> 04000014",
                  "data B/F/G 0300001E",
              }),
              view.log);
    EXPECT_EQ(10u, c->nOrder);
    view.log.clear();
    a->nOrder = 15;
    c->nOrder = 50;
    store.Renumber(folder, 0);  // shallow: G's child is not visited
    EXPECT_EQ((std::vector<std::string>{"data B/F/a <> 04000014"}), view.log);
    EXPECT_EQ(50u, c->nOrder);
    store.Renumber(a, 1);  // an address has no children to renumber
    Book("C")->nOrder = 99;
    view.log.clear();
    store.Renumber(nullptr, 0);
    EXPECT_EQ((std::vector<std::string>{"data C 01000014"}), view.log);
    store.m_pTree = nullptr;
}

TEST_F(AddrBookTest, ExpansionIsRecordedPerItem)
{
    store.m_pTree = &view;
    ADTDATA* book = Book("B");
    EXPECT_EQ(book, store.SetExpand(book->hItem, 2));
    EXPECT_EQ(2, book->bExpand);
    store.SetExpand(book->hItem, 0);
    EXPECT_EQ(0, book->bExpand);
    EXPECT_EQ(nullptr, store.SetExpand(reinterpret_cast<HTREEITEM>(0x9999), 1));
    store.m_pTree = nullptr;
}

TEST_F(AddrBookTest, OutOfMemoryReportsAndChangesNothing)
{
    ADTDATA* book = Book("B");
    Addr(book, "a", "a@x");
    std::string before = DumpStore(store);

    for (int left : {0, 1, 2}) {  // the node, its name, its address text
        hooks.allocationsLeft = left;
        EXPECT_EQ(nullptr, Addr(book, "new", "n@x")) << left;
    }
    hooks.allocationsLeft = -1;
    EXPECT_EQ(before, DumpStore(store));
    EXPECT_EQ(1, book->nChild);
    ASSERT_EQ(3u, hooks.errors.size());
    EXPECT_EQ("エラー(malloc失敗): ADTDATA* CAddrBook::NewData():p = (ADTDATA*)malloc( sizeof( ADTDATA ) );",
              hooks.errors[0]);
    EXPECT_EQ(20u, Addr(book, "b", "b@x")->nOrder);
}

TEST_F(AddrBookTest, AFailedRenameKeepsTheOldName)
{
    ADTDATA* book = Book("Old");
    hooks.allocationsLeft = 0;
    EXPECT_FALSE(store.ReplaceName(book, "New"));
    EXPECT_FALSE(store.ReplaceAddr(book, "new.adr"));
    hooks.allocationsLeft = -1;
    EXPECT_STREQ("Old", book->psName);
    EXPECT_STREQ("x.adr", book->psAddr);
    EXPECT_TRUE(store.ReplaceName(book, "New"));
    EXPECT_EQ(CAddrBook::NameHash("New"), book->nHash);
    EXPECT_EQ(book, store.FindByName("New"));
    EXPECT_TRUE(store.ReplaceName(book, ""));
    EXPECT_EQ(nullptr, book->psName);
    EXPECT_EQ(0u, book->nHash);
}

}  // namespace

namespace {

TEST_F(AddrBookTest, MoveDataRelinksANodeWithEverythingItCarries)
{
    store.m_pTree = &view;
    ADTDATA* one = Book("One");
    ADTDATA* two = Book("Two");
    ADTDATA* three = Book("Three");
    Addr(two, "a", "a@x");
    two->bModified = 1;
    two->bReadOnly = 1;
    HTREEITEM item = two->hItem;
    view.log.clear();

    store.MoveData(two, one, PLACE_BEFORE);
    EXPECT_EQ("Two[a <a@x>]|One[]|Three[]", DumpStore(store));
    EXPECT_EQ(5u, two->nOrder);
    store.MoveData(two, three, PLACE_AFTER);
    EXPECT_EQ("One[]|Three[]|Two[a <a@x>]", DumpStore(store));
    EXPECT_EQ(three->pNext, two);
    EXPECT_EQ(store.m_Root.pLastChild, two);
    EXPECT_EQ(3, store.m_Root.nChild);
    EXPECT_EQ(item, two->hItem);
    EXPECT_EQ(1, two->bModified);
    EXPECT_EQ(1, two->bReadOnly);
    // The item stays where it is, showing each new key; the caller re-keys and re-sorts.
    EXPECT_EQ((std::vector<std::string>{"data Two 01000005", "data Two 01000028"}), view.log);

    store.MoveData(two, two, PLACE_BEFORE);
    store.MoveData(two->pChild, one, PLACE_BEFORE);  // not siblings: nothing
    EXPECT_EQ("One[]|Three[]|Two[a <a@x>]", DumpStore(store));
    store.m_pTree = nullptr;
}

}  // namespace
