#include <cstring>
#include "BoxWatcher.h"
#include "TestFiles.h"
#include "WindowFixture.h"
#include "window/SendListRules.h"

namespace {

const char kAddrDialog[] = "アドレス情報の登録・編集";
const char kFolderDialog[] = "フォルダの新規作成";
const char kBookDialog[] = "アドレスブックの登録・編集";
const int kBookList = 14008;
const int kNameEdit = 14009;
const int kAddrEdit = 14010;
const int kFolderEdit = 14018;
const int kBookNameEdit = 14003;
const int kGlobalRadio = 14005;
const int kUrlEdit = 14006;

struct BookCommandsTest : WindowFixture {
    ADTDATA* book = nullptr;
    ADTDATA* friends = nullptr;
    ADTDATA* taro = nullptr;
    ADTDATA* work = nullptr;
    ADTDATA* global = nullptr;
    ADTDATA* shared = nullptr;

    void SetUp() override
    {
        WindowFixture::SetUp();
        book = store.AddData(ADT_LOCAL_BOOK, "個人", (folder + "a.adr").c_str(), nullptr, 0);
        friends = store.AddData(ADT_FOLDER, "友人", nullptr, book, PLACE_CHILD);
        taro = store.AddData(ADT_ADDR, "Taro", "taro@example.jp", friends, PLACE_CHILD);
        store.AddData(ADT_ADDR, "Sub", "sub@example.jp", store.AddData(ADT_FOLDER, "Sub", nullptr, friends, PLACE_CHILD),
                      PLACE_CHILD);
        work = store.AddData(ADT_LOCAL_BOOK, "仕事", (folder + "w.adr").c_str(), nullptr, 0);
        global = store.AddData(ADT_GLOBAL_BOOK, "社内", "http://example.jp/book", nullptr, 0);
        shared = store.AddData(ADT_ADDR, "Boss", "boss@example.jp", global, PLACE_CHILD);
    }

    // Waits for a dialog, lets fill change it, and presses its button.
    static void Answer(CUiScript& ui, const char* caption, const std::function<void(HWND)>& fill, int button = IDOK)
    {
        HWND dialog = ui.WaitForWindow("#32770", caption);
        ASSERT_NE(nullptr, dialog) << caption;
        fill(dialog);
        CUiScript::Click(dialog, button);
        ui.WaitFor([&] { return !IsWindow(dialog); });
    }

    static void Command(CUiScript& ui, HWND window, int id)
    {
        PostMessageA(window, WM_COMMAND, id, 0);
        ui.Pump();
    }
};

void SelectBook(HWND dialog, const char* name)
{
    HWND list = GetDlgItem(dialog, kBookList);
    int index = static_cast<int>(SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(name)));
    SendMessageA(list, CB_SETCURSEL, index, 0);
}

TEST_F(BookCommandsTest, ANewAddressGoesLastIntoTheChosenBook)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        SelectNode(window, taro);  // the selection does not matter
        Command(ui, window, ID_ADDR_NEW);
        Answer(ui, kAddrDialog, [](HWND editor) {
            SelectBook(editor, "仕事");
            SetDlgItemTextA(editor, kNameEdit, "Hanako");
            SetDlgItemTextA(editor, kAddrEdit, "h@example.jp\r\nh2@example.jp\r\n");
        });
        ADTDATA* added = work->pChild;
        ASSERT_NE(nullptr, added);
        EXPECT_STREQ("Hanako", added->psName);
        EXPECT_STREQ("h@example.jp,h2@example.jp", added->psAddr);
        EXPECT_EQ(1, work->bModified);
        EXPECT_NE(nullptr, added->hItem);
        EXPECT_EQ(0, book->bModified);
    });
}

TEST_F(BookCommandsTest, WithoutALocalBookTheChoiceIsRefused)
{
    store.DeleteData(book);
    store.DeleteData(work);
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        Command(ui, window, ID_FOLDER_NEW);
        Answer(ui, kFolderDialog, [](HWND editor) { SetDlgItemTextA(editor, kFolderEdit, "New"); });
        SeenBox box = AnswerBox(ui, IDOK);
        EXPECT_EQ("不正なブックが選択されています", box.text);
        EXPECT_EQ("エラー", box.caption);
        EXPECT_EQ("error", box.icon);
        EXPECT_EQ(window, box.owner);
        EXPECT_EQ(nullptr, global->pChild->pNext);
    });
}

