#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <map>
#include "TestFiles.h"
#include "WindowFixture.h"
#include "books/IniPath.h"
#include "framework/PathName.h"
#include "exchange/BookContacts.h"
#include "exchange/CsvWriter.h"

namespace {

const int kFileNameEdit = 0x47C;

// The depth of each item inserted into a tree view, in the order of the inserts (0 for an
// item at the top, or below an item inserted before the recording began).
struct InsertRecorder {
    HWND tree;
    std::map<HTREEITEM, int> depths;
    std::vector<int> order;
    explicit InsertRecorder(HWND t) : tree(t) { SetWindowSubclass(tree, Proc, 1, reinterpret_cast<DWORD_PTR>(this)); }
    ~InsertRecorder() { RemoveWindowSubclass(tree, Proc, 1); }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
    {
        if (message != TVM_INSERTITEMA && message != TVM_INSERTITEMW)
            return DefSubclassProc(hwnd, message, wParam, lParam);
        InsertRecorder* self = reinterpret_cast<InsertRecorder*>(data);
        auto parent = self->depths.find(reinterpret_cast<const TVINSERTSTRUCTA*>(lParam)->hParent);
        int depth = parent == self->depths.end() ? 0 : parent->second + 1;
        LRESULT item = DefSubclassProc(hwnd, message, wParam, lParam);
        self->depths[reinterpret_cast<HTREEITEM>(item)] = depth;
        self->order.push_back(depth);
        return item;
    }
};
const int kFileTypeCombo = 0x470;

struct BookExchangeTest : WindowFixture {
    ADTDATA* global = nullptr;

    void SetUp() override
    {
        WindowFixture::SetUp();
        store.AddData(ADT_LOCAL_BOOK, "個人", (folder + "a.adr").c_str(), nullptr, 0);
        global = store.AddData(ADT_GLOBAL_BOOK, "社内", "http://example.jp/book", nullptr, 0);
        store.AddData(ADT_ADDR, "Boss", "boss@example.jp", global, PLACE_CHILD);
    }

