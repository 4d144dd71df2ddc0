#include "WindowFixture.h"

namespace {

struct FindTest : WindowFixture {
    ADTDATA* book = nullptr;
    ADTDATA* friends = nullptr;
    ADTDATA* taro = nullptr;
    ADTDATA* sub = nullptr;
    ADTDATA* jiro = nullptr;
    ADTDATA* hanako = nullptr;

    // Book[Friends[Taro <taro@example.jp>,Sub[Jiro <jiro@example.jp>]],Hanako <hanako@example.jp>],
    // every book and folder closed.
    void SetUp() override
    {
        WindowFixture::SetUp();
        book = store.AddData(ADT_LOCAL_BOOK, "Book", (folder + "b.adr").c_str(), nullptr, 0);
        friends = store.AddData(ADT_FOLDER, "Friends", nullptr, book, PLACE_CHILD);
        taro = store.AddData(ADT_ADDR, "Taro", "taro@example.jp", friends, PLACE_CHILD);
        sub = store.AddData(ADT_FOLDER, "Sub", nullptr, friends, PLACE_CHILD);
        jiro = store.AddData(ADT_ADDR, "Jiro", "jiro@example.jp", sub, PLACE_CHILD);
        hanako = store.AddData(ADT_ADDR, "Hanako", "hanako@example.jp", book, PLACE_CHILD);
    }

    // A key pressed in target, with modifier (VK_CONTROL, VK_SHIFT) held when given.
    static void PressKey(CUiScript& ui, HWND target, int key, int modifier = 0)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        if (modifier)
            keys[modifier] = 0x80;
        SetKeyboardState(keys);
        PostMessageA(target, WM_KEYDOWN, key, 1);
        ui.Pump();
        keys[modifier] = 0;
        SetKeyboardState(keys);
    }

    static HTREEITEM Caret(HWND window)
    {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(GetDlgItem(window, IDC_ADDR_TREE), TVM_GETNEXTITEM, TVGN_CARET, 0));
    }

    static bool Expanded(HWND window, const ADTDATA* node)
    {
        UINT state = static_cast<UINT>(SendMessageA(GetDlgItem(window, IDC_ADDR_TREE), TVM_GETITEMSTATE,
                                                    reinterpret_cast<WPARAM>(node->hItem), TVIS_EXPANDED));
        return (state & TVIS_EXPANDED) && node->bExpand;
    }
};

std::string MenuText(HMENU menu, int position)
{
    char text[128] = "";
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

TEST_F(FindTest, TheFindMenuStandsBeforeHelp)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript&, HWND window) {
        HMENU bar = GetMenu(window);
        ASSERT_EQ(5, GetMenuItemCount(bar));
        EXPECT_EQ("検索(&S)", MenuText(bar, 3));
        EXPECT_EQ("ヘルプ(&H)", MenuText(bar, 4));
        HMENU find = GetSubMenu(bar, 3);
        std::string items;
        for (int i = 0; i < GetMenuItemCount(find); ++i)
            items += std::to_string(GetMenuItemID(find, i)) + ":" + MenuText(find, i) + "|";
        EXPECT_EQ("32820:検索(&S)...\tCtrl+F|32821:次を検索(&N)\tF3|32822:前を検索(&P)\tShift+F3|", items);
    });
}