TEST_F(BookCommandsTest, EditingAnAddressReplacesNameAndAddresses)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        SelectNode(window, friends);
        Command(ui, window, ID_ADDR_EDIT);  // a folder: nothing opens
        EXPECT_EQ(nullptr, ui.WaitForWindow("#32770", kAddrDialog, 200));

        SelectNode(window, taro);
        Command(ui, window, ID_ADDR_EDIT);
        Answer(ui, kAddrDialog, [](HWND editor) {
            EXPECT_EQ("taro@example.jp", CUiScript::ItemText(editor, kAddrEdit));
            SetDlgItemTextA(editor, kNameEdit, "太郎");
            SetDlgItemTextA(editor, kAddrEdit, "t1@example.jp\r\nt2@example.jp");
        });
        EXPECT_STREQ("太郎", taro->psName);
        EXPECT_EQ(CAddrBook::NameHash("太郎"), taro->nHash);
        EXPECT_STREQ("t1@example.jp,t2@example.jp", taro->psAddr);
        EXPECT_EQ("太郎 <t1@example.jp, …>", dialog.m_AddrTree.GetItemText(taro->hItem));
        EXPECT_EQ(1, book->bModified);

        // An emptied name is no name: the send list takes the address alone.
        Command(ui, window, ID_ADDR_EDIT);
        Answer(ui, kAddrDialog, [](HWND editor) {
            SetDlgItemTextA(editor, kNameEdit, "");
            SetDlgItemTextA(editor, kAddrEdit, "t1@example.jp");
        });
        EXPECT_EQ(nullptr, taro->psName);
        EXPECT_EQ((std::vector<std::string>{"t1@example.jp"}), SendListRules::NodeEntries(taro));

        SelectNode(window, shared);
        Command(ui, window, ID_ADDR_EDIT);
        EXPECT_EQ("グローバルブックのアドレス情報を変更する事は出来ません", AnswerBox(ui, IDOK).text);
    });
}

TEST_F(BookCommandsTest, DeletingAsksFirstAndOnlyYesDeletes)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        SelectNode(window, taro);
        Command(ui, window, ID_ADDR_DELETE);
        SeenBox box = AnswerBox(ui, IDNO);
        EXPECT_EQ("「Taro」の情報を削除しますか？", box.text);
        EXPECT_EQ("確認", box.caption);
        EXPECT_EQ("warning", box.icon);
        EXPECT_EQ("Yes,No", box.buttons);
        EXPECT_EQ(taro, store.FindByName("Taro"));
        EXPECT_EQ(0, book->bModified);
        for (int contextDelete : {ID_M_ADDR_DEL, ID_M_FOLDER_DEL, ID_M_BOOK_DEL}) {
            SelectNode(window, contextDelete == ID_M_ADDR_DEL ? taro : contextDelete == ID_M_FOLDER_DEL ? friends : book);
            Command(ui, window, contextDelete);
            AnswerBox(ui, IDNO);
            EXPECT_EQ(0, book->bModified) << contextDelete;
        }

        SelectNode(window, friends);
        Command(ui, window, ID_FOLDER_DELETE);
        EXPECT_EQ("「友人」のフォルダとその下位のデータを全て削除しますか？", AnswerBox(ui, IDYES).text);
        EXPECT_EQ(nullptr, store.FindByName("Sub"));
        EXPECT_EQ(nullptr, book->pChild);
        EXPECT_EQ(1, book->bModified);
        HWND tree = GetDlgItem(window, IDC_ADDR_TREE);
        EXPECT_EQ(4u, SendMessageA(tree, TVM_GETCOUNT, 0, 0));

        SelectNode(window, shared);
        Command(ui, window, ID_ADDR_DELETE);
        EXPECT_EQ("グローバルブックのアドレス情報を削除する事は出来ません", AnswerBox(ui, IDOK).text);

        SelectNode(window, global);
        Command(ui, window, ID_BOOK_DELETE);
        EXPECT_EQ("「社内」のブックを削除しますか？\n※ブック内の全ての情報は削除されます※", AnswerBox(ui, IDYES).text);
        EXPECT_EQ(nullptr, work->pNext);
    });
    store.SaveBooks();
    EXPECT_EQ("2", IniValue("AddressBook", "num"));
}

