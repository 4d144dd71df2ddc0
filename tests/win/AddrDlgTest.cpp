#include "WindowFixture.h"
#include <cstring>

namespace {

using Texts = std::vector<std::string>;

struct AddrDlgTest : WindowFixture {
    ADTDATA* book = nullptr;
    ADTDATA* friends = nullptr;
    ADTDATA* taro = nullptr;
    ADTDATA* hanako = nullptr;
    ADTDATA* team = nullptr;

    void SetUp() override
    {
        WindowFixture::SetUp();
        book = store.AddData(ADT_LOCAL_BOOK, "標準アドレス帳", (folder + "a.adr").c_str(), nullptr, 0);
        friends = store.AddData(ADT_FOLDER, "友人", nullptr, book, PLACE_CHILD);
        taro = store.AddData(ADT_ADDR, "Taro", "taro@example.jp", friends, PLACE_CHILD);
        hanako = store.AddData(ADT_ADDR, "花子", "hanako@example.jp", friends, PLACE_CHILD);
        ADTDATA* sub = store.AddData(ADT_FOLDER, "Sub", nullptr, friends, PLACE_CHILD);
        store.AddData(ADT_ADDR, "Deep", "deep@example.jp", sub, PLACE_CHILD);
        team = store.AddData(ADT_ADDR, "Team", "a@example.jp, b@example.jp,c@example.jp", book, PLACE_CHILD);
        store.AddData(ADT_GLOBAL_BOOK, "社内", "http://example.jp/book", nullptr, 0);
    }
};

TEST_F(AddrDlgTest, BrowseModeMarksToAndDisablesMailCreation)
{
    CAddrDlg dialog(nullptr, store);
    INT_PTR result = RunWindow(dialog, [&](CUiScript&, HWND window) {
        EXPECT_EQ("*宛先(&T)", CUiScript::ItemText(window, IDC_ADD_TO));
        EXPECT_EQ("CC(&C)", CUiScript::ItemText(window, IDC_ADD_CC));
        EXPECT_EQ("メール作成(&E)", CUiScript::ItemText(window, IDC_CREATE_MAIL));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_CREATE_MAIL)));
        EXPECT_EQ("閉じる", CUiScript::ItemText(window, IDC_CLOSE));
        EXPECT_EQ(SEND_TO, dialog.m_nSendType);
    });
    EXPECT_EQ(IDCANCEL, result);
}

TEST_F(AddrDlgTest, PickModeMarksTheButtonOfItsType)
{
    const struct {
        int type;
        int button;
        const char* label;
    } modes[] = {{SEND_TO, IDC_ADD_TO, "*宛先(&T)"},
                 {SEND_CC, IDC_ADD_CC, "*CC(&C)"},
                 {SEND_BCC, IDC_ADD_BCC, "*BCC(&B)"},
                 {SEND_REPLYTO, IDC_ADD_REPLYTO, "*ReplyTo(&R)"}};
    for (const auto& mode : modes) {
        CAddrDlg dialog(nullptr, store);
        dialog.m_nSendType = mode.type;
        RunWindow(dialog, [&](CUiScript&, HWND window) {
            EXPECT_EQ(mode.label, CUiScript::ItemText(window, mode.button));
            EXPECT_EQ("更新(&E)", CUiScript::ItemText(window, IDC_CREATE_MAIL));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_CREATE_MAIL)));
            EXPECT_EQ("キャンセル", CUiScript::ItemText(window, IDC_CLOSE));
            int marked = 0;
            for (int id : {IDC_ADD_TO, IDC_ADD_CC, IDC_ADD_BCC, IDC_ADD_REPLYTO})
                marked += CUiScript::ItemText(window, id)[0] == '*';
            EXPECT_EQ(1, marked);
        });
    }
}

