#include <cstring>
#include "BoxWatcher.h"
#include "TestFiles.h"
#include "WindowFixture.h"
#include "merge/BookBase.h"
#include "merge/BookMerge.h"

namespace {

enum class Where { Top, Middle, Bottom };

struct DragDropTest : WindowFixture {
    ADTDATA* book = nullptr;
    ADTDATA* friends = nullptr;
    ADTDATA* a = nullptr;
    ADTDATA* b = nullptr;
    ADTDATA* c = nullptr;
    ADTDATA* sub = nullptr;
    ADTDATA* work = nullptr;
    ADTDATA* boss = nullptr;
    ADTDATA* global = nullptr;
    ADTDATA* readOnly = nullptr;
    ADTDATA* frozen = nullptr;

    void SetUp() override
    {
        WindowFixture::SetUp();
        book = store.AddData(ADT_LOCAL_BOOK, "個人", (folder + "a.adr").c_str(), nullptr, 0);
        friends = store.AddData(ADT_FOLDER, "友人", nullptr, book, PLACE_CHILD);
        a = store.AddData(ADT_ADDR, "A", "a@x", friends, PLACE_CHILD);
        b = store.AddData(ADT_ADDR, "B", "b@x", friends, PLACE_CHILD);
        c = store.AddData(ADT_ADDR, "C", "c@x", friends, PLACE_CHILD);
        sub = store.AddData(ADT_FOLDER, "Sub", nullptr, friends, PLACE_CHILD);
        work = store.AddData(ADT_LOCAL_BOOK, "仕事", (folder + "w.adr").c_str(), nullptr, 0);
        boss = store.AddData(ADT_ADDR, "Boss", "boss@x", work, PLACE_CHILD);
        global = store.AddData(ADT_GLOBAL_BOOK, "社内", "http://x", nullptr, 0);
        readOnly = store.AddData(ADT_LOCAL_BOOK, "RO", (folder + "r.adr").c_str(), nullptr, 0);
        readOnly->bReadOnly = 1;
        frozen = store.AddData(ADT_ADDR, "Frozen", "f@x", readOnly, PLACE_CHILD);
        for (ADTDATA* node : {book, friends, sub, work, global, readOnly})
            node->bExpand = 1;
    }

    static HWND Tree(HWND window) { return GetDlgItem(window, IDC_ADDR_TREE); }

    static POINT PointOn(HWND window, const ADTDATA* node, Where where)
    {
        RECT row;
        std::memcpy(&row, &node->hItem, sizeof node->hItem);
        SendMessageA(Tree(window), TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&row));
        int y = where == Where::Top ? row.top + 1 : where == Where::Middle ? (row.top + row.bottom) / 2 : row.bottom - 1;
        return {40, y};
    }

    // Starts dragging node as the control does, and moves to the target.
    static void DragOver(HWND window, const ADTDATA* node, const ADTDATA* target, Where where)
    {
        static NMTREEVIEWA begin = {};
        begin = NMTREEVIEWA();
        begin.hdr = {Tree(window), IDC_ADDR_TREE, static_cast<UINT>(TVN_BEGINDRAGA)};
        begin.itemNew.hItem = node->hItem;
        begin.ptDrag = PointOn(window, node, Where::Middle);
        SendMessageA(window, WM_NOTIFY, IDC_ADDR_TREE, reinterpret_cast<LPARAM>(&begin));
        POINT over = PointOn(window, target, where);
        SendMessageA(Tree(window), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(over.x, over.y));
    }

    // Drags node onto the part of target's row and drops it there.
    static void Drop(CUiScript& ui, HWND window, const ADTDATA* node, const ADTDATA* target, Where where)
    {
        POINT over = PointOn(window, target, where);
        DragOver(window, node, target, where);
        PostMessageA(Tree(window), WM_LBUTTONUP, 0, MAKELPARAM(over.x, over.y));
        ui.Pump();
    }

    static std::string Names(const ADTDATA* parent)
    {
        std::string names;
        for (const ADTDATA* child = parent->pChild; child; child = child->pNext)
            names += (names.empty() ? "" : ",") + std::string(child->psName ? child->psName : "");
        return names;
    }

    static HTREEITEM Next(HWND window, HTREEITEM from, UINT code)
    {
        return reinterpret_cast<HTREEITEM>(SendMessageA(Tree(window), TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(from)));
    }

