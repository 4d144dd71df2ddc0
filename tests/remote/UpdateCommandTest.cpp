// The update command in the address book window, against the real servers: the progress
// window, the books it fills, the messages it shows, the system's credentials prompt, and
// a cancel that leaves the book as it was.
#include <windows.h>
#include <wincred.h>
#include <fstream>
#include <sstream>
#include "BoxWatcher.h"
#include "RemoteServers.h"
#include "WindowFixture.h"
#include "books/IniPath.h"
#include "remote/BookFill.h"
#include "text/Charset.h"

using namespace RemoteServers;

namespace {

const char kUpdateCaption[] = "グローバルアドレスブックの更新";
// Wine's credentials prompt: user name (a ComboBoxEx), password, the check box to keep them.
const int kPromptUser = 101;
const int kPromptPassword = 102;
const int kPromptSave = 104;

// Every trace line (OutputDebugStringA) of this process while it lives.
class CTraceCapture {
public:
    CTraceCapture()
    {
        s_pCurrent = this;
        m_hHandler = AddVectoredExceptionHandler(1, OnException);
    }
    ~CTraceCapture()
    {
        RemoveVectoredExceptionHandler(m_hHandler);
        s_pCurrent = nullptr;
    }
    std::string text;

private:
    PVOID m_hHandler;
    static CTraceCapture* s_pCurrent;
    static LONG CALLBACK OnException(EXCEPTION_POINTERS* info)
    {
        EXCEPTION_RECORD* record = info->ExceptionRecord;
        if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2 && s_pCurrent)
            s_pCurrent->text += reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        return EXCEPTION_CONTINUE_SEARCH;
    }
};
CTraceCapture* CTraceCapture::s_pCurrent = nullptr;

struct UpdateCommandTest : WindowFixture {
    void SetUp() override
    {
        WindowFixture::SetUp();
        TrustTestAuthority();
        ForgetCredentials();
    }
    void TearDown() override
    {
        ForgetCredentials();
        WindowFixture::TearDown();
    }

    static bool IsProgress(HWND window)
    {
        return CUiScript::Text(window) == kUpdateCaption && GetDlgItem(window, IDC_UPDATE_COUNT);
    }
    static bool IsPrompt(HWND window)
    {
        return GetDlgItem(window, kPromptPassword) && GetDlgItem(window, kPromptSave);
    }
    // The update as the toolbar's button starts it.
    static void StartUpdate(HWND window)
    {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(ID_BOOK_UPDATE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_TOOLBAR)));
    }
    static std::vector<std::string> Children(const ADTDATA* node)
    {
        std::vector<std::string> names;
        for (const ADTDATA* child = node->pChild; child; child = child->pNext)
            names.push_back(child->psName ? child->psName : "");
        return names;
    }
    static bool Has(const std::vector<std::string>& names, const std::string& name)
    {
        return std::find(names.begin(), names.end(), name) != names.end();
    }
};

