#include "WindowFixture.h"
#include <ctime>
#include "BoxWatcher.h"
#include "dialogs/BookEditDlg.h"
#include "framework/PathName.h"

namespace {

const int kFileNameEdit = 0x47C;  // the save dialog's file name box

struct BookEditDlgTest : WindowFixture {
    // Runs the dialog while body drives it; the dialog is closed before the test ends.
    static INT_PTR Run(CBookEditDlg& dialog, const std::function<void(CUiScript&, HWND)>& body)
    {
        return CUiScript::Run([&] { return dialog.DoModal(); },
                              [&](CUiScript& ui) {
                                  HWND window = ui.WaitForWindow("#32770", "アドレスブックの登録・編集");
                                  ASSERT_NE(nullptr, window);
                                  body(ui, window);
                                  if (IsWindow(window)) {
                                      PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
                                      ui.WaitFor([&] { return !IsWindow(window); });
                                  }
                              });
    }

    static std::string ModuleFolder() { return PathFolder(ModuleFileName(GetModuleHandleA(nullptr))); }

    // A new book's file: eight upper-case hexadecimal digits and ".adr" in the module's folder.
    static bool IsProposedPath(const std::string& path)
    {
        std::string folder = ModuleFolder();
        if (path.size() != folder.size() + 12 || path.compare(0, folder.size(), folder) != 0)
            return false;
        std::string name = path.substr(folder.size());
        return name.find_first_not_of("0123456789ABCDEF") == 8 && name.substr(8) == ".adr";
    }

    // Radio buttons change by a real click, which checks them and notifies the dialog.
    static void ClickRadio(CUiScript& ui, HWND window, int id)
    {
        SendDlgItemMessageA(window, id, BM_CLICK, 0, 0);
        ui.Pump();
    }

    static bool Checked(HWND window, int id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; }
    static bool Enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }
    static bool ReadOnly(HWND window, int id) { return (GetWindowLongA(GetDlgItem(window, id), GWL_STYLE) & ES_READONLY) != 0; }

    // Presses OK; returns the text of the box it brought up, or "" when the dialog ended.
    static std::string PressOK(CUiScript& ui, HWND window, CBoxWatcher& boxes)
    {
        size_t seen = boxes.boxes.size();
        CUiScript::Click(window, IDOK);
        ui.WaitFor([&] { return boxes.boxes.size() > seen || !IsWindow(window); });
        if (boxes.boxes.size() == seen)
            return "";
        const SeenBox& box = boxes.boxes.back();
        EXPECT_EQ("velmora", box.caption);
        EXPECT_EQ("warning", box.icon);
        EXPECT_EQ("OK", box.buttons);
        EXPECT_EQ(window, box.owner);
        ui.WaitFor([&] { return IsWindowEnabled(window) != FALSE; });  // the box is answered and gone
        return box.text;
    }

    struct SaveDialogSearch {
        HWND owner;
        HWND found;
    };

    static BOOL CALLBACK VisitForSaveDialog(HWND candidate, LPARAM param)
    {
        SaveDialogSearch* search = reinterpret_cast<SaveDialogSearch*>(param);
        if (IsWindowVisible(candidate) && GetWindow(candidate, GW_OWNER) == search->owner &&
            GetDlgItem(candidate, kFileNameEdit))
            search->found = candidate;
        return !search->found;
    }

