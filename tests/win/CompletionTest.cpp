// The manual entry's completion in the real window: characters typed into the field, the
// drop-down read row by row, keys through the window's own loop.
#include <fstream>
#include <sstream>
#include "CompletionDriver.h"
#include "WindowFixture.h"

using namespace CompletionDriver;

namespace {

struct CompletionTest : WindowFixture {
    ADTDATA* work = nullptr;
    ADTDATA* sales = nullptr;

    // 仕事[営業部[山田 太郎 <yamada@example.jp>], ヤマグチ 花子 <hanako@yamaguchi.jp>,
    //      営業部 全員 <a@x.jp, b@x.jp>]
    // 社外 (global)[Yamada, Ken <ken@example.jp>, 山田 太郎 <yamada@example.jp>]
    void SetUp() override
    {
        WindowFixture::SetUp();
        work = store.AddData(ADT_LOCAL_BOOK, "仕事", (folder + "w.adr").c_str(), nullptr, 0);
        sales = store.AddData(ADT_FOLDER, "営業部", nullptr, work, PLACE_CHILD);
        store.AddData(ADT_ADDR, "山田 太郎", "yamada@example.jp", sales, PLACE_CHILD);
        store.AddData(ADT_ADDR, "ヤマグチ 花子", "hanako@yamaguchi.jp", work, PLACE_CHILD);
        store.AddData(ADT_ADDR, "営業部 全員", "a@x.jp, b@x.jp", work, PLACE_CHILD);
        ADTDATA* outside = store.AddData(ADT_GLOBAL_BOOK, "社外", "\\\\server\\share\\outside.adr", nullptr, 0);
        store.AddData(ADT_ADDR, "Yamada, Ken", "ken@example.jp", outside, PLACE_CHILD);
        store.AddData(ADT_ADDR, "山田 太郎", "yamada@example.jp", outside, PLACE_CHILD);
    }

    static std::vector<std::string> RowsFor(CUiScript& ui, HWND window, const char* typed)
    {
        SetWindowTextA(Field(window), "");
        Type(ui, window, typed);
        return Rows(window);
    }
};

// Counts the OK commands (Enter's default button) that reach the window.
struct OkCounter {
    int count = 0;
    HWND window;
    explicit OkCounter(HWND w) : window(w) { SetWindowSubclass(window, Proc, 1, reinterpret_cast<DWORD_PTR>(this)); }
    ~OkCounter()
    {
        if (IsWindow(window))
            RemoveWindowSubclass(window, Proc, 1);
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self)
    {
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK)
            ++reinterpret_cast<OkCounter*>(self)->count;
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
};

TEST_F(CompletionTest, MatchesNamesWordsAddressesAndListsInEveryKanaAndWidthForm)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        // A name first, then addresses and domains in tree order; a person in two books once.
        EXPECT_EQ((std::vector<std::string>{"Yamada, Ken <ken@example.jp> | 社外",
                                            "山田 太郎 <yamada@example.jp> | 仕事 / 営業部",
                                            "ヤマグチ 花子 <hanako@yamaguchi.jp> | 仕事"}),
                  RowsFor(ui, window, "yam"));
        std::vector<std::string> hanako = {"ヤマグチ 花子 <hanako@yamaguchi.jp> | 仕事"};
        EXPECT_EQ(hanako, RowsFor(ui, window, "やまぐ"));
        EXPECT_EQ(hanako, RowsFor(ui, window, "ﾔﾏｸﾞﾁ"));
        EXPECT_EQ(hanako, RowsFor(ui, window, "ＨＡＮＡ"));
        EXPECT_EQ((std::vector<std::string>{"山田 太郎 <yamada@example.jp> | 仕事 / 営業部"}), RowsFor(ui, window, "太郎"));
        EXPECT_EQ((std::vector<std::string>{"山田 太郎 <yamada@example.jp> | 仕事 / 営業部",
                                            "Yamada, Ken <ken@example.jp> | 社外"}),
                  RowsFor(ui, window, "EXAMPLE.J"));
        // A list matches by its name and is taken whole; its addresses match nothing.
        EXPECT_EQ((std::vector<std::string>{"営業部 全員 <a@x.jp, …> | 仕事"}), RowsFor(ui, window, "営業"));
        Press(ui, window, VK_DOWN);
        Press(ui, window, VK_RETURN);
        EXPECT_EQ("a@x.jp,b@x.jp,", FieldText(window));
        EXPECT_TRUE(RowsFor(ui, window, "a@").empty());
        EXPECT_TRUE(RowsFor(ui, window, "zzz").empty());
    });
}