TEST_F(UpdateCommandTest, FillsEveryGlobalBookAndNamesWhatFailed)
{
    ADTDATA* local = store.AddData(ADT_LOCAL_BOOK, "個人", (folder + "a.adr").c_str(), nullptr, 0);
    store.AddData(ADT_ADDR, "Taro", "taro@example.jp", local, PLACE_CHILD);
    ADTDATA* directory = store.AddData(ADT_GLOBAL_BOOK, "社内", Url("ldap", "LDAP_PORT", "/dc=velmora,dc=test").c_str(),
                                       nullptr, 0);
    // What the context menu added during this run goes with the update.
    store.AddData(ADT_ADDR, "新しいアドレスデータ", " ", directory, PLACE_CHILD);
    ADTDATA* file = store.AddData(ADT_GLOBAL_BOOK, "共有ファイル", (Folder() + "files\\office.adr").c_str(), nullptr, 0);
    ADTDATA* refused = store.AddData(ADT_GLOBAL_BOOK, "止まったサーバー", Url("http", "CLOSED_PORT", "/").c_str(), nullptr, 0);
    store.AddData(ADT_ADDR, "前から", "before@example.jp", refused, PLACE_CHILD);
    store.AddData(ADT_GLOBAL_BOOK, "古い形式", "gopher://127.0.0.1/book", nullptr, 0);

    CTraceCapture trace;
    std::vector<SeenBox> boxes;
    std::string progressText;
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        StartUpdate(window);
        HWND progress = ui.WaitForWindowWhere(IsProgress);
        ASSERT_NE(nullptr, progress);
        progressText = CUiScript::ItemText(progress, IDC_UPDATE_BOOK);
        // A busy machine may take its time over the directory.
        ASSERT_TRUE(ui.WaitFor([&] { return !IsWindow(progress); }, 120000));
        for (int i = 0; i < 3; ++i)
            boxes.push_back(AnswerBox(ui));
    });

    EXPECT_NE(std::string::npos, progressText.find("を読み込んでいます（")) << progressText;
    ASSERT_EQ(3u, boxes.size());
    EXPECT_EQ("エラー", boxes[0].caption);
    EXPECT_EQ("error", boxes[0].icon);
    EXPECT_NE(std::string::npos, boxes[0].text.find("グローバルブック「止まったサーバー」を更新できませんでした")) << boxes[0].text;
    EXPECT_NE(std::string::npos, boxes[0].text.find("接続を拒否されました")) << boxes[0].text;
    EXPECT_NE(std::string::npos, boxes[1].text.find("URL gopher://127.0.0.1/book を読み込めません")) << boxes[1].text;
    EXPECT_EQ(kUpdateCaption, boxes[2].caption);
    EXPECT_NE(std::string::npos, boxes[2].text.find("「社内」: 3,005 件")) << boxes[2].text;
    EXPECT_NE(std::string::npos, boxes[2].text.find("「共有ファイル」: 3 件")) << boxes[2].text;
    EXPECT_NE(std::string::npos, boxes[2].text.find("「?」に置き換えた文字: 1 文字")) << boxes[2].text;

    std::vector<std::string> top = Children(directory);
    EXPECT_FALSE(Has(top, "新しいアドレスデータ"));
    EXPECT_TRUE(Has(top, "本社"));
    EXPECT_TRUE(Has(top, "大阪支社"));
    EXPECT_TRUE(Has(top, "?野 家"));
    EXPECT_EQ(ADT_GLOBAL_BOOK, directory->cType);
    EXPECT_TRUE(Has(Children(file), "本社"));
    EXPECT_EQ(std::vector<std::string>{"前から"}, Children(refused));
    EXPECT_EQ(std::vector<std::string>{"Taro"}, Children(local));
    EXPECT_NE(std::string::npos, trace.text.find("void CAddrDlg::OnUpdateBook() \n"));
}

TEST_F(UpdateCommandTest, PromptsForCredentialsAndKeepsThemOnlyInTheCredentialStore)
{
    std::string url = Url("ldap", "LDAP_PORT", "/dc=private,dc=test");
    ADTDATA* book = store.AddData(ADT_GLOBAL_BOOK, "役員", url.c_str(), nullptr, 0);
    CTraceCapture trace;
    std::vector<SeenBox> boxes;
    std::string promptMessage;
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        for (int round = 0; round < 2; ++round) {
            StartUpdate(window);
            if (round == 0) {
                HWND prompt = ui.WaitForWindowWhere(IsPrompt);
                ASSERT_NE(nullptr, prompt);
                promptMessage = CUiScript::ItemText(prompt, 103);
                SetWindowTextA(GetDlgItem(prompt, kPromptUser), "cn=reader,dc=private,dc=test");
                SetWindowTextA(GetDlgItem(prompt, kPromptPassword), "secret");
                SendMessageA(GetDlgItem(prompt, kPromptSave), BM_SETCHECK, BST_CHECKED, 0);
                PostMessageA(prompt, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                ui.WaitFor([&] { return !IsWindow(prompt); });
            }
            ASSERT_TRUE(ui.WaitFor([&] { return !ui.WaitForWindowWhere(IsProgress, 0); }, 120000));
            boxes.push_back(AnswerBox(ui));
        }
    });
    ASSERT_EQ(2u, boxes.size());
    for (const SeenBox& box : boxes) {
        EXPECT_NE(std::string::npos, box.text.find("「役員」: 3 件")) << box.text;
        EXPECT_EQ(std::string::npos, box.text.find("secret"));
    }
    EXPECT_NE(std::string::npos, promptMessage.find("役員")) << promptMessage;
    EXPECT_NE(std::string::npos, promptMessage.find("パスワードはそのままネットワークを流れます")) << promptMessage;
    EXPECT_EQ(3u, book->nChild ? Children(book->pChild).size() : 0u);  // 役員 / three people

    CREDENTIALW* kept = nullptr;
    std::wstring target = L"Velmora:ldap://127.0.0.1:" + std::to_wstring(Port("LDAP_PORT"));
    ASSERT_TRUE(CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &kept));
    EXPECT_EQ(std::wstring(L"cn=reader,dc=private,dc=test"), kept->UserName);
    CredFree(kept);

    std::ifstream ini(g_szIniPath);
    std::stringstream settings;
    settings << ini.rdbuf();
    EXPECT_NE(std::string::npos, settings.str().find(url)) << "the book's URL is in the settings, as ever";
    EXPECT_EQ(std::string::npos, settings.str().find("secret"));
    EXPECT_EQ(std::string::npos, settings.str().find("reader"));
    EXPECT_NE(std::string::npos, trace.text.find("OnUpdateBook"));
    EXPECT_EQ(std::string::npos, trace.text.find("secret"));
}