TEST_F(AddrDlgTest, StartUpBuildsToolbarTreeAndHiddenColumn)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript&, HWND window) {
        HWND toolbar = GetDlgItem(window, IDC_TOOLBAR);
        ASSERT_NE(nullptr, toolbar);
        EXPECT_EQ(9, SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
        LONG style = GetWindowLongA(toolbar, GWL_STYLE);
        EXPECT_EQ(TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TRANSPARENT,
                  style & (TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TRANSPARENT | CCS_NODIVIDER));
        const int commands[] = {ID_ADDR_NEW, 0, ID_FOLDER_NEW, 0, ID_BOOK_NEW, 0, ID_BOOK_UPDATE, 0, ID_BOOK_IMPORT};
        const int images[] = {0, -1, 7, -1, 3, -1, 4, -1, 2};
        for (int i = 0; i < 9; ++i) {
            TBBUTTON button = {};
            SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
            if (commands[i] == 0) {
                EXPECT_TRUE(button.fsStyle & TBSTYLE_SEP) << i;
                continue;
            }
            EXPECT_EQ(commands[i], button.idCommand) << i;
            EXPECT_EQ(images[i], button.iBitmap) << i;
        }
        HWND list = GetDlgItem(window, IDC_SEND_LIST);
        char heading[64] = "";
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = heading;
        column.cchTextMax = sizeof heading;
        ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column)));
        EXPECT_EQ("宛先リスト", std::string(heading));
        EXPECT_EQ(440, column.cx);
        HWND tree = GetDlgItem(window, IDC_ADDR_TREE);
        EXPECT_EQ(8u, SendMessageA(tree, TVM_GETCOUNT, 0, 0));
        EXPECT_NE(nullptr, taro->hItem);
        EXPECT_NE(nullptr, reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0)));
        EXPECT_EQ(0, dialog.m_AddrTree.m_nWideNotifications);
    });
}

TEST_F(AddrDlgTest, ButtonsAddTheSelectedAddressOrTheTypedText)
{
    CAddrDlg dialog(nullptr, store);
    dialog.m_nSendType = SEND_CC;
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        SelectNode(window, taro);
        CUiScript::Click(window, IDC_ADD_TO);
        ui.Pump();
        CUiScript::Click(window, IDC_ADD_CC);  // the same address, refused
        ui.Pump();
        SelectNode(window, team);
        CUiScript::Click(window, IDC_ADD_BCC);
        ui.Pump();
        SelectNode(window, friends);  // a folder: nothing
        CUiScript::Click(window, IDC_ADD_TO);
        ui.Pump();
        TypeManual(window, "x@example.jp, y@example.jp");
        CUiScript::Click(window, IDC_ADD_REPLYTO);
        ui.Pump();
        EXPECT_EQ("", CUiScript::ItemText(window, IDC_MANUAL_ENTRY));
        EXPECT_EQ((Texts{"[宛先] Taro <taro@example.jp>", "[BCC] a@example.jp", "[BCC] b@example.jp",
                         "[BCC] c@example.jp", "[ReplyTo]  y@example.jp", "[ReplyTo] x@example.jp"}),
                  Entries(window));
    });
}

TEST_F(AddrDlgTest, AnEmptyKeyEntersOnlyAListWithoutEntriesOfItsKind)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript&, HWND window) {
        dialog.InsertSendList(SEND_BCC, "<>");
        dialog.InsertSendList(SEND_REPLYTO, " ");
        dialog.InsertSendList(SEND_TO, "x@y");
        dialog.InsertSendList(SEND_CC, "　 ");  // a full-width and a half-width space: empty key
        dialog.InsertSendList(SEND_REPLYTO, "<>");
        EXPECT_EQ((Texts{"[宛先] x@y", "[BCC] <>", "[ReplyTo]  "}), Entries(window));
    });
}

TEST_F(AddrDlgTest, OneAddressStandsOnceAmongToCcBccAndOnceAmongReplyTo)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript&, HWND window) {
        dialog.InsertSendList(SEND_TO, "N <a@x>");
        dialog.InsertSendList(SEND_CC, "a@x");         // key found in the To entry
        dialog.InsertSendList(SEND_REPLYTO, "a@x");    // another kind: accepted
        dialog.InsertSendList(SEND_REPLYTO, "M <a@x>");
        dialog.InsertSendList(SEND_TO, "longa@x");
        dialog.InsertSendList(SEND_TO, "ga@x");        // a substring of the entry before
        dialog.InsertSendList(SEND_BCC, "CC");         // no CC entry yet: accepted
        dialog.InsertSendList(SEND_CC, "c@y");
        dialog.InsertSendList(SEND_BCC, "CC2");
        dialog.InsertSendList(SEND_TO, "CC");          // found in the prefix "[CC] "
        dialog.InsertSendList(SEND_BCC, "<>");         // the empty key is found everywhere
        dialog.InsertSendList(SEND_REPLYTO, "   ");
        dialog.InsertSendList(SEND_TO, "");
        EXPECT_EQ((Texts{"[宛先] N <a@x>", "[宛先] longa@x", "[CC] c@y", "[BCC] CC", "[BCC] CC2",
                         "[ReplyTo] a@x"}),
                  Entries(window));
    });
}