    // An item's label up to its first blank: the name of a book, folder or address.
    static std::string ShownName(HWND window, HTREEITEM item)
    {
        char text[128] = "";
        TVITEMA tvi = {};
        tvi.mask = TVIF_TEXT;
        tvi.hItem = item;
        tvi.pszText = text;
        tvi.cchTextMax = sizeof text;
        SendMessageA(Tree(window), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
        std::string label = text;
        return label.substr(0, label.find(' '));
    }

    static std::string Shown(HWND window, const ADTDATA* parent)
    {
        std::string names;
        for (HTREEITEM item = Next(window, parent ? parent->hItem : nullptr, TVGN_CHILD); item;
             item = Next(window, item, TVGN_NEXT))
            names += (names.empty() ? "" : ",") + ShownName(window, item);
        return names;
    }

    // A subtree as "name[child,child[...]]", from the store and from the control.
    static std::string Subtree(const ADTDATA* node)
    {
        std::string out = node->psName ? node->psName : "";
        for (const ADTDATA* child = node->pChild; child; child = child->pNext)
            out += (child == node->pChild ? "[" : ",") + Subtree(child) + (child->pNext ? "" : "]");
        return out;
    }
    static std::string ShownSubtree(HWND window, HTREEITEM item)
    {
        std::string out = ShownName(window, item);
        HTREEITEM first = Next(window, item, TVGN_CHILD);
        for (HTREEITEM child = first; child; child = Next(window, child, TVGN_NEXT))
            out += (child == first ? "[" : ",") + ShownSubtree(window, child) + (Next(window, child, TVGN_NEXT) ? "" : "]");
        return out;
    }

    static SeenBox AnswerBox(CUiScript& ui)
    {
        HWND box = ui.WaitForWindowWhere(CBoxWatcher::IsMessageBox);
        SeenBox seen = box ? CBoxWatcher::Describe(box) : SeenBox();
        if (box) {
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            ui.WaitFor([&] { return !IsWindow(box); });
        }
        return seen;
    }
};

TEST_F(DragDropTest, AnAddressMovesIntoAFolderOrBesideAnotherAddress)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        Drop(ui, window, boss, friends, Where::Middle);  // middle third of a folder: last child
        EXPECT_EQ("A,B,C,Sub,Boss", Names(friends));
        EXPECT_EQ(nullptr, work->pChild);
        EXPECT_EQ(1, book->bModified);
        EXPECT_EQ(1, work->bModified);
        EXPECT_EQ(0, dialog.m_AddrTree.m_bDragging);

        ADTDATA* movedBoss = friends->pLastChild;
        Drop(ui, window, movedBoss, b, Where::Top);  // top half of an address: before it
        EXPECT_EQ("A,Boss,B,C,Sub", Names(friends));
        std::string keys;
        for (ADTDATA* child = friends->pChild; child; child = child->pNext)
            keys += std::to_string(child->nOrder) + " ";
        EXPECT_EQ("10 20 30 40 50 ", keys);
        EXPECT_EQ("A,Boss,B,C,Sub", Shown(window, friends));
    });
}

TEST_F(DragDropTest, AFolderDroppedOnAnAddressStandsNextToIt)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        Drop(ui, window, sub, a, Where::Bottom);
        EXPECT_EQ("A,Sub,B,C", Names(friends));
        EXPECT_EQ(ADT_FOLDER, friends->pChild->pNext->cType);
    });
}

TEST_F(DragDropTest, AFolderMovesWithItsWholeSubtreeInOrder)
{
    ADTDATA* deep = store.AddData(ADT_FOLDER, "Deep", nullptr, sub, PLACE_CHILD);
    store.AddData(ADT_ADDR, "E", "e@x", deep, PLACE_CHILD);
    store.AddData(ADT_ADDR, "D", "d@x", deep, PLACE_BEFORE);
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        Drop(ui, window, friends, work, Where::Middle);
        EXPECT_EQ(nullptr, book->pChild);
        ADTDATA* moved = work->pLastChild;
        EXPECT_EQ("友人[A,B,C,Sub[D,Deep[E]]]", Subtree(moved));
        EXPECT_EQ(Subtree(moved), ShownSubtree(window, moved->hItem));
        EXPECT_EQ("仕事[Boss,友人[A,B,C,Sub[D,Deep[E]]]]", ShownSubtree(window, work->hItem));
    });
}

TEST_F(DragDropTest, BooksTakeAddressesInsideButNotLevelWithThem)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        DragOver(window, a, work, Where::Top);
        PostMessageA(Tree(window), WM_LBUTTONUP, 0,
                     MAKELPARAM(PointOn(window, work, Where::Top).x, PointOn(window, work, Where::Top).y));
        SeenBox box = AnswerBox(ui);
        EXPECT_EQ("アドレスデータ又はフォルダを\nアドレスブックと同列へ移動させる事はできません", box.text);
        EXPECT_EQ("エラー", box.caption);
        EXPECT_EQ("error", box.icon);
        EXPECT_EQ(window, box.owner);  // the tree's box: a child's box belongs to its top-level window
        EXPECT_EQ("A,B,C,Sub", Names(friends));

        Drop(ui, window, a, work, Where::Middle);
        EXPECT_EQ("Boss,A", Names(work));
        Drop(ui, window, c, work, Where::Bottom);  // lower third of an open book with contents
        EXPECT_EQ("C,Boss,A", Names(work));
    });
}