TEST_F(FindTest, KeysAndButtonsSelectMatchesInTreeOrder)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        HWND tree = GetDlgItem(window, IDC_ADDR_TREE);
        SelectNode(window, book);
        PressKey(ui, tree, 'F', VK_CONTROL);
        HWND find = ui.WaitForWindow("#32770", "検索");
        ASSERT_NE(nullptr, find);
        EXPECT_EQ(window, GetWindow(find, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(find, IDC_FIND_NEXT_BUTTON)));
        HWND text = GetDlgItem(find, IDC_FIND_TEXT);

        SetWindowTextA(text, "RO");
        CUiScript::Click(find, IDC_FIND_NEXT_BUTTON);
        ui.Pump();
        EXPECT_EQ(taro->hItem, Caret(window));
        EXPECT_TRUE(Expanded(window, book) && Expanded(window, friends));
        PressKey(ui, text, VK_RETURN);  // the dialog's default button, through its dialog keys
        EXPECT_EQ(jiro->hItem, Caret(window));
        EXPECT_TRUE(Expanded(window, sub));
        EXPECT_EQ("", CUiScript::ItemText(find, IDC_FIND_STATUS));

        PressKey(ui, tree, VK_F3);
        EXPECT_EQ(taro->hItem, Caret(window));
        EXPECT_EQ("先頭から検索しました", CUiScript::ItemText(find, IDC_FIND_STATUS));
        PressKey(ui, GetDlgItem(window, IDC_SEND_LIST), VK_F3, VK_SHIFT);
        EXPECT_EQ(jiro->hItem, Caret(window));
        EXPECT_EQ("先頭から検索しました", CUiScript::ItemText(find, IDC_FIND_STATUS));
        CUiScript::Click(find, IDC_FIND_PREV_BUTTON);
        ui.Pump();
        EXPECT_EQ(taro->hItem, Caret(window));
        EXPECT_EQ("", CUiScript::ItemText(find, IDC_FIND_STATUS));

        // The choice of fields: an address text is no name.
        SetWindowTextA(text, "hanako@");
        CheckRadioButton(find, IDC_FIND_NAME, IDC_FIND_BOTH, IDC_FIND_NAME);
        PressKey(ui, tree, VK_F3);
        EXPECT_EQ(taro->hItem, Caret(window));
        EXPECT_EQ("見つかりません", CUiScript::ItemText(find, IDC_FIND_STATUS));
        CheckRadioButton(find, IDC_FIND_NAME, IDC_FIND_BOTH, IDC_FIND_ADDRESS);
        PressKey(ui, tree, VK_F3);
        EXPECT_EQ(hanako->hItem, Caret(window));

        // Esc closes the dialog; F3 searches again and shows it with its note.
        PressKey(ui, text, VK_ESCAPE);
        EXPECT_FALSE(IsWindowVisible(find));
        EXPECT_TRUE(IsWindow(window));
        PressKey(ui, tree, VK_F3);
        EXPECT_TRUE(IsWindowVisible(find));
        EXPECT_EQ(hanako->hItem, Caret(window));
        EXPECT_EQ("先頭から検索しました", CUiScript::ItemText(find, IDC_FIND_STATUS));
    });
}

TEST_F(FindTest, KeysBelongToTheLabelEditorWhileOneIsOpen)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        HWND tree = GetDlgItem(window, IDC_ADDR_TREE);
        SelectNode(window, book);
        HWND editor = reinterpret_cast<HWND>(
            SendMessageA(tree, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(book->hItem)));
        ASSERT_NE(nullptr, editor);
        PressKey(ui, editor, 'F', VK_CONTROL);
        PressKey(ui, editor, VK_F3);
        EXPECT_EQ(nullptr, dialog.m_FindDlg.m_hWnd);
        dialog.m_AddrTree.OnKeyDown(VK_ESCAPE);
        PressKey(ui, tree, VK_F3);  // no text yet: F3 asks for one
        EXPECT_TRUE(dialog.m_FindDlg.IsVisible());
    });
}

TEST_F(FindTest, TheDialogStaysOpenBesideTheWindowAndClosesWithIt)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        PostMessageA(window, WM_COMMAND, ID_FIND, 0);  // the menu item
        HWND find = ui.WaitForWindow("#32770", "検索");
        ASSERT_NE(nullptr, find);
        SelectNode(window, hanako);
        PostMessageA(window, WM_COMMAND, ID_APP_ABOUT, 0);
        HWND box = ui.WaitForWindow("#32770", "バージョン情報");
        ASSERT_NE(nullptr, box);
        EXPECT_FALSE(IsWindowEnabled(find));  // a box over the window holds the dialog too
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ui.WaitFor([&] { return !IsWindow(box); });
        EXPECT_TRUE(IsWindowEnabled(find));
        EXPECT_TRUE(IsWindowVisible(find));
        PostMessageA(window, WM_CLOSE, 0, 0);
        ui.WaitFor([&] { return !IsWindow(window); });
        EXPECT_FALSE(IsWindow(find));
    });
}

}  // namespace
