#include "BoxWatcher.h"
#include "WindowFixture.h"
#include "dialogs/AddrEditDlg.h"
#include "dialogs/AddrText.h"

namespace {

struct AddrEditDlgTest : WindowFixture {
    // Runs the dialog while body drives it; the dialog is closed before the test ends.
    static INT_PTR Run(CAddrEditDlg& dialog, const std::function<void(CUiScript&, HWND)>& body)
    {
        return CUiScript::Run([&] { return dialog.DoModal(); },
                              [&](CUiScript& ui) {
                                  HWND window = ui.WaitForWindow("#32770", "アドレス情報の登録・編集");
                                  ASSERT_NE(nullptr, window);
                                  body(ui, window);
                                  if (IsWindow(window)) {
                                      PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
                                      ui.WaitFor([&] { return !IsWindow(window); });
                                  }
                              });
    }

    // The book list's items, the selected one marked with "*".
    static std::string BookList(HWND window)
    {
        HWND list = GetDlgItem(window, IDC_BOOK_LIST);
        int selected = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
        int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
        std::string items;
        for (int i = 0; i < count; ++i) {
            char text[256] = "";
            SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            items += (i ? "," : "") + std::string(i == selected ? "*" : "") + text;
        }
        return items;
    }

    static void ClickOK(CUiScript& ui, HWND window)
    {
        CUiScript::Click(window, IDOK);
        ui.WaitFor([&] { return !IsWindow(window); });
    }
};

TEST_F(AddrEditDlgTest, GlobalBookFirstOffersTheLocalBooksWithNoneChosen)
{
    store.AddData(ADT_GLOBAL_BOOK, "Shared", "http://example.jp/shared", nullptr, 0);
    store.AddData(ADT_LOCAL_BOOK, "Friends", (folder + "f.adr").c_str(), nullptr, 0);
    store.AddData(ADT_GLOBAL_BOOK, "Team", "http://example.jp/team", nullptr, 0);
    store.AddData(ADT_LOCAL_BOOK, "Work", (folder + "w.adr").c_str(), nullptr, 0);

    // As the host's register command opens it: the address under the pointer preset.
    CAddrEditDlg dialog(nullptr, store);
    dialog.m_strAddr = "taro@example.jp";
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        EXPECT_EQ("Friends,Work", BookList(window));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_BOOK_LIST)));
        EXPECT_EQ("新規作成", CUiScript::ItemText(window, IDOK));
        EXPECT_EQ("", CUiScript::ItemText(window, IDC_ADDR_NAME));
        EXPECT_EQ("taro@example.jp", CUiScript::ItemText(window, IDC_ADDR_TEXT));
        ClickOK(ui, window);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("", dialog.m_strBook);
    EXPECT_EQ("", dialog.m_strName);
    EXPECT_EQ("taro@example.jp", dialog.m_strAddr);
}

TEST_F(AddrEditDlgTest, NewAddressTakesTheChosenBookAndLosesItsEmptyLines)
{
    store.AddData(ADT_LOCAL_BOOK, "Friends", (folder + "f.adr").c_str(), nullptr, 0);
    ADTDATA* work = store.AddData(ADT_LOCAL_BOOK, "Work", (folder + "w.adr").c_str(), nullptr, 0);

    CAddrEditDlg dialog(nullptr, store);
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        EXPECT_EQ("*Friends,Work", BookList(window));
        SendMessageA(GetDlgItem(window, IDC_BOOK_LIST), CB_SETCURSEL, 1, 0);
        SetDlgItemTextA(window, IDC_ADDR_NAME, "山田 太郎");
        SetDlgItemTextA(window, IDC_ADDR_TEXT, "taro@x\r\n\r\n\r\nyamada@y\r\n\r\n");
        ClickOK(ui, window);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("Work", dialog.m_strBook);
    EXPECT_EQ("山田 太郎", dialog.m_strName);
    EXPECT_EQ("taro@x\r\nyamada@y\r\n", dialog.m_strAddr);
    EXPECT_EQ("taro@x,yamada@y", ToStoredAddresses(dialog.m_strAddr));
    EXPECT_EQ(nullptr, work->pChild);  // the caller makes the node, not the dialog
}

TEST_F(AddrEditDlgTest, EditShowsTheNodeOneAddressPerLineInItsOwnBook)
{
    // "Work2" comes first and begins with "Work": the list's own search alone would show it.
    store.AddData(ADT_LOCAL_BOOK, "Work2", (folder + "w2.adr").c_str(), nullptr, 0);
    ADTDATA* work = store.AddData(ADT_LOCAL_BOOK, "Work", (folder + "w.adr").c_str(), nullptr, 0);
    ADTDATA* team = store.AddData(ADT_FOLDER, "Team", nullptr, work, PLACE_CHILD);
    // "ａ" is 0x82 0x81: with the "@" after it, its trail byte and "@" read as a full-width space.
    const char* stored = "taro@x , hanako@y　,ａ@z";
    ADTDATA* node = store.AddData(ADT_ADDR, "Taro", stored, team, PLACE_CHILD);
    work->bModified = 0;

    CAddrEditDlg dialog(nullptr, store);
    dialog.m_pEditNode = node;
    dialog.m_strName = "not shown";
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        EXPECT_EQ("Work2,*Work", BookList(window));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_BOOK_LIST)));
        EXPECT_EQ("更新", CUiScript::ItemText(window, IDOK));
        EXPECT_EQ("Taro", CUiScript::ItemText(window, IDC_ADDR_NAME));
        EXPECT_EQ("taro@x\r\nhanako@y\r\nａ@z", CUiScript::ItemText(window, IDC_ADDR_TEXT));
        SetDlgItemTextA(window, IDC_ADDR_NAME, "Taro Yamada");
        ClickOK(ui, window);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("Work", dialog.m_strBook);
    EXPECT_EQ("Taro Yamada", dialog.m_strName);
    EXPECT_EQ("taro@x,hanako@y,ａ@z", ToStoredAddresses(dialog.m_strAddr));
    EXPECT_STREQ("Taro", node->psName);
    EXPECT_STREQ(stored, node->psAddr);
    EXPECT_EQ(0, work->bModified);
}