    // Runs a command of the menu bar, then picks path in its file dialog, with the filter
    // of index (0 first) when one is given.
    static void ChooseFile(CUiScript& ui, HWND window, int command, const std::string& path, int filter = -1)
    {
        PostMessageA(window, WM_COMMAND, command, 0);
        HWND chooser = ui.WaitForWindowWhere([](HWND found) { return GetDlgItem(found, kFileNameEdit) != nullptr; });
        ASSERT_NE(nullptr, chooser);
        if (filter >= 0) {
            HWND types = GetDlgItem(chooser, kFileTypeCombo);
            SendMessageA(types, CB_SETCURSEL, filter, 0);
            SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(kFileTypeCombo, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
        }
        SetDlgItemTextA(chooser, kFileNameEdit, path.c_str());
        PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    }

};

TEST_F(BookExchangeTest, ImportsAndExportsThroughTheFileDialogs)
{
    std::string vcard = folder + "連絡先.vcf";
    const std::string group = u8"BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:テニス部\r\n"
                              u8"MEMBER:mailto:a@example.jp\r\nMEMBER:mailto:b@example.jp\r\nEND:VCARD\r\n";
    WriteFileBytes(vcard, u8"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:山田 太郎 \U0001F600\r\nNICKNAME:やま\r\n"
                          u8"EMAIL:taro@example.jp\r\n"
                          u8"EMAIL;TYPE=WORK:taro@work.example.jp\r\nCATEGORIES:取引先/東京\r\nEND:VCARD\r\n"
                          u8"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:電話だけ\r\nTEL:03-0000-0000\r\nEND:VCARD\r\n" +
                              group + group + u8"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:切れた カード\r\nEMAIL:cut@example.jp\r\n");
    std::string phoneOnly = folder + "電話帳.vcf";
    WriteFileBytes(phoneOnly, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Phone\r\nTEL:03-0000-0000\r\nEND:VCARD\r\n");
    std::string unknown = folder + "other.csv";
    WriteFileBytes(unknown, "Nom,Courriel\r\nDupont,dupont@example.fr\r\n");
    std::string csv = folder + "書き出し.csv";
    WriteFileBytes(csv, "old contents");
    std::string card = folder + "global.vcf";
    std::string longFile = folder + "a long book name.adr";
    WriteFileBytes(longFile, "長: l@example.jp\r\n");
    store.AddBookFromFile("長い名前", longFile.c_str());
    WriteFileBytes(g_szIniPath, "[config]\r\n");
    ADTDATA* imported = nullptr;

    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        // The new item ends the book menu, after the import.
        HMENU books = GetSubMenu(GetMenu(window), 2);
        int count = GetMenuItemCount(books);
        EXPECT_EQ(ID_BOOK_IMPORT, static_cast<int>(GetMenuItemID(books, count - 2)));
        EXPECT_EQ(ID_BOOK_EXPORT, static_cast<int>(GetMenuItemID(books, count - 1)));
        char text[64] = "";
        GetMenuStringA(books, count - 1, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ("アドレス帳のエクスポート(&X)...", text);

        ChooseFile(ui, window, ID_BOOK_IMPORT, vcard);
        SeenBox summary = AnswerBox(ui, IDOK);
        EXPECT_EQ("アドレス帳のインポート", summary.caption);
        EXPECT_EQ("「連絡先.vcf」を読み込みました。\n\n読み込んだ連絡先: 3 件\n作成したアドレス: 4 件（うちグループ 1 件）\n"
                  "読み込まなかった連絡先: 1 件（メールアドレスがないもの）\n"
                  "途中で切れていたカード: 1 件（読めたところまで読み込みました）\n"
                  "　28 行目「切れた カード」\n"
                  "重複していた連絡先: 1 件（1 件にまとめました）\n"
                  "「?」に置き換えた文字: 1 文字（Shift-JIS にない文字）\n\n"
                  "保存しなかった項目: 電話番号、ニックネーム\n　（このアドレス帳は名前とメールアドレスだけを保存します）",
                  summary.text);
        imported = global->pNext->pNext;
        ASSERT_NE(nullptr, imported);
        EXPECT_STREQ("連絡先.vcf", imported->psName);
        EXPECT_EQ(ADT_LOCAL_BOOK, imported->cType);
        EXPECT_EQ(1, imported->bModified);
        EXPECT_EQ(PathFolder(ModuleFileName(nullptr)), PathFolder(imported->psAddr));
        EXPECT_FALSE(FileExists(imported->psAddr));
        ADTDATA* tokyo = imported->pChild->pChild;
        EXPECT_STREQ("東京", tokyo->psName);
        EXPECT_STREQ("山田 太郎 ?", tokyo->pChild->psName);
        EXPECT_EQ(imported->hItem, TreeView_GetSelection(GetDlgItem(window, IDC_ADDR_TREE)));

        // A file without a mail address makes no book.
        ChooseFile(ui, window, ID_BOOK_IMPORT, phoneOnly);
        SeenBox nothing = AnswerBox(ui, IDOK);
        EXPECT_EQ("warning", nothing.icon);
        EXPECT_EQ("「電話帳.vcf」には読み込めるアドレスがありません。\n\n読み込まなかった連絡先: 1 件（メールアドレスがないもの）",
                  nothing.text);
        EXPECT_EQ(nullptr, imported->pNext);

        ChooseFile(ui, window, ID_BOOK_IMPORT, unknown);
        SeenBox refusal = AnswerBox(ui, IDOK);
        EXPECT_EQ("エラー", refusal.caption);
        EXPECT_EQ("error", refusal.icon);
        EXPECT_EQ(0u, refusal.text.find("「other.csv」を読み込めません。"));
        EXPECT_EQ(nullptr, imported->pNext);

        // The book of the selected address, as CSV over an existing file: the dialog asks.
        SelectNode(window, tokyo->pChild);
        ChooseFile(ui, window, ID_BOOK_EXPORT, csv, 2);
        EXPECT_EQ("Yes,No", AnswerBox(ui, IDYES).buttons);
        EXPECT_EQ("「連絡先.vcf」を書き出しました。\n\n書き出したアドレス: 4 件\n書き出した連絡先: 3 件（うちグループ 1 件）",
                  AnswerBox(ui, IDOK).text);
        EXPECT_EQ(CCsvWriter::Write(ContactsOfBook(imported)), ReadFileBytes(csv));

        // Never onto a book's file, however it is named, nor onto the plug-in's own files.
        ChooseFile(ui, window, ID_BOOK_EXPORT, folder + "a.adr");
        EXPECT_EQ(0u, AnswerBox(ui, IDOK).text.find("ファイル:\n" + folder + "a.adr\n\nはアドレスブック「個人」のファイルです。"));
        EXPECT_FALSE(FileExists(folder + "a.adr"));
        char shortName[MAX_PATH];
        ASSERT_NE(0u, GetShortPathNameA(longFile.c_str(), shortName, MAX_PATH));
        for (const std::string& own : {std::string(shortName), std::string(g_szIniPath)}) {
            ChooseFile(ui, window, ID_BOOK_EXPORT, own);
            EXPECT_EQ("Yes,No", AnswerBox(ui, IDYES).buttons);
            EXPECT_EQ("エラー", AnswerBox(ui, IDOK).caption);
        }
        EXPECT_EQ("長: l@example.jp\r\n", ReadFileBytes(longFile));
        EXPECT_EQ("[config]\r\n", ReadFileBytes(g_szIniPath));

        // A global book, as vCard because the name typed says ".vcf", the type box untouched.
        SelectNode(window, global);
        ChooseFile(ui, window, ID_BOOK_EXPORT, card);
        AnswerBox(ui, IDOK);
        EXPECT_EQ("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Boss\r\nN:Boss;;;;\r\nEMAIL;TYPE=INTERNET:boss@example.jp\r\n"
                  "END:VCARD\r\n",
                  ReadFileBytes(card));

        // Saved into this test's folder rather than beside the test program.
        store.ReplaceAddr(imported, (folder + "imported.adr").c_str());
    });
    EXPECT_EQ("Group 取引先\r\n    Group 東京\r\n        山田 太郎 ?: taro@example.jp\r\n"
              "        山田 太郎 ?: taro@work.example.jp\r\n    End group\r\nEnd group\r\n"
              "テニス部: a@example.jp,b@example.jp\r\n切れた カード: cut@example.jp\r\n",
              ReadFileBytes(folder + "imported.adr"));
}

// The import shows the new book in one pass, as the window's open shows its books: each
// item inserted once, level by level, never as the contacts arrive from the file.
TEST_F(BookExchangeTest, ImportShowsTheNewBookInOnePass)
{
    std::string cards;
    for (int i = 0; i < 30; ++i) {
        std::string folderPath = i % 3 == 0 ? "" : i % 3 == 1 ? "東京" : "大阪/北";
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:人 " + std::to_string(i) + "\r\nEMAIL:p" + std::to_string(i) +
                 "@example.jp\r\n" + (folderPath.empty() ? "" : "CATEGORIES:" + folderPath + "\r\n") + "END:VCARD\r\n";
    }
    WriteFileBytes(folder + "cards.vcf", cards);
    WriteFileBytes(folder + "book.adr", "a: a@x\r\nGroup F\r\n    Group G\r\n        b: b@x\r\n    End group\r\n"
                                        "    c: c@x\r\nEnd group\r\nd: d@x\r\n");
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        // book, 東京, 大阪, 北 and 30 addresses; book, F, G and four addresses
        for (auto [name, items] : {std::make_pair("cards.vcf", 34), std::make_pair("book.adr", 7)}) {
            InsertRecorder inserts(GetDlgItem(window, IDC_ADDR_TREE));
            ADTDATA* last = store.m_Root.pLastChild;
            ChooseFile(ui, window, ID_BOOK_IMPORT, folder + name);
            if (std::string(name) == "cards.vcf")
                AnswerBox(ui, IDOK);
            ASSERT_TRUE(ui.WaitFor([&] { return store.m_Root.pLastChild != last; })) << name;
            ui.Pump();
            EXPECT_EQ(items, static_cast<int>(inserts.order.size())) << name;
            EXPECT_TRUE(std::is_sorted(inserts.order.begin(), inserts.order.end())) << name;
        }
        // Saved into this test's folder rather than beside the test program.
        store.ReplaceAddr(store.m_Root.pLastChild->pPrev, (folder + "cards.adr").c_str());
    });
}

}  // namespace