TEST_F(AddrDlgTest, EntriesSortByTypeThenFirstThreeBytes)
{
    CAddrDlg dialog(nullptr, store);
    dialog.m_nSendType = SEND_TO;
    dialog.m_strTo = "zeta@x\nalpha@y";
    dialog.m_strCc = "c1@x,\"Yamada, Taro\" <t@x>";
    dialog.m_strBcc = "zz@x";
    dialog.m_strReplyTo = "r@x\r\n";
    RunWindow(dialog, [&](CUiScript&, HWND window) {
        EXPECT_EQ((Texts{"[宛先] alpha@y", "[宛先] zeta@x", "[CC] \"Yamada, Taro\" <t@x>", "[CC] c1@x",
                         "[BCC] zz@x", "[ReplyTo] r@x\r"}),
                  Entries(window));
        dialog.InsertSendList(SEND_TO, "zzz@x");
        dialog.InsertSendList(SEND_BCC, "a@b");
        EXPECT_EQ("[宛先] zzz@x", Entries(window)[2]);
        EXPECT_EQ("[BCC] a@b", Entries(window)[5]);
    });
}

TEST_F(AddrDlgTest, UpdateBuildsTheFourHeaderTextsAndSaves)
{
    CAddrDlg dialog(nullptr, store);
    dialog.m_nSendType = SEND_REPLYTO;
    INT_PTR result = RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        dialog.InsertSendList(SEND_TO, "N <a@x>");
        dialog.InsertSendList(SEND_TO, "b@y");
        dialog.InsertSendList(SEND_REPLYTO, "c@z");
        dialog.InsertSendList(SEND_REPLYTO, "d@z");
        CUiScript::Click(window, IDC_CREATE_MAIL);
        ui.WaitFor([&] { return !IsWindow(window); });
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("N <a@x>\nb@y\n", dialog.m_strTo);
    EXPECT_EQ("", dialog.m_strCc);
    EXPECT_EQ("", dialog.m_strBcc);
    EXPECT_EQ("c@z,d@z", dialog.m_strReplyTo);
    EXPECT_EQ("494", IniValue("config", "right"));
    EXPECT_EQ("2", IniValue("AddressBook", "num"));
}

}  // namespace

namespace {

// Sends a key notification of the send list as the control does.
void SendListKey(HWND window, WORD key)
{
    NMLVKEYDOWN notify = {};
    notify.hdr.hwndFrom = GetDlgItem(window, IDC_SEND_LIST);
    notify.hdr.idFrom = IDC_SEND_LIST;
    notify.hdr.code = LVN_KEYDOWN;
    notify.wVKey = key;
    SendMessageA(window, WM_NOTIFY, IDC_SEND_LIST, reinterpret_cast<LPARAM>(&notify));
}

void SetKeyDown(int key, bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[key] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

int SelectedCount(HWND window)
{
    return static_cast<int>(SendMessageA(GetDlgItem(window, IDC_SEND_LIST), LVM_GETSELECTEDCOUNT, 0, 0));
}

void SelectEntry(HWND window, int index)
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageA(GetDlgItem(window, IDC_SEND_LIST), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

TEST_F(AddrDlgTest, DeleteKeysAndButtonsRemoveEntries)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        for (const char* text : {"a@x", "b@x", "c@x", "d@x"})
            dialog.InsertSendList(SEND_TO, text);
        SendListKey(window, VK_DELETE);  // nothing selected: nothing happens
        EXPECT_EQ(4u, Entries(window).size());
        SelectEntry(window, 1);
        SelectEntry(window, 3);
        SendListKey(window, VK_DELETE);
        EXPECT_EQ((Texts{"[宛先] a@x", "[宛先] c@x"}), Entries(window));

        SetKeyDown(VK_CONTROL, true);
        SendListKey(window, 'A');
        SetKeyDown(VK_CONTROL, false);
        EXPECT_EQ(2, SelectedCount(window));
        SendListKey(window, 'A');  // without Ctrl: nothing
        CUiScript::Click(window, IDC_DELETE_ENTRY);
        ui.Pump();
        EXPECT_TRUE(Entries(window).empty());

        dialog.InsertSendList(SEND_CC, "e@x");
        dialog.InsertSendList(SEND_CC, "f@x");
        CUiScript::Click(window, IDC_DELETE_ALL);
        ui.Pump();
        EXPECT_TRUE(Entries(window).empty());
        dialog.InsertSendList(SEND_CC, "e@x");  // deleted entries no longer block
        EXPECT_EQ(1u, Entries(window).size());
    });
}