TEST_F(BookCommandsTest, NewBooksAreAppendedLocalOnesMarkedForSaving)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        Command(ui, window, ID_BOOK_NEW);
        Answer(ui, kBookDialog, [](HWND editor) { SetDlgItemTextA(editor, kBookNameEdit, "家族"); });
        ADTDATA* local = global->pNext;
        ASSERT_NE(nullptr, local);
        EXPECT_EQ(ADT_LOCAL_BOOK, local->cType);
        EXPECT_STREQ("家族", local->psName);
        EXPECT_EQ(1, local->bModified);
        EXPECT_EQ(".adr", std::string(local->psAddr).substr(std::strlen(local->psAddr) - 4));

        Command(ui, window, ID_BOOK_NEW);
        Answer(ui, kBookDialog, [](HWND editor) {
            SetDlgItemTextA(editor, kBookNameEdit, "共有");
            PostMessageA(editor, WM_COMMAND, MAKEWPARAM(kGlobalRadio, BN_CLICKED), 0);
            SetDlgItemTextA(editor, kUrlEdit, "http://example.jp/shared");
        });
        ADTDATA* shared2 = local->pNext;
        ASSERT_NE(nullptr, shared2);
        EXPECT_EQ(ADT_GLOBAL_BOOK, shared2->cType);
        EXPECT_STREQ("http://example.jp/shared", shared2->psAddr);
        EXPECT_EQ(0, shared2->bModified);
    });
}

// A new local book never overwrites a file: another book's file is refused in the dialog,
// and a file of no book is read into the new book, which starts unmodified.
TEST_F(BookCommandsTest, ANewBookOnAnExistingFileReadsItAndNeverReplacesIt)
{
    std::string existing = folder + "old.adr";
    WriteFileBytes(existing, "A: a@example.jp\r\n");
    std::string vcard = folder + "phone.adr";
    const char card[] = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nEMAIL:a@example.jp\r\nEND:VCARD\r\n";
    WriteFileBytes(vcard, card);
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        Command(ui, window, ID_BOOK_NEW);
        HWND editor = ui.WaitForWindow("#32770", kBookDialog);
        ASSERT_NE(nullptr, editor);
        SetDlgItemTextA(editor, 14016, book->psAddr);
        CUiScript::Click(editor, IDOK);
        SeenBox refusal = AnswerBox(ui, IDOK);
        EXPECT_EQ("指定されたファイルは他のアドレスブックで使用されています", refusal.text);
        EXPECT_EQ("warning", refusal.icon);
        EXPECT_EQ(editor, refusal.owner);
        ASSERT_TRUE(IsWindow(editor));
        // A vCard file is no book's own file: it would be rewritten as an address file.
        SetDlgItemTextA(editor, 14016, vcard.c_str());
        CUiScript::Click(editor, IDOK);
        refusal = AnswerBox(ui, IDOK);
        EXPECT_NE(std::string::npos, refusal.text.find("アドレス帳のインポート")) << refusal.text;
        EXPECT_EQ(editor, refusal.owner);
        SetDlgItemTextA(editor, 14016, existing.c_str());
        CUiScript::Click(editor, IDOK);
        ui.WaitFor([&] { return !IsWindow(editor); });

        ADTDATA* added = global->pNext;
        ASSERT_NE(nullptr, added);
        EXPECT_EQ(existing, added->psAddr);
        EXPECT_EQ(0, added->bModified);
        ASSERT_NE(nullptr, added->pChild);
        EXPECT_STREQ("a@example.jp", added->pChild->psAddr);
    });
    EXPECT_EQ("A: a@example.jp\r\n", ReadFileBytes(existing));
    EXPECT_EQ(card, ReadFileBytes(vcard));
}

