#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <array>
#include <string>
#include <vector>
#include "BoxWatcher.h"
#include "FakeHost.h"
#include "PluginModule.h"
#include "UiScript.h"

namespace {

const char kWindowCaption[] = "アドレス帳 - Velmora 1.0";
const int kCreateMail = 1003;
const int kClose = 1004;
const int kManualEntry = 1006;
const int kAddCc = 4;
const int kSendList = 14001;

using Headers = std::array<std::string, 4>;

struct AddressBookEventTest : ::testing::Test {
    std::string folder = NewTestFolder("");
    CPluginModule plugin{folder};

    void SetUp() override
    {
        FakeHost::Reset();
        ASSERT_TRUE(plugin.Load());
        FakeHost::Current().calls.clear();
    }
    void TearDown() override
    {
        plugin.Unload();
        RemoveTestFolder(folder);
    }

    // Raises the address book event with the sub-code while body drives the window.
    int Open(int subCode, const std::function<void(CUiScript&, HWND)>& body)
    {
        return static_cast<int>(CUiScript::Run([&] { return plugin.Event(1503, subCode, nullptr); },
                                               [&](CUiScript& ui) {
                                                   HWND window = ui.WaitForWindow("#32770", kWindowCaption);
                                                   ASSERT_NE(nullptr, window);
                                                   body(ui, window);
                                                   ui.WaitFor([&] { return !IsWindow(window); });
                                               }));
    }

    static std::vector<std::string> Entries(HWND window) { return CUiScript::ListTexts(GetDlgItem(window, kSendList)); }
};

TEST_F(AddressBookEventTest, WithoutHeadersNothingIsReleasedAndCancelSendsNothing)
{
    for (int subCode = 1; subCode <= 4; ++subCode) {
        FakeHost::Current().calls.clear();
        EXPECT_EQ(1, Open(subCode, [](CUiScript&, HWND window) {
            EXPECT_TRUE(Entries(window).empty());
            EXPECT_EQ("キャンセル", CUiScript::ItemText(window, kClose));
            CUiScript::Click(window, kClose);
        }));
        EXPECT_EQ((std::vector<std::string>{"EDA_GetCurAdrInfo(null,null,null,null)"}), FakeHost::Current().calls)
            << subCode;
        EXPECT_TRUE(FakeHost::Current().received.empty());
    }
}

TEST_F(AddressBookEventTest, OneHeaderIsReleasedOnceAndOkSendsAllFour)
{
    FakeHost::Current().headers = {nullptr, nullptr, nullptr, "r@example.jp"};
    Open(4, [](CUiScript& ui, HWND window) {
        EXPECT_EQ((std::vector<std::string>{"[ReplyTo] r@example.jp"}), Entries(window));
        EXPECT_EQ("*ReplyTo(&R)", CUiScript::ItemText(window, 7));
        CUiScript::Click(window, kCreateMail);
        ui.Pump();
    });
    EXPECT_EQ((std::vector<std::string>{"EDA_GetCurAdrInfo(null,null,null,null)", "EDA_ReleaseEdmaxBuffer()",
                                        "EDA_SetCurAdrInfo()"}),
              FakeHost::Current().calls);
    ASSERT_EQ(1u, FakeHost::Current().received.size());
    EXPECT_EQ((Headers{"", "", "", "r@example.jp"}), FakeHost::Current().received[0]);
    EXPECT_TRUE(FakeHost::Current().buffersOut.empty());
}

TEST_F(AddressBookEventTest, PickedRecipientsReachTheHostAsHeaderTexts)
{
    FakeHost::Current().headers = {"a@example.jp\nb@example.jp", "", nullptr, nullptr};
    Open(2, [](CUiScript& ui, HWND window) {
        EXPECT_EQ("*CC(&C)", CUiScript::ItemText(window, kAddCc));
        EXPECT_EQ("更新(&E)", CUiScript::ItemText(window, kCreateMail));
        SetDlgItemTextA(window, kManualEntry, "\"Yamada, Taro\" <taro@example.jp>, c@example.jp");
        CUiScript::Click(window, kAddCc);
        ui.Pump();
        CUiScript::Click(window, kCreateMail);
    });
    ASSERT_EQ(1u, FakeHost::Current().received.size());
    // " c@..." sorts before "\"Yamada...": a blank is the smaller first byte.
    EXPECT_EQ((Headers{"a@example.jp\nb@example.jp\n", " c@example.jp\n\"Yamada, Taro\" <taro@example.jp>\n", "", ""}),
              FakeHost::Current().received[0]);
    // An empty text was handed out too: the buffers are released.
    EXPECT_EQ("EDA_ReleaseEdmaxBuffer()", FakeHost::Current().calls[1]);
}

TEST_F(AddressBookEventTest, BrowseModeNeverAsksTheHostAndCloses)
{
    EXPECT_EQ(1, Open(0, [](CUiScript&, HWND window) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, kCreateMail)));
        EXPECT_EQ("閉じる", CUiScript::ItemText(window, kClose));
        CUiScript::Click(window, kClose);
    }));
    EXPECT_TRUE(FakeHost::Current().calls.empty());
}

TEST_F(AddressBookEventTest, BrowseModeEndedWithOkSaysMailCreationIsNotImplemented)
{
    CBoxWatcher watcher;
    Open(0, [](CUiScript&, HWND window) {
        // The button is disabled; its command still reaches the window.
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(kCreateMail, BN_CLICKED), 0);
    });
    ASSERT_EQ(1u, watcher.boxes.size());
    EXPECT_EQ("アドレスブックからメールを作成する機能は未実装です", watcher.boxes[0].text);
    EXPECT_EQ("エラー", watcher.boxes[0].caption);
    EXPECT_EQ("", watcher.boxes[0].icon);
    EXPECT_EQ("OK", watcher.boxes[0].buttons);
    EXPECT_EQ(nullptr, watcher.boxes[0].owner);
    EXPECT_TRUE(FakeHost::Current().received.empty());
}

TEST_F(AddressBookEventTest, ClosingTheWindowSavesBooksAndLayout)
{
    Open(1, [](CUiScript&, HWND window) { CUiScript::Click(window, kClose); });
    std::string ini = plugin.IniPath();
    EXPECT_EQ("1", IniValue(ini, "AddressBook", "num"));
    EXPECT_EQ("251", IniValue(ini, "config", "split"));
    EXPECT_EQ("", ReadFileBytes(IniValue(ini, "AddressBook", "book0_path")));
}

}  // namespace