TEST_F(DragDropTest, BooksAreReorderedAsTheyAreAndNeverNested)
{
    book->bModified = 1;  // unsaved changes travel with the book
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        DragOver(window, book, work, Where::Middle);
        POINT middle = PointOn(window, work, Where::Middle);
        PostMessageA(Tree(window), WM_LBUTTONUP, 0, MAKELPARAM(middle.x, middle.y));
        EXPECT_EQ("アドレスブックを別のアドレスブック内へはドラッグできません", AnswerBox(ui).text);

        DragOver(window, book, boss, Where::Middle);
        POINT onAddress = PointOn(window, boss, Where::Middle);
        PostMessageA(Tree(window), WM_LBUTTONUP, 0, MAKELPARAM(onAddress.x, onAddress.y));
        EXPECT_EQ("アドレスブックを別のアドレスブック内へはドラッグできません", AnswerBox(ui).text);

        Drop(ui, window, readOnly, book, Where::Top);
        Drop(ui, window, book, global, Where::Bottom);
        EXPECT_EQ("RO,仕事,社内,個人", Names(&store.m_Root));
        EXPECT_EQ("RO,仕事,社内,個人", Shown(window, nullptr));
        EXPECT_EQ(readOnly, store.FirstBook());  // moved, not copied
        EXPECT_EQ(1, readOnly->bReadOnly);
        EXPECT_EQ(frozen, readOnly->pChild);
        EXPECT_EQ(1, book->bModified);
        EXPECT_EQ(friends, book->pChild);
        std::string keys;
        for (ADTDATA* node = store.FirstBook(); node; node = node->pNext)
            keys += std::to_string(node->nOrder) + " ";
        EXPECT_EQ("10 20 30 40 ", keys);
    });
}

TEST_F(DragDropTest, NothingMovesIntoItsOwnSubtreeOrProtectedBooks)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        ADTDATA* inner = store.AddData(ADT_FOLDER, "Inner", nullptr, sub, PLACE_CHILD);
        SendMessageA(Tree(window), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(sub->hItem));
        Drop(ui, window, friends, inner, Where::Middle);
        EXPECT_EQ(friends, book->pChild);
        EXPECT_EQ(inner, sub->pChild);

        for (ADTDATA* target : {global, readOnly}) {
            DragOver(window, a, target, Where::Middle);
            POINT middle = PointOn(window, target, Where::Middle);
            PostMessageA(Tree(window), WM_LBUTTONUP, 0, MAKELPARAM(middle.x, middle.y));
            EXPECT_EQ("グローバルブック又は読み取り専用のブックへデータを挿入する事はできません", AnswerBox(ui).text);
        }
        EXPECT_EQ("A,B,C,Sub", Names(friends));
    });
}

// Each node knows the entry of its book's file that it came from; a drag within a book keeps
// that, so a merge with the file sees a move of the same entries, whose edits elsewhere
// then apply at the new place. A drag to another book, or a copy, makes new entries.
TEST_F(DragDropTest, ADragWithinABookKeepsWhichEntriesItMoves)
{
    ADTDATA* inner = store.AddData(ADT_ADDR, "In", "in@x", sub, PLACE_CHILD);
    CBookBase base;
    base.Capture(CAddrBook::FormatList(book->pChild, 0));
    base.Stamp(book);
    CBookBase readOnlyBase;
    readOnlyBase.Capture(CAddrBook::FormatList(readOnly->pChild, 0));
    readOnlyBase.Stamp(readOnly);
    uint32_t subId = sub->nBaseId;
    uint32_t innerId = inner->nBaseId;
    uint32_t bId = b->nBaseId;
    ASSERT_NE(0u, subId);
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        Drop(ui, window, sub, book, Where::Middle);
        ADTDATA* movedSub = book->pLastChild;
        EXPECT_EQ(subId, movedSub->nBaseId);
        EXPECT_EQ(innerId, movedSub->pChild->nBaseId);
        Drop(ui, window, b, movedSub, Where::Middle);
        EXPECT_EQ(bId, movedSub->pLastChild->nBaseId);
        Drop(ui, window, a, work, Where::Middle);
        EXPECT_EQ(0u, work->pLastChild->nBaseId);
        Drop(ui, window, frozen, book, Where::Middle);
        EXPECT_EQ(0u, book->pLastChild->nBaseId);
        EXPECT_NE(0u, frozen->nBaseId);
        // Meanwhile the file got B's new address: it lands on B where the drag put it. (Before
        // the window closes: its save makes what it wrote the new base.)
        MergeBook(store, book, base, "Group 友人\r\n    A: a@x\r\n    B: b2@x\r\n    C: c@x\r\n    Group Sub\r\n"
                                     "        In: in@x\r\n    End group\r\nEnd group\r\n");
        EXPECT_EQ("個人[友人[C],Sub[In,B],Frozen]", Subtree(book));
        EXPECT_STREQ("b2@x", book->pChild->pNext->pLastChild->psAddr);
    });
}