TEST_F(BookCommandsTest, EditingABookRenamesItAndKeepsItsKind)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        SelectNode(window, global);
        Command(ui, window, ID_BOOK_EDIT);
        Answer(ui, kBookDialog, [](HWND editor) {
            EXPECT_EQ("http://example.jp/book", CUiScript::ItemText(editor, kUrlEdit));
            SetDlgItemTextA(editor, kBookNameEdit, "全社");
        });
        EXPECT_STREQ("全社", global->psName);
        EXPECT_EQ(ADT_GLOBAL_BOOK, global->cType);
        EXPECT_STREQ("http://example.jp/book", global->psAddr);
        EXPECT_EQ("全社", dialog.m_AddrTree.GetItemText(global->hItem));
        EXPECT_EQ(global, store.FindBookByName("全社"));
    });
}

// The import takes an address file as it is; it refuses a book's own file (however it is
// spelled) and a file of no known form, leaving both untouched; an address file that an
// editor saved as UTF-8 becomes a new Shift-JIS book file.
TEST_F(BookCommandsTest, ImportReadsAnAddressFileIntoANewBook)
{
    std::string path = folder + "取引先.adr";
    WriteFileBytes(path, "Group 会社\r\n    A: a@example.jp\r\nEnd group\r\nB: b@example.jp\r\n");
    std::string notes = folder + "notes.txt";
    WriteFileBytes(notes, "Name\tURL\r\nTaro\thttp://x.jp\r\n");
    std::string edited = folder + "edited.adr";
    WriteFileBytes(edited, "\xEF\xBB\xBF" "\xE5\xA4\xAA\xE9\x83\x8E: t@example.jp\r\n");  // 太郎 in UTF-8
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        auto import = [&](const std::string& file) {
            Command(ui, window, ID_BOOK_IMPORT);
            HWND chooser = ui.WaitForWindowWhere([](HWND window) { return GetDlgItem(window, 0x47C) != nullptr; });
            ASSERT_NE(nullptr, chooser);
            SetDlgItemTextA(chooser, 0x47C, file.c_str());
            PostMessageA(chooser, WM_COMMAND, IDOK, 0);
        };
        import(path);
        ui.WaitFor([&] { return global->pNext != nullptr; });
        ADTDATA* imported = global->pNext;
        ASSERT_NE(nullptr, imported);
        EXPECT_STREQ("取引先.adr", imported->psName);
        EXPECT_EQ(path, imported->psAddr);
        EXPECT_EQ(ADT_LOCAL_BOOK, imported->cType);
        EXPECT_EQ(0, imported->bModified);
        ASSERT_NE(nullptr, imported->pChild);
        EXPECT_STREQ("会社", imported->pChild->psName);
        EXPECT_STREQ("b@example.jp", imported->pChild->pNext->psAddr);
        EXPECT_NE(nullptr, imported->pChild->pChild->hItem);

        char shortName[MAX_PATH];
        ASSERT_NE(0u, GetShortPathNameA(path.c_str(), shortName, MAX_PATH));
        import(shortName);
        SeenBox refusal = AnswerBox(ui, IDOK);
        EXPECT_NE(std::string::npos, refusal.text.find("「取引先.adr」のファイルです")) << refusal.text;
        import(notes);
        EXPECT_EQ("エラー", AnswerBox(ui, IDOK).caption);
        EXPECT_EQ(nullptr, imported->pNext);

        import(edited);
        ui.WaitFor([&] { return imported->pNext != nullptr; });
        ADTDATA* converted = imported->pNext;
        ASSERT_NE(nullptr, converted);
        EXPECT_NE(edited, converted->psAddr);
        EXPECT_EQ(1, converted->bModified);
        ASSERT_NE(nullptr, converted->pChild);
        EXPECT_STREQ("太郎", converted->pChild->psName);
    });
    EXPECT_EQ("Name\tURL\r\nTaro\thttp://x.jp\r\n", ReadFileBytes(notes));
    EXPECT_EQ(3u, ReadFileBytes(edited).find("\xE5\xA4\xAA"));
}