TEST_F(UpdateCommandTest, AnAddressFileFillsItsBookWithoutATemporaryFile)
{
    ADTDATA* book = store.AddData(ADT_GLOBAL_BOOK, "共有", "", nullptr, 0);
    store.AddData(ADT_ADDR, "前から", "before@example.jp", book, PLACE_CHILD);
    FetchedBook fetched;
    fetched.bAddressFile = true;
    fetched.addressFile = "Group 本社\r\n    山田 太郎: taro@velmora.test\r\nEnd group\r\n";
    // No temporary file can be made here.
    char saved[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    SetEnvironmentVariableA("TMP", (folder + "no such folder").c_str());
    SetEnvironmentVariableA("TEMP", (folder + "no such folder").c_str());
    FillCount count = FillGlobalBook(store, book, fetched);
    SetEnvironmentVariableA("TMP", saved);
    SetEnvironmentVariableA("TEMP", saved);
    EXPECT_EQ(1, count.added);
    EXPECT_EQ(std::vector<std::string>{"本社"}, Children(book));
}

TEST_F(UpdateCommandTest, WithoutAGlobalBookTheCommandOnlyWritesItsTrace)
{
    store.AddData(ADT_LOCAL_BOOK, "個人", (folder + "a.adr").c_str(), nullptr, 0);
    CTraceCapture trace;
    CBoxWatcher watcher;
    bool progressSeen = false;
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        StartUpdate(window);
        ui.Pump(20);
        progressSeen = ui.WaitForWindowWhere(IsProgress, 0) != nullptr;
    });
    EXPECT_FALSE(progressSeen);
    EXPECT_TRUE(watcher.boxes.empty()) << watcher.boxes[0].text;
    EXPECT_NE(std::string::npos, trace.text.find("void CAddrDlg::OnUpdateBook() \n"));
}

TEST_F(UpdateCommandTest, CancelEndsAtOnceAndLeavesTheBookAsItWas)
{
    ADTDATA* book = store.AddData(ADT_GLOBAL_BOOK, "応答なし", Url("ldap", "SILENT_PORT", "/dc=velmora,dc=test").c_str(),
                                  nullptr, 0);
    store.AddData(ADT_ADDR, "前から", "before@example.jp", book, PLACE_CHILD);
    DWORD cancelled = 0;
    DWORD closed = 0;
    bool windowAnswers = false;
    CBoxWatcher watcher;
    CAddrDlg dialog(nullptr, store);
    RunWindow(dialog, [&](CUiScript& ui, HWND window) {
        StartUpdate(window);
        HWND progress = ui.WaitForWindowWhere(IsProgress);
        ASSERT_NE(nullptr, progress);
        ui.Pump(10);
        // The window goes on answering while the worker waits on the server.
        DWORD_PTR result = 0;
        windowAnswers = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
        cancelled = GetTickCount();
        CUiScript::Click(progress, IDCANCEL);
        ui.WaitFor([&] { return !IsWindow(progress); });
        closed = GetTickCount();
        ui.Pump(10);
    });
    EXPECT_TRUE(windowAnswers);
    EXPECT_LT(closed - cancelled, 1000u);
    EXPECT_EQ(std::vector<std::string>{"前から"}, Children(book));
    EXPECT_TRUE(watcher.boxes.empty()) << watcher.boxes[0].text;
}

}  // namespace