    // The save dialog that the browse button opened over the book dialog.
    static HWND WaitForSaveDialog(CUiScript& ui, HWND window)
    {
        SaveDialogSearch search = {window, nullptr};
        ui.WaitFor([&] {
            EnumThreadWindows(GetCurrentThreadId(), VisitForSaveDialog, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        });
        return search.found;
    }
};

TEST_F(BookEditDlgTest, NewBookIsLocalWithAFreshFileBesideTheModule)
{
    // Files that other books use for the next few seconds are never proposed again.
    std::time_t now = std::time(nullptr);
    std::vector<std::string> taken;
    for (int i = 0; i < 4; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%08lX.adr", static_cast<unsigned long>(now + i));
        taken.push_back(ModuleFolder() + name);
        store.AddData(ADT_LOCAL_BOOK, ("Book" + std::to_string(i)).c_str(), taken.back().c_str(), nullptr, 0);
    }

    CBookEditDlg dialog(nullptr, store);
    std::string proposed;
    CBoxWatcher boxes;
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        EXPECT_EQ("新しいブック", CUiScript::ItemText(window, IDC_BOOK_NAME));
        EXPECT_TRUE(Checked(window, IDC_BOOK_LOCAL));
        EXPECT_FALSE(Checked(window, IDC_BOOK_GLOBAL));
        EXPECT_TRUE(Enabled(window, IDC_BOOK_LOCAL) && Enabled(window, IDC_BOOK_GLOBAL));
        EXPECT_TRUE(Enabled(window, IDC_BOOK_FILE) && Enabled(window, IDC_BOOK_BROWSE));
        EXPECT_FALSE(Enabled(window, IDC_BOOK_URL));
        EXPECT_FALSE(ReadOnly(window, IDC_BOOK_FILE));
        proposed = CUiScript::ItemText(window, IDC_BOOK_FILE);
        EXPECT_TRUE(IsProposedPath(proposed)) << proposed;
        for (const std::string& path : taken)
            EXPECT_NE(path, proposed);
        // A name typed without a folder is kept beside the module, whatever the current folder.
        SetDlgItemTextA(window, IDC_BOOK_FILE, "family.adr");
        EXPECT_EQ("", PressOK(ui, window, boxes));
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(0, dialog.m_nType);
    EXPECT_EQ("新しいブック", dialog.m_strBookName);
    EXPECT_EQ(ModuleFolder() + "family.adr", dialog.m_strFile);
    EXPECT_EQ("", dialog.m_strUrl);
}

TEST_F(BookEditDlgTest, GlobalBookNeedsAUrlAndLocalPassesAgain)
{
    CBookEditDlg dialog(nullptr, store);
    CBoxWatcher boxes;
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        ClickRadio(ui, window, IDC_BOOK_GLOBAL);
        EXPECT_TRUE(Checked(window, IDC_BOOK_GLOBAL));
        EXPECT_TRUE(Enabled(window, IDC_BOOK_URL));
        EXPECT_FALSE(Enabled(window, IDC_BOOK_FILE));
        EXPECT_FALSE(Enabled(window, IDC_BOOK_BROWSE));
        EXPECT_EQ("グローバルブックのURLが指定されていません", PressOK(ui, window, boxes));
        ASSERT_TRUE(IsWindow(window));

        ClickRadio(ui, window, IDC_BOOK_LOCAL);
        EXPECT_FALSE(Enabled(window, IDC_BOOK_URL));
        EXPECT_TRUE(Enabled(window, IDC_BOOK_FILE) && Enabled(window, IDC_BOOK_BROWSE));
        EXPECT_EQ("", PressOK(ui, window, boxes));
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(0, dialog.m_nType);
    EXPECT_TRUE(IsProposedPath(dialog.m_strFile)) << dialog.m_strFile;
}

TEST_F(BookEditDlgTest, GlobalBookTakesItsUrl)
{
    CBookEditDlg dialog(nullptr, store);
    CBoxWatcher boxes;
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        SetDlgItemTextA(window, IDC_BOOK_NAME, "共有");
        // A bare notification, as a keyboard shortcut or another program may send it: the
        // radio buttons follow the type, so the type read back on OK is the one checked.
        CUiScript::Click(window, IDC_BOOK_GLOBAL);
        ui.Pump();
        EXPECT_TRUE(Checked(window, IDC_BOOK_GLOBAL));
        EXPECT_FALSE(Checked(window, IDC_BOOK_LOCAL));
        SetDlgItemTextA(window, IDC_BOOK_URL, "http://example.jp/book");
        EXPECT_EQ("", PressOK(ui, window, boxes));
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(1, dialog.m_nType);
    EXPECT_EQ("共有", dialog.m_strBookName);
    EXPECT_EQ("http://example.jp/book", dialog.m_strUrl);
}

TEST_F(BookEditDlgTest, EmptyFieldsAreRefusedNameFirstButBlanksPass)
{
    CBookEditDlg dialog(nullptr, store);
    CBoxWatcher boxes;
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        ClickRadio(ui, window, IDC_BOOK_GLOBAL);
        SetDlgItemTextA(window, IDC_BOOK_NAME, "");
        EXPECT_EQ("ブック名が入力されていません", PressOK(ui, window, boxes));

        SetDlgItemTextA(window, IDC_BOOK_NAME, " ");
        ClickRadio(ui, window, IDC_BOOK_LOCAL);
        SetDlgItemTextA(window, IDC_BOOK_FILE, "");
        EXPECT_EQ("ローカルブックのファイルが指定されていません", PressOK(ui, window, boxes));

        SetDlgItemTextA(window, IDC_BOOK_FILE, " ");
        EXPECT_EQ("", PressOK(ui, window, boxes));
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ(" ", dialog.m_strBookName);
    EXPECT_EQ(" ", dialog.m_strFile);
}

TEST_F(BookEditDlgTest, EditingAGlobalBookOnlyRenamesIt)
{
    CBookEditDlg dialog(nullptr, store);
    dialog.m_bEdit = 1;
    dialog.m_strBookName = "Shared";
    dialog.m_strUrl = "http://example.jp/shared";
    dialog.m_nType = 1;
    CBoxWatcher boxes;
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        EXPECT_EQ("Shared", CUiScript::ItemText(window, IDC_BOOK_NAME));
        EXPECT_FALSE(ReadOnly(window, IDC_BOOK_NAME));
        EXPECT_FALSE(Enabled(window, IDC_BOOK_LOCAL) || Enabled(window, IDC_BOOK_GLOBAL));
        EXPECT_TRUE(Checked(window, IDC_BOOK_LOCAL));
        EXPECT_FALSE(Checked(window, IDC_BOOK_GLOBAL));
        EXPECT_EQ("http://example.jp/shared", CUiScript::ItemText(window, IDC_BOOK_URL));
        EXPECT_TRUE(ReadOnly(window, IDC_BOOK_URL));
        EXPECT_TRUE(ReadOnly(window, IDC_BOOK_FILE));
        EXPECT_TRUE(IsProposedPath(CUiScript::ItemText(window, IDC_BOOK_FILE)));
        EXPECT_FALSE(Enabled(window, IDC_BOOK_BROWSE));
        SetDlgItemTextA(window, IDC_BOOK_NAME, "Team");
        EXPECT_EQ("", PressOK(ui, window, boxes));
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("Team", dialog.m_strBookName);
    EXPECT_EQ("http://example.jp/shared", dialog.m_strUrl);
    EXPECT_EQ(0, dialog.m_nType);
}

TEST_F(BookEditDlgTest, EditingALocalBookKeepsItsPath)
{
    CBookEditDlg dialog(nullptr, store);
    dialog.m_bEdit = 1;
    dialog.m_strBookName = "Friends";
    dialog.m_strFile = folder + "friends.adr";
    CBoxWatcher boxes;
    INT_PTR result = Run(dialog, [&](CUiScript& ui, HWND window) {
        EXPECT_EQ(folder + "friends.adr", CUiScript::ItemText(window, IDC_BOOK_FILE));
        EXPECT_TRUE(ReadOnly(window, IDC_BOOK_FILE));
        EXPECT_FALSE(Enabled(window, IDC_BOOK_BROWSE));
        EXPECT_EQ("", PressOK(ui, window, boxes));
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("Friends", dialog.m_strBookName);
    EXPECT_EQ(folder + "friends.adr", dialog.m_strFile);
}

TEST_F(BookEditDlgTest, BrowsePutsTheChosenPathIntoTheFileEdit)
{
    CBookEditDlg dialog(nullptr, store);
    Run(dialog, [&](CUiScript& ui, HWND window) {
        std::string proposed = CUiScript::ItemText(window, IDC_BOOK_FILE);
        CUiScript::Click(window, IDC_BOOK_BROWSE);
        HWND save = WaitForSaveDialog(ui, window);
        ASSERT_NE(nullptr, save);
        EXPECT_EQ(PathFileName(proposed), CUiScript::ItemText(save, kFileNameEdit));
        SetDlgItemTextA(save, kFileNameEdit, (folder + "選んだ").c_str());
        PostMessageA(save, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(ui.WaitFor([&] { return !IsWindow(save); }));
        EXPECT_EQ(folder + "選んだ.adr", CUiScript::ItemText(window, IDC_BOOK_FILE));

        // Cancelled, it leaves the file as it was.
        CUiScript::Click(window, IDC_BOOK_BROWSE);
        save = WaitForSaveDialog(ui, window);
        ASSERT_NE(nullptr, save);
        PostMessageA(save, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(ui.WaitFor([&] { return !IsWindow(save); }));
        EXPECT_EQ(folder + "選んだ.adr", CUiScript::ItemText(window, IDC_BOOK_FILE));
    });
}

}  // namespace