TEST_F(BookCommandsTest, ContextNewAddressIsTakenBackWhenCancelled)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        SelectNode(window, work);
        Command(ui, window, ID_M_NEW_ADDR);
        Answer(ui, kAddrDialog, [](HWND) {}, IDCANCEL);
        EXPECT_EQ(nullptr, work->pChild);

        SelectNode(window, global);
        Command(ui, window, ID_M_NEW_ADDR);
        Answer(ui, kAddrDialog, [](HWND) {}, IDCANCEL);
        // A global book refuses the deletion: the new address stays.
        EXPECT_EQ("グローバルブックのアドレス情報を削除する事は出来ません", AnswerBox(ui, IDOK).text);
        ASSERT_NE(nullptr, shared->pNext);
        EXPECT_STREQ("新しいアドレスデータ", shared->pNext->psName);

        SelectNode(window, friends);
        Command(ui, window, ID_M_NEW_ADDR);
        Answer(ui, kAddrDialog, [](HWND editor) {
            SetDlgItemTextA(editor, kNameEdit, "New");
            SetDlgItemTextA(editor, kAddrEdit, "n@example.jp\r\n");
        });
        ADTDATA* added = friends->pLastChild;
        EXPECT_STREQ("New", added->psName);
        EXPECT_STREQ("n@example.jp", added->psAddr);
    });
}

TEST_F(BookCommandsTest, ContextNewFolderOpensItsLabelForEditing)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        SelectNode(window, friends);
        // Sent, not posted: the check follows at once, before another test program's window
        // can take the focus and end the edit.
        SendMessageA(window, WM_COMMAND, ID_M_NEW_FOLDER, 0);
        ADTDATA* added = friends->pLastChild;
        EXPECT_STREQ("新しいフォルダ", added->psName);
        EXPECT_EQ(ADT_FOLDER, added->cType);
        EXPECT_NE(nullptr, dialog.m_AddrTree.m_pEditCtrl);
        dialog.m_AddrTree.OnKeyDown(VK_ESCAPE);
        ui.Pump();
    });
}

TEST_F(BookCommandsTest, TheDeleteKeyInTheTreeDeletesByKind)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        SelectNode(window, work);
        static NMTVKEYDOWN key = {};
        key.hdr.hwndFrom = GetDlgItem(window, IDC_ADDR_TREE);
        key.hdr.idFrom = IDC_ADDR_TREE;
        key.hdr.code = TVN_KEYDOWN;
        key.wVKey = VK_DELETE;
        PostMessageA(window, WM_NOTIFY, IDC_ADDR_TREE, reinterpret_cast<LPARAM>(&key));
        EXPECT_EQ("「仕事」のブックを削除しますか？\n※ブック内の全ての情報は削除されます※", AnswerBox(ui, IDYES).text);
        EXPECT_EQ(global, book->pNext);
    });
}

// Right-clicks the tree with the pointer at a point of the tree's client area and returns
// the ids of the context menu that opens (empty when none does).
std::vector<UINT> RightClick(CUiScript& ui, HWND window, POINT point)
{
    HWND tree = GetDlgItem(window, IDC_ADDR_TREE);
    ClientToScreen(tree, &point);
    SetCursorPos(point.x, point.y);
    static NMHDR click = {};
    click = {tree, IDC_ADDR_TREE, static_cast<UINT>(NM_RCLICK)};
    PostMessageA(window, WM_NOTIFY, IDC_ADDR_TREE, reinterpret_cast<LPARAM>(&click));
    std::vector<UINT> ids;
    HWND popup = ui.WaitForWindow("#32768", nullptr, 500);
    if (!popup)
        return ids;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        ids.push_back(GetMenuItemID(menu, i));
    EndMenu();
    ui.WaitFor([&] { return !IsWindow(popup); });
    return ids;
}

TEST_F(BookCommandsTest, RightClickOpensTheMenuOfTheItemsKind)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        SelectNode(window, work);
        HWND tree = GetDlgItem(window, IDC_ADDR_TREE);
        RECT rect;
        std::memcpy(&rect, &global->hItem, sizeof global->hItem);
        ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect)));

        EXPECT_TRUE(RightClick(ui, window, {rect.left + 2, rect.bottom + 100}).empty());  // empty space
        EXPECT_EQ(work->hItem, reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)));

        std::vector<UINT> ids = RightClick(ui, window, {rect.left + 2, (rect.top + rect.bottom) / 2});
        EXPECT_EQ(global->hItem, reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)));
        ASSERT_FALSE(ids.empty());
        EXPECT_EQ(static_cast<UINT>(ID_M_BOOK_PROPERTY), ids.front());
        EXPECT_EQ(static_cast<UINT>(ID_M_BOOK_DEL), ids.back());
    });
}

}  // namespace