// Return in the address box starts a new line; in the name box it ends the dialog with OK.
TEST_F(AddrEditDlgTest, ReturnKeyMakesALineInTheAddressBoxOnly)
{
    store.AddData(ADT_LOCAL_BOOK, "Friends", (folder + "f.adr").c_str(), nullptr, 0);
    CAddrEditDlg dialog(nullptr, store);
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        HWND addresses = GetDlgItem(window, IDC_ADDR_TEXT);
        SetWindowTextA(addresses, "taro@x");
        SetFocus(addresses);
        SendMessageA(addresses, EM_SETSEL, 6, 6);
        PostMessageA(addresses, WM_KEYDOWN, VK_RETURN, 1);
        ui.Pump(2);  // the loop turns the key into its character before the next one comes
        PostMessageA(addresses, WM_CHAR, 'j', 1);
        ui.Pump(2);
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ("taro@x\r\nj", CUiScript::Text(addresses));

        HWND name = GetDlgItem(window, IDC_ADDR_NAME);
        SetFocus(name);
        PostMessageA(name, WM_KEYDOWN, VK_RETURN, 1);
        ui.WaitFor([&] { return !IsWindow(window); });
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("taro@x\r\nj", dialog.m_strAddr);
}

TEST(AddrTextTest, ShownLinesBecomeOneCommaList)
{
    EXPECT_EQ("a@x,b@y", ToStoredAddresses("a@x\r\nb@y\r\n"));
    EXPECT_EQ("a@x,b@y", ToStoredAddresses("a@x\r\nb@y"));
    EXPECT_EQ("a@x,", ToStoredAddresses("a@x\r\n\r\n"));  // one trailing comma goes, no more
    EXPECT_EQ("", ToStoredAddresses("\r\n"));
    EXPECT_EQ("", ToStoredAddresses(""));
    EXPECT_EQ("a@x\nb@y", ToStoredAddresses("a@x\nb@y"));
}

TEST(AddrTextTest, StoredListLosesItsSpacesButNoShiftJisCharacter)
{
    EXPECT_EQ("a@x\r\nb@y", ToShownAddresses(" a@x ,　b@y　"));
    EXPECT_EQ("a@x\r\n\r\nb@y", ToShownAddresses("a@x,,b@y"));
    // "ａ" is 0x82 0x81: its trail byte and the "@" after it look like a full-width space.
    EXPECT_EQ("ａ@x\r\nｂ@y", ToShownAddresses("ａ@x, ｂ@y"));
    EXPECT_EQ("a\x82", ToShownAddresses("a \x82"));  // a lead byte cut off at the end stays
    EXPECT_EQ("a@x,ａ@y", ToStoredAddresses(ToShownAddresses("a@x , ａ@y")));
}

}  // namespace

namespace {

// Names the address file cannot hold are refused with the dialog kept open as typed; the
// same words in other places of a name pass.
TEST_F(AddrEditDlgTest, NamesTheFileCannotHoldAreRefused)
{
    store.AddData(ADT_LOCAL_BOOK, "Friends", (folder + "f.adr").c_str(), nullptr, 0);
    CBoxWatcher watcher;
    CAddrEditDlg dialog(nullptr, store);
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        for (const char* bad : {"Group Leader", "  end group", "END GROUP\tx", "group", "a:b", "a\r\nb"}) {
            SetDlgItemTextA(window, IDC_ADDR_NAME, bad);
            CUiScript::Click(window, IDOK);
            ui.WaitFor([&] { return watcher.boxes.size() == 1; });
            ASSERT_EQ(1u, watcher.boxes.size()) << bad;
            EXPECT_EQ("warning", watcher.boxes[0].icon);
            EXPECT_EQ(window, watcher.boxes[0].owner);
            EXPECT_TRUE(IsWindow(window)) << bad;
            EXPECT_EQ(bad, CUiScript::ItemText(window, IDC_ADDR_NAME));
            watcher.boxes.clear();
        }
        SetDlgItemTextA(window, IDC_ADDR_NAME, "Groupware 担当");
        ClickOK(ui, window);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("Groupware 担当", dialog.m_strName);
    EXPECT_TRUE(CAddrBook::IsStorableAddressName("End  group"));
}

}  // namespace
