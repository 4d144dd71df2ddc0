#include "WindowFixture.h"
#include "dialogs/FolderEditDlg.h"

namespace {

struct FolderEditDlgTest : WindowFixture {
    // Runs the dialog while body drives it; the dialog is closed before the test ends.
    static INT_PTR Run(CFolderEditDlg& dialog, const std::function<void(CUiScript&, HWND)>& body)
    {
        return CUiScript::Run([&] { return dialog.DoModal(); },
                              [&](CUiScript& ui) {
                                  HWND window = ui.WaitForWindow("#32770", "フォルダの新規作成");
                                  ASSERT_NE(nullptr, window);
                                  body(ui, window);
                                  if (IsWindow(window)) {
                                      PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
                                      ui.WaitFor([&] { return !IsWindow(window); });
                                  }
                              });
    }

    static int ItemCount(HWND window) { return static_cast<int>(SendDlgItemMessageA(window, IDC_BOOK_LIST, CB_GETCOUNT, 0, 0)); }
    static int Selected(HWND window) { return static_cast<int>(SendDlgItemMessageA(window, IDC_BOOK_LIST, CB_GETCURSEL, 0, 0)); }

    static std::string Item(HWND window, int index)
    {
        char text[256] = "";
        SendDlgItemMessageA(window, IDC_BOOK_LIST, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
        return text;
    }
};

TEST_F(FolderEditDlgTest, OnlyGlobalBooksLeaveNothingToChoose)
{
    store.AddData(ADT_GLOBAL_BOOK, "Shared", "http://example.jp/shared", nullptr, 0);
    store.AddData(ADT_GLOBAL_BOOK, "Team", "http://example.jp/team", nullptr, 0);

    CFolderEditDlg dialog(nullptr, store);
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        EXPECT_EQ(0, ItemCount(window));
        EXPECT_EQ(CB_ERR, Selected(window));
        EXPECT_EQ("新規作成", CUiScript::ItemText(window, IDOK));
        CUiScript::Click(window, IDOK);
        ui.WaitFor([&] { return !IsWindow(window); });
    });
    // No checks of its own: the caller refuses the empty book.
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("", dialog.m_strBook);
    EXPECT_EQ("", dialog.m_strFolder);
}

TEST_F(FolderEditDlgTest, NewFolderGoesToTheChosenLocalBook)
{
    // The first book is global; the list still searches for its name, and finds the local
    // book whose name begins with it.
    store.AddData(ADT_GLOBAL_BOOK, "Shared", "http://example.jp/shared", nullptr, 0);
    ADTDATA* sharedTeam = store.AddData(ADT_LOCAL_BOOK, "Shared Team", (folder + "s.adr").c_str(), nullptr, 0);
    store.AddData(ADT_LOCAL_BOOK, "友人", (folder + "f.adr").c_str(), nullptr, 0);

    CFolderEditDlg dialog(nullptr, store);
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        ASSERT_EQ(2, ItemCount(window));
        EXPECT_EQ("Shared Team", Item(window, 0));
        EXPECT_EQ("友人", Item(window, 1));
        EXPECT_EQ(0, Selected(window));
        SendDlgItemMessageA(window, IDC_BOOK_LIST, CB_SETCURSEL, 1, 0);
        SetDlgItemTextA(window, IDC_FOLDER_NAME, "高校の同級生");
        CUiScript::Click(window, IDOK);
        ui.WaitFor([&] { return !IsWindow(window); });
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("友人", dialog.m_strBook);
    EXPECT_EQ("高校の同級生", dialog.m_strFolder);
    EXPECT_EQ(nullptr, sharedTeam->pChild);
}

}  // namespace