TEST_F(AddrDlgTest, FolderCommandsAddDirectOrAllAddresses)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        SelectNode(window, friends);
        PostMessageA(window, WM_COMMAND, ID_M_ADD_CC_LOCAL, 0);
        ui.Pump();
        EXPECT_EQ((Texts{"[CC] Taro <taro@example.jp>", "[CC] 花子 <hanako@example.jp>"}), Entries(window));
        PostMessageA(window, WM_COMMAND, ID_M_ADD_BCC_ALL, 0);
        ui.Pump();
        EXPECT_EQ((Texts{"[CC] Taro <taro@example.jp>", "[CC] 花子 <hanako@example.jp>",
                         "[BCC] Deep <deep@example.jp>"}),
                  Entries(window));
        SelectNode(window, taro);  // an address is no folder
        PostMessageA(window, WM_COMMAND, ID_M_ADD_TO_ALL, 0);
        PostMessageA(window, WM_COMMAND, ID_M_ADD_REPLYTO, 0);
        ui.Pump();
        EXPECT_EQ("[ReplyTo] Taro <taro@example.jp>", Entries(window).back());
        EXPECT_EQ(4u, Entries(window).size());
    });
}

// Double-clicks the tree with the pointer at point (client coordinates of the tree).
void DoubleClickTree(HWND window, POINT point)
{
    HWND tree = GetDlgItem(window, IDC_ADDR_TREE);
    RECT rect;
    GetWindowRect(tree, &rect);
    SetCursorPos(rect.left + point.x, rect.top + point.y);
    NMHDR notify = {tree, IDC_ADDR_TREE, static_cast<UINT>(NM_DBLCLK)};
    SendMessageA(window, WM_NOTIFY, IDC_ADDR_TREE, reinterpret_cast<LPARAM>(&notify));
}

TEST_F(AddrDlgTest, DoubleClickOnTheSelectedLabelAddsWithTheWindowsType)
{
    CAddrDlg dialog(nullptr, store);
    dialog.m_nSendType = SEND_BCC;
    RunWindow(dialog, [&](CUiScript&, HWND window) {
        HWND tree = GetDlgItem(window, IDC_ADDR_TREE);
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(book->hItem));
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(friends->hItem));
        SelectNode(window, taro);
        RECT label;
        std::memcpy(&label, &taro->hItem, sizeof taro->hItem);
        ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&label)));

        POINT cursor;
        SetCursorPos(123, 45);
        GetCursorPos(&cursor);
        ASSERT_EQ(123, cursor.x) << "the pointer cannot be placed here";

        DoubleClickTree(window, {label.right + 5, (label.top + label.bottom) / 2});  // right of the label
        EXPECT_TRUE(Entries(window).empty());
        DoubleClickTree(window, {label.left + 2, label.bottom + 40});  // below it
        EXPECT_TRUE(Entries(window).empty());
        DoubleClickTree(window, {label.right, label.bottom});  // edges count
        EXPECT_EQ((Texts{"[BCC] Taro <taro@example.jp>"}), Entries(window));
        SelectNode(window, friends);
        RECT folderLabel;
        std::memcpy(&folderLabel, &friends->hItem, sizeof friends->hItem);
        SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&folderLabel));
        DoubleClickTree(window, {folderLabel.left + 2, folderLabel.top + 2});  // a folder adds nothing
        EXPECT_EQ(1u, Entries(window).size());
    });
}