TEST_F(CompletionTest, KeysChooseTakeAndCloseAndEnterNeverReachesTheWindowWhileOpen)
{
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        OkCounter ok(window);
        Type(ui, window, "yam");
        ASSERT_EQ(3u, Rows(window).size());
        Press(ui, window, VK_DOWN);
        Press(ui, window, VK_DOWN);
        Press(ui, window, VK_UP);
        EXPECT_EQ("*Yamada, Ken <ken@example.jp> | 社外", Rows(window)[0]);
        Press(ui, window, VK_RETURN);
        EXPECT_EQ("\"Yamada, Ken\" <ken@example.jp>,", FieldText(window));
        EXPECT_TRUE(Rows(window).empty());

        // A second recipient in the same field, taken with Tab; Enter with nothing chosen
        // only closes the list (which shows no row chosen when it opens again).
        Type(ui, window, " yam");
        EXPECT_EQ("Yamada, Ken <ken@example.jp> | 社外", Rows(window)[0]);
        Press(ui, window, VK_RETURN);
        EXPECT_TRUE(Rows(window).empty());
        EXPECT_EQ(0, ok.count);
        Press(ui, window, VK_DOWN);  // opens the list with its first row chosen
        Press(ui, window, VK_DOWN);
        Press(ui, window, VK_TAB);
        EXPECT_EQ("\"Yamada, Ken\" <ken@example.jp>, 山田 太郎 <yamada@example.jp>,", FieldText(window));
        EXPECT_EQ(Field(window), GetFocus());

        // Escape closes and leaves the text; the window stays.
        Type(ui, window, "hana");
        ASSERT_EQ(1u, Rows(window).size());
        Press(ui, window, VK_ESCAPE);
        EXPECT_TRUE(Rows(window).empty());
        EXPECT_TRUE(IsWindow(window));
        EXPECT_EQ(0, ok.count);
        // With the list closed Enter is the window's, as before.
        Press(ui, window, VK_RETURN);
        EXPECT_EQ(1, ok.count);

        // A click takes a row.
        Press(ui, window, VK_DOWN);
        ClickRow(ui, window, 0);
        EXPECT_EQ("\"Yamada, Ken\" <ken@example.jp>, 山田 太郎 <yamada@example.jp>,ヤマグチ 花子 <hanako@yamaguchi.jp>,",
                  FieldText(window));
        EXPECT_EQ(Field(window), GetFocus());

        // The list closes when the field loses the focus or the window moves.
        Type(ui, window, "yam");
        EXPECT_FALSE(Rows(window).empty());
        SetFocus(GetDlgItem(window, IDC_ADDR_TREE));
        EXPECT_TRUE(Rows(window).empty());
        Type(ui, window, "a");
        EXPECT_FALSE(Rows(window).empty());
        RECT rect;
        GetWindowRect(window, &rect);
        SetWindowPos(window, nullptr, rect.left + 8, rect.top + 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EXPECT_TRUE(Rows(window).empty());

        // The field's recipients go to the send list as typed ones always did.
        SetWindowTextA(Field(window), "\"Yamada, Ken\" <ken@example.jp>, 山田 太郎 <yamada@example.jp>,");
        CUiScript::Click(window, IDC_ADD_TO);
        ui.Pump();
        EXPECT_EQ((std::vector<std::string>{"[宛先]  山田 太郎 <yamada@example.jp>",
                                            "[宛先] \"Yamada, Ken\" <ken@example.jp>"}),
                  Entries(window));
    });
    // The picks are counted in their own file beside the settings.
    std::ifstream file(folder + "velmora.picks", std::ios::binary);
    std::stringstream picks;
    picks << file.rdbuf();
    EXPECT_EQ("1\thanako@yamaguchi.jp\r\n1\tken@example.jp\r\n1\tyamada@example.jp\r\n", picks.str());
}

}  // namespace
