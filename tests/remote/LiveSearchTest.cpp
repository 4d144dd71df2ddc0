// Completion's live search in the address book window against the real servers: slapd and
// radicale asked while the user types, a server that never answers, one that wants a
// password nobody stored, and answers to a text that is no longer in the field.
#include <windows.h>
#include <algorithm>
#include "BoxWatcher.h"
#include "CompletionDriver.h"
#include "RemoteServers.h"
#include "WindowFixture.h"
#include "window/ManualEntryCompletion.h"

using namespace CompletionDriver;
using namespace RemoteServers;

namespace {

struct LiveSearchTest : WindowFixture {
    void SetUp() override
    {
        WindowFixture::SetUp();
        TrustTestAuthority();
        ForgetCredentials();
    }

    // The pause after typing has passed.
    static void PauseEnds(CUiScript& ui, HWND window, UINT_PTR timer = CManualEntryCompletion::kSearchTimer)
    {
        SendMessageA(Popup(window), WM_TIMER, timer, 0);
        ui.Pump(1);
    }
    static bool Has(const std::vector<std::string>& rows, const std::string& part)
    {
        return std::any_of(rows.begin(), rows.end(), [&](const std::string& row) { return row.find(part) != std::string::npos; });
    }
    static bool Searching(HWND window) { return Has(Rows(window), "検索中"); }
};

TEST_F(LiveSearchTest, TheDirectoryAndTheCardDavServerAreAskedOnceTypingPauses)
{
    store.AddData(ADT_GLOBAL_BOOK, "社内", Url("ldap", "LDAP_PORT", "/dc=velmora,dc=test").c_str(), nullptr, 0);
    store.AddData(ADT_GLOBAL_BOOK, "共有", Url("http", "DAV_PORT", "/shared/office/").c_str(), nullptr, 0);
    CBoxWatcher boxes;
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        Type(ui, window, "山田 太");
        EXPECT_TRUE(Rows(window).empty());  // nothing local, and no server asked yet
        PauseEnds(ui, window);
        EXPECT_TRUE(Searching(window));
        ASSERT_TRUE(ui.WaitFor([&] { return !Searching(window); }, 30000));
        std::vector<std::string> rows = Rows(window);
        ASSERT_FALSE(rows.empty());
        EXPECT_LE(rows.size(), 10u);
        EXPECT_EQ("山田 太郎 <user00000@velmora.test> | 社内", rows[0]);
        for (const std::string& row : rows)
            EXPECT_EQ(0u, row.find("山田 太郎")) << row;
        // The same person from the second server is not listed twice.
        EXPECT_EQ(1, std::count_if(rows.begin(), rows.end(), [](const std::string& row) {
                      return row.find("<user00000@velmora.test>") != std::string::npos;
                  }));
        Press(ui, window, VK_DOWN);
        Press(ui, window, VK_RETURN);
        EXPECT_EQ("山田 太郎 <user00000@velmora.test>,", FieldText(window));

        // The typed text never breaks a filter.
        SetWindowTextA(Field(window), "*)(");
        SetFocus(Field(window));
        Type(ui, window, "\\");
        PauseEnds(ui, window);
        ASSERT_TRUE(ui.WaitFor([&] { return !Searching(window); }, 30000));
        EXPECT_TRUE(Rows(window).empty());
    });
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(LiveSearchTest, ACardDavServerIsAskedForNamesAndAddresses)
{
    store.AddData(ADT_GLOBAL_BOOK, "共有", Url("http", "DAV_PORT", "/shared/office/").c_str(), nullptr, 0);
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        Type(ui, window, "user0001");
        PauseEnds(ui, window);
        ASSERT_TRUE(ui.WaitFor([&] { return !Searching(window); }, 30000));
        std::vector<std::string> rows = Rows(window);
        ASSERT_EQ(10u, rows.size());
        for (const std::string& row : rows) {
            EXPECT_NE(std::string::npos, row.find("<user0001")) << row;
            EXPECT_NE(std::string::npos, row.find("| 共有")) << row;
        }
    });
}

TEST_F(LiveSearchTest, SilentServersPasswordsAndStaleAnswersNeverHoldTheTyping)
{
    store.AddData(ADT_GLOBAL_BOOK, "無言", Url("ldap", "SILENT_PORT", "/dc=velmora,dc=test").c_str(), nullptr, 0);
    store.AddData(ADT_GLOBAL_BOOK, "非公開", Url("ldap", "LDAP_PORT", "/dc=private,dc=test").c_str(), nullptr, 0);
    CBoxWatcher boxes;
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        Type(ui, window, "社長");
        PauseEnds(ui, window);
        ASSERT_TRUE(ui.WaitFor([&] { return Has(Rows(window), "パスワードが保存されていません"); }, 30000));
        std::vector<std::string> rows = Rows(window);
        EXPECT_TRUE(Has(rows, "検索中… | 無言"));
        EXPECT_TRUE(Has(rows, "| 非公開"));
        // The user types on while the silent server is asked.
        Type(ui, window, "x");
        EXPECT_EQ("社長x", FieldText(window));
        PauseEnds(ui, window);
        PauseEnds(ui, window, CManualEntryCompletion::kSearchTimeout);
        // A note, never a box: that it does not answer (or, on a busy machine, why its
        // connection ended first).
        rows = Rows(window);
        EXPECT_TRUE(Has(rows, "| 無言") && !Has(rows, "検索中… | 無言")) << (rows.empty() ? "" : rows[0]);
    });
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(LiveSearchTest, AnAnswerToATextNoLongerInTheFieldIsDropped)
{
    store.AddData(ADT_GLOBAL_BOOK, "社内", Url("ldap", "LDAP_PORT", "/dc=velmora,dc=test").c_str(), nullptr, 0);
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        Type(ui, window, "山田");
        SendMessageA(Popup(window), WM_TIMER, CManualEntryCompletion::kSearchTimer, 0);
        // Typed before the answer could come in: it answers "山田", which is gone.
        SendMessageW(Field(window), WM_CHAR, L'q', 1);
        ui.WaitFor([] { return false; }, 1500);
        EXPECT_FALSE(Has(Rows(window), "<user")) << (Rows(window).empty() ? "" : Rows(window)[0]);
    });
}

}  // namespace
