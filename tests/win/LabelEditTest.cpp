#include <cstring>
#include "WindowFixture.h"

namespace {

struct LabelEditTest : WindowFixture {
    ADTDATA* book = nullptr;
    ADTDATA* friends = nullptr;
    ADTDATA* address = nullptr;
    ADTDATA* global = nullptr;
    ADTDATA* globalFolder = nullptr;

    void SetUp() override
    {
        WindowFixture::SetUp();
        book = store.AddData(ADT_LOCAL_BOOK, "Book", (folder + "b.adr").c_str(), nullptr, 0);
        friends = store.AddData(ADT_FOLDER, "Folder", nullptr, book, PLACE_CHILD);
        address = store.AddData(ADT_ADDR, "Taro", "t@x", friends, PLACE_CHILD);
        global = store.AddData(ADT_GLOBAL_BOOK, "Shared", "http://x", nullptr, 0);
        globalFolder = store.AddData(ADT_FOLDER, "Team", nullptr, global, PLACE_CHILD);
    }

    static HWND StartEdit(HWND window, const ADTDATA* node)
    {
        return reinterpret_cast<HWND>(SendMessageA(GetDlgItem(window, IDC_ADDR_TREE), TVM_EDITLABELA, 0,
                                                   reinterpret_cast<LPARAM>(node->hItem)));
    }

    static std::string Label(HWND window, const ADTDATA* node)
    {
        char text[256] = "";
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = node->hItem;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(GetDlgItem(window, IDC_ADDR_TREE), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return text;
    }

    // Types text into the editor and ends the edit with the key, as the window passes it on.
    // The key is sent, not posted: while a posted key waits in the queue, a window of another
    // test program may take the focus, and the control then ends the edit as a rename.
    static void EndWith(CUiScript& ui, HWND window, HWND editor, const char* text, int key)
    {
        SetWindowTextA(editor, text);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[key] = 0x80;
        SetKeyboardState(keys);
        SendMessageA(window, WM_COMMAND, key == VK_RETURN ? IDOK : IDCANCEL, 0);
        ui.Pump();
        keys[key] = 0;
        SetKeyboardState(keys);
    }
};

TEST_F(LabelEditTest, AddressesAndTheContentsOfGlobalBooksAreNotRenamedInPlace)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript&, HWND window) {
        EXPECT_EQ(nullptr, StartEdit(window, address));
        EXPECT_EQ(nullptr, StartEdit(window, globalFolder));
        HWND editor = StartEdit(window, global);
        EXPECT_NE(nullptr, editor);
        EXPECT_EQ(editor, dialog.m_AddrTree.m_pEditCtrl);
        dialog.m_AddrTree.OnKeyDown(VK_ESCAPE);
        EXPECT_EQ(nullptr, dialog.m_AddrTree.m_pEditCtrl);
    });
}

TEST_F(LabelEditTest, EnterRenamesEscapeAndEmptyTextKeepTheName)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        HWND editor = StartEdit(window, friends);
        ASSERT_NE(nullptr, editor);
        EndWith(ui, window, editor, "友人たち", VK_RETURN);
        EXPECT_STREQ("友人たち", friends->psName);
        EXPECT_EQ(CAddrBook::NameHash("友人たち"), friends->nHash);
        EXPECT_EQ("友人たち", Label(window, friends));
        EXPECT_EQ(1, book->bModified);
        EXPECT_TRUE(IsWindow(window));

        book->bModified = 0;
        editor = StartEdit(window, friends);
        ASSERT_NE(nullptr, editor);
        EndWith(ui, window, editor, "Dropped", VK_ESCAPE);
        EXPECT_STREQ("友人たち", friends->psName);
        EXPECT_EQ("友人たち", Label(window, friends));
        EXPECT_TRUE(IsWindow(window));  // Esc ended the edit, not the window

        editor = StartEdit(window, book);
        ASSERT_NE(nullptr, editor);
        EndWith(ui, window, editor, "", VK_RETURN);
        EXPECT_STREQ("Book", book->psName);
        EXPECT_EQ("Book", Label(window, book));
        EXPECT_EQ(0, book->bModified);
        EXPECT_EQ(0, dialog.m_AddrTree.m_cEditEndKey);
    });
}

// A click on the label of the selected folder opens its editor when the control's timer
// (id 2 under Wine, one of the drag's ids) fires; outside a drag that timer is the control's.
TEST_F(LabelEditTest, AClickOnTheSelectedLabelOpensItsEditor)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        HWND tree = GetDlgItem(window, IDC_ADDR_TREE);
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(book->hItem));
        SelectNode(window, friends);
        RECT label;
        std::memcpy(&label, &friends->hItem, sizeof friends->hItem);
        ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&label)));
        LPARAM at = MAKELPARAM(label.left + 3, (label.top + label.bottom) / 2);
        PostMessageA(tree, WM_LBUTTONUP, 0, at);  // queued first: the drag check waits on it
        SendMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ui.Pump();
        ASSERT_EQ(0, dialog.m_AddrTree.m_bDragging);
        SendMessageA(tree, WM_TIMER, 2, 0);
        HWND editor = reinterpret_cast<HWND>(SendMessageA(tree, TVM_GETEDITCONTROL, 0, 0));
        ASSERT_NE(nullptr, editor);
        EndWith(ui, window, editor, "Dropped", VK_ESCAPE);
        EXPECT_STREQ("Folder", friends->psName);
    });
}

}  // namespace