TEST_F(DragDropTest, OutOfAReadOnlyBookADropCopies)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        Drop(ui, window, frozen, friends, Where::Middle);
        EXPECT_EQ(frozen, readOnly->pChild);
        EXPECT_EQ(0, readOnly->bModified);
        EXPECT_EQ("A,B,C,Sub,Frozen", Names(friends));
        EXPECT_STREQ("f@x", friends->pLastChild->psAddr);
        EXPECT_EQ(1, book->bModified);
    });
}

TEST_F(DragDropTest, EscapeCancelsAndRestingOverAFolderOpensIt)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        HWND tree = Tree(window);
        SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(sub->hItem));
        store.AddData(ADT_ADDR, "Hidden", "h@x", sub, PLACE_CHILD);
        DragOver(window, a, sub, Where::Middle);
        EXPECT_EQ(1, dialog.m_AddrTree.m_bDragging);
        EXPECT_EQ(sub->hItem, dialog.m_AddrTree.m_hHoverItem);
        SendMessageA(tree, WM_TIMER, 1, 0);  // the hover timer fires
        EXPECT_TRUE(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(sub->hItem), TVIS_EXPANDED) &
                    TVIS_EXPANDED);

        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_ESCAPE] = 0x80;
        SetKeyboardState(keys);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        ui.Pump();
        keys[VK_ESCAPE] = 0;
        SetKeyboardState(keys);
        EXPECT_TRUE(IsWindow(window));
        EXPECT_EQ(0, dialog.m_AddrTree.m_bDragging);
        EXPECT_EQ(nullptr, GetCapture());
        EXPECT_EQ("A,B,C,Sub", Names(friends));
    });
}

}  // namespace

namespace {

// The drag's own timers never reach the control, which under Wine starts a label edit of
// the caret item on its timer 2: a drag must not rename, or rewrite, anything.
TEST_F(DragDropTest, TheDragTimersOpenNoRenameBoxAndEscapeStillCancels)
{
    book->bModified = 0;
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        HWND tree = Tree(window);
        SelectNode(window, friends);
        DragOver(window, friends, work, Where::Middle);
        Sleep(30);
        ui.Pump(4);  // the real 10 ms redraw timer fires
        EXPECT_EQ(nullptr, reinterpret_cast<HWND>(SendMessageA(tree, TVM_GETEDITCONTROL, 0, 0)));
        EXPECT_EQ(tree, GetCapture());
        dialog.m_AddrTree.OnKeyDown(27);
        ui.Pump();
        EXPECT_EQ(0, dialog.m_AddrTree.m_bDragging);
        EXPECT_EQ(nullptr, reinterpret_cast<HWND>(SendMessageA(tree, TVM_GETEDITCONTROL, 0, 0)));
    });
    EXPECT_EQ(0, book->bModified);
    EXPECT_FALSE(FileExists(folder + "a.adr"));
}

TEST_F(DragDropTest, HoldingThePointerAtAnEdgeScrollsOneRowAtATime)
{
    for (int i = 0; i < 60; ++i)
        store.AddData(ADT_ADDR, ("Many" + std::to_string(i)).c_str(), "m@x", work, PLACE_CHILD);
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        HWND tree = Tree(window);
        ADTDATA* last = work->pLastChild;
        SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(last->hItem));
        auto firstVisible = [&] {
            return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
        };
        HTREEITEM before = firstVisible();
        ASSERT_NE(book->hItem, before);

        DragOver(window, last, last, Where::Middle);
        SendMessageA(tree, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 5));  // the upper zone
        EXPECT_EQ(4, dialog.m_AddrTree.m_nScrollTimer);
        POINT cursor = {40, 8};
        ClientToScreen(tree, &cursor);
        SetCursorPos(cursor.x, cursor.y);
        SendMessageA(tree, WM_TIMER, 4, 0);
        HTREEITEM after = firstVisible();
        EXPECT_EQ(reinterpret_cast<HTREEITEM>(
                      SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PREVIOUSVISIBLE, reinterpret_cast<LPARAM>(before))),
                  after);
        SendMessageA(tree, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 60));  // out of the zone
        EXPECT_EQ(0, dialog.m_AddrTree.m_nScrollTimer);
        dialog.m_AddrTree.OnKeyDown(27);
        ui.Pump();
    });
}

}  // namespace