TEST_F(AddrDlgTest, EnterAndEscapeLeaveTheWindowOpen)
{
    CAddrDlg dialog(nullptr, store);
    INT_PTR result = RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        PostMessageA(window, WM_COMMAND, IDOK, 0);  // the menu item "メール作成 or 適用"
        ui.Pump();
        EXPECT_TRUE(IsWindow(window));
        SetKeyDown(VK_ESCAPE, true);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        ui.Pump();
        SetKeyDown(VK_ESCAPE, false);
        EXPECT_TRUE(IsWindow(window));
        EXPECT_EQ("(missing)", IniValue("config", "split"));
        PostMessageA(window, WM_CLOSE, 0, 0);  // the close box
        ui.WaitFor([&] { return !IsWindow(window); });
        EXPECT_EQ("251", IniValue("config", "split"));
        EXPECT_EQ("2", IniValue("AddressBook", "num"));
    });
    EXPECT_EQ(IDCANCEL, result);
}

TEST_F(AddrDlgTest, ExpandedBooksAndFoldersOpenAgainNextTime)
{
    for (int opening = 0; opening < 2; ++opening) {
        CAddrDlg dialog(nullptr, store);
        RunWindow(dialog, [&](CUiScript&, HWND window) {
            HWND tree = GetDlgItem(window, IDC_ADDR_TREE);
            auto expanded = [&](const ADTDATA* node) {
                return (SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node->hItem), TVIS_EXPANDED) &
                        TVIS_EXPANDED) != 0;
            };
            if (opening == 0) {
                EXPECT_FALSE(expanded(friends));
                SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(book->hItem));
                SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(friends->hItem));
                EXPECT_NE(0, book->bExpand);
                EXPECT_NE(0, friends->bExpand);
            } else {
                EXPECT_TRUE(expanded(book));
                EXPECT_TRUE(expanded(friends));
                // As the user collapses it: the left arrow key on the selected folder.
                SelectNode(window, friends);
                SendMessageA(tree, WM_KEYDOWN, VK_LEFT, 0);
                EXPECT_FALSE(expanded(friends));
                EXPECT_EQ(0, friends->bExpand);
            }
            // The pictures follow the state: open green book 2, closed pale book 7.
            NMTVDISPINFOA info = {};
            info.hdr = {tree, IDC_ADDR_TREE, static_cast<UINT>(TVN_GETDISPINFOA)};
            info.item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
            info.item.hItem = book->hItem;
            info.item.lParam = MakeItemData(ADT_LOCAL_BOOK, book->nOrder);
            info.item.state = TVIS_EXPANDED;
            SendMessageA(window, WM_NOTIFY, IDC_ADDR_TREE, reinterpret_cast<LPARAM>(&info));
            EXPECT_EQ(2, info.item.iImage);
            info.item.lParam = MakeItemData(ADT_FOLDER, 10);
            info.item.state = 0;
            SendMessageA(window, WM_NOTIFY, IDC_ADDR_TREE, reinterpret_cast<LPARAM>(&info));
            EXPECT_EQ(7, info.item.iSelectedImage);
        });
        EXPECT_EQ(nullptr, store.m_pTree);
    }
}

TEST_F(AddrDlgTest, TheVersionBoxBelongsToTheWindow)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        PostMessageA(window, WM_COMMAND, ID_APP_ABOUT, 0);
        HWND box = ui.WaitForWindow("#32770", "バージョン情報");
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(window, GetWindow(box, GW_OWNER));
        std::string text = CUiScript::ItemText(box, 0xFFFF);
        EXPECT_EQ("Velmora ver1.02\n\n", text.substr(0, 17));
        EXPECT_NE(std::string::npos, text.find("\nhttps://"));
        CUiScript::Click(box, IDOK);
        ui.WaitFor([&] { return !IsWindow(box); });
    });
}

}  // namespace
