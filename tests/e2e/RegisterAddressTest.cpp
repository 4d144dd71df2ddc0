#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "BoxWatcher.h"
#include "FakeHost.h"
#include "PluginModule.h"
#include "UiScript.h"

namespace {

const char kAddrDialog[] = "アドレス情報の登録・編集";
const char kWindowCaption[] = "アドレス帳 - Velmora 1.0";
const int kBookList = 14008;
const int kNameEdit = 14009;
const int kAddrEdit = 14010;

struct RegisterAddressTest : ::testing::Test {
    std::string folder = NewTestFolder("");
    CPluginModule plugin{folder};

    void SetUp() override { FakeHost::Reset(); }
    void TearDown() override
    {
        plugin.Unload();
        RemoveTestFolder(folder);
    }

    void Register(const std::function<void(CUiScript&)>& body)
    {
        CUiScript::Run([&] { return static_cast<INT_PTR>(plugin.Command(35002)); }, body);
    }
};

TEST_F(RegisterAddressTest, ThePointedAddressGoesIntoTheChosenBookAndIsSaved)
{
    ASSERT_TRUE(plugin.Load());
    FakeHost::Current().pointedAddress = "pointed@example.jp";
    Register([](CUiScript& ui) {
        HWND editor = ui.WaitForWindow("#32770", kAddrDialog);
        ASSERT_NE(nullptr, editor);
        EXPECT_EQ("pointed@example.jp", CUiScript::ItemText(editor, kAddrEdit));
        EXPECT_EQ("", CUiScript::ItemText(editor, kNameEdit));
        EXPECT_EQ(0, SendDlgItemMessageA(editor, kBookList, CB_GETCURSEL, 0, 0));  // the default book
        SetDlgItemTextA(editor, kNameEdit, "差出人");
        SetDlgItemTextA(editor, kAddrEdit, "pointed@example.jp\r\nother@example.jp\r\n");
        CUiScript::Click(editor, IDOK);
        // Then the address book opens on the books.
        HWND window = ui.WaitForWindow("#32770", kWindowCaption);
        ASSERT_NE(nullptr, window);
        EXPECT_EQ("閉じる", CUiScript::ItemText(window, 1004));
        CUiScript::Click(window, 1004);
        ui.WaitFor([&] { return !IsWindow(window); });
    });
    EXPECT_EQ(std::vector<std::string>{"EDA_GetPointedMailAdr()"}, FakeHost::Current().calls);
    std::string book = IniValue(plugin.IniPath(), "AddressBook", "book0_path");
    EXPECT_EQ("差出人: pointed@example.jp,other@example.jp\r\n", ReadFileBytes(book));
}

TEST_F(RegisterAddressTest, WithoutALocalBookTheRegistrationIsRefused)
{
    WritePrivateProfileStringA("AddressBook", "num", "1", plugin.IniPath().c_str());
    WritePrivateProfileStringA("AddressBook", "book0_type", "global", plugin.IniPath().c_str());
    WritePrivateProfileStringA("AddressBook", "book0_name", "社内", plugin.IniPath().c_str());
    ASSERT_TRUE(plugin.Load());
    CBoxWatcher watcher;
    Register([](CUiScript& ui) {
        HWND editor = ui.WaitForWindow("#32770", kAddrDialog);
        ASSERT_NE(nullptr, editor);
        EXPECT_EQ("", CUiScript::ItemText(editor, kAddrEdit));  // no address under the pointer
        CUiScript::Click(editor, IDOK);
        ui.WaitFor([&] { return !IsWindow(editor); });
    });
    ASSERT_EQ(1u, watcher.boxes.size());
    EXPECT_EQ("不正なブックが選択されています", watcher.boxes[0].text);
    EXPECT_EQ("エラー", watcher.boxes[0].caption);
    EXPECT_EQ("error", watcher.boxes[0].icon);
    EXPECT_EQ(nullptr, watcher.boxes[0].owner);
}

TEST_F(RegisterAddressTest, CancellingAddsNothingAndOpensNothing)
{
    ASSERT_TRUE(plugin.Load());
    FakeHost::Current().pointedAddress = "x@example.jp";
    Register([](CUiScript& ui) {
        HWND editor = ui.WaitForWindow("#32770", kAddrDialog);
        ASSERT_NE(nullptr, editor);
        CUiScript::Click(editor, IDCANCEL);
        ui.WaitFor([&] { return !IsWindow(editor); });
        EXPECT_EQ(nullptr, ui.WaitForWindow("#32770", kWindowCaption, 300));
    });
    plugin.Unload();
    EXPECT_EQ("", ReadFileBytes(IniValue(plugin.IniPath(), "AddressBook", "book0_path")));
}

}  // namespace
