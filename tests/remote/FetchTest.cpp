// The fetches of global books against the real servers (slapd, radicale) and the broken
// ones of servers.py: every URL form, every failure the user is told about, and the
// credentials rule.
#include <winsock2.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <wincred.h>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include "RemoteServers.h"
#include "remote/BookUrl.h"
#include "remote/DirectorySource.h"
#include "remote/FileSource.h"
#include "remote/NetworkApi.h"
#include "remote/SystemProxy.h"
#include "remote/WebSource.h"
#include "remote/WideText.h"
#include "text/Charset.h"

using namespace RemoteServers;

namespace {

const char kBase[] = "/dc=velmora,dc=test";
const size_t kPeopleWithMail = 3003;  // 3000 people and multi, outside, takahashi
const size_t kMailValues = 3005;      // multi has three

class FetchTest : public ::testing::Test {
protected:
    CScriptedHost host;

    void SetUp() override
    {
        TrustTestAuthority();
        ForgetCredentials();
    }
    void TearDown() override { ForgetCredentials(); }

    FetchedBook Fetch(const std::string& text)
    {
        FetchedBook out;
        BookUrl url = ParseBookUrl(text);
        if (url.IsDirectory())
            out.status = FetchDirectory(url, "共有", host, out.contacts);
        else if (url.IsWeb())
            FetchWeb(url, "共有", host, out);
        else
            FetchFile(url, host, out);
        return out;
    }
};

const Contact* WithAddress(const ContactList& list, const std::string& address)
{
    for (const Contact& contact : list.contacts) {
        for (const std::string& each : contact.addresses) {
            if (each == address)
                return &contact;
        }
    }
    return nullptr;
}

std::string Joined(const std::vector<std::string>& parts)
{
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "/") + part;
    return text;
}

bool Stored(const std::string& origin)
{
    PCREDENTIALW found = nullptr;
    if (!CredReadW(Utf8ToWide("Velmora:" + origin).c_str(), CRED_TYPE_GENERIC, 0, &found))
        return false;
    CredFree(found);
    return true;
}

// The cause shown to the user, in UTF-8 for the assertion messages.
std::string Cause(const FetchedBook& book)
{
    return Charset::SjisToUtf8(book.status.cause);
}

TEST_F(FetchTest, DirectoryComesWholeInPagesWithFoldersAndEveryMail)
{
    // The server returns at most 500 entries to a search that does not page.
    FetchedBook book = Fetch(Url("ldap", "LDAP_PORT", kBase));
    ASSERT_TRUE(book.status.IsOk()) << Cause(book);
    EXPECT_EQ(kMailValues, book.contacts.contacts.size());
    const Contact* nested = WithAddress(book.contacts, "user00008@velmora.test");
    ASSERT_NE(nullptr, nested);
    EXPECT_EQ(u8"本社/開発部/第一課", Joined(nested->folders));
    EXPECT_EQ(u8"小林 太郎", nested->name);
    const Contact* top = WithAddress(book.contacts, "outside@velmora.test");
    ASSERT_NE(nullptr, top);
    EXPECT_TRUE(top->folders.empty());
    EXPECT_EQ(u8"\U00020BB7野 家", top->name);
    int multi = 0;
    for (const Contact& contact : book.contacts.contacts)
        multi += contact.name == u8"複数 メール" && contact.addresses.size() == 1;
    EXPECT_EQ(3, multi);  // one node per mail value
    EXPECT_TRUE(host.asked.empty());
    EXPECT_FALSE(WithAddress(book.contacts, "nomail@velmora.test"));
}

TEST_F(FetchTest, DirectoryUrlGivesBaseScopeAndFilter)
{
    // A base below the top (percent-encoded UTF-8), one level, a filter of its own.
    FetchedBook book = Fetch(Url("ldap", "LDAP_PORT", "/ou=%E6%9C%AC%E7%A4%BE,dc=velmora,dc=test?cn?one?(uid=multi)"));
    ASSERT_TRUE(book.status.IsOk()) << Cause(book);
    ASSERT_EQ(3u, book.contacts.contacts.size());
    EXPECT_TRUE(book.contacts.contacts[0].folders.empty());
    book = Fetch(Url("ldap", "LDAP_PORT", "/ou=%E6%9C%AC%E7%A4%BE,dc=velmora,dc=test??one"));
    ASSERT_TRUE(book.status.IsOk()) << Cause(book);
    EXPECT_FALSE(WithAddress(book.contacts, "user00004@velmora.test"));  // in 営業部, a level further down
    EXPECT_TRUE(WithAddress(book.contacts, "user00001@velmora.test"));
    book = Fetch(Url("ldap", "LDAP_PORT", "/ou=nowhere,dc=velmora,dc=test"));
    EXPECT_NE(std::string::npos, Cause(book).find(u8"検索の起点（ou=nowhere,dc=velmora,dc=test）がありません"))
        << Cause(book);
    book = Fetch(Url("ldap", "LDAP_PORT", "/ou=elsewhere,dc=velmora,dc=test"));
    EXPECT_NE(std::string::npos, Cause(book).find(u8"別のディレクトリに回しました（リフェラル）")) << Cause(book);
}

TEST_F(FetchTest, LdapsWithATrustedCertificate)
{
    FetchedBook book = Fetch(Url("ldaps", "LDAPS_PORT", kBase));
    ASSERT_TRUE(book.status.IsOk()) << Cause(book);
    EXPECT_EQ(kMailValues, book.contacts.contacts.size());
}

TEST_F(FetchTest, CardDavCollectionOverHttpAndHttps)
{
    for (const std::string& url : {Url("http", "DAV_PORT", "/shared/office/"), Url("https", "DAVS_PORT", "/shared/office/")}) {
        FetchedBook book = Fetch(url);
        ASSERT_TRUE(book.status.IsOk()) << url << ": " << Cause(book);
        EXPECT_EQ(kPeopleWithMail, book.contacts.contacts.size()) << url;
        const Contact* nested = WithAddress(book.contacts, "user00008@velmora.test");
        ASSERT_NE(nullptr, nested);
        EXPECT_EQ(u8"本社/開発部/第一課", Joined(nested->folders));  // categories become folders
        const Contact* multi = WithAddress(book.contacts, "multi2@velmora.test");
        ASSERT_NE(nullptr, multi);
        EXPECT_EQ(u8"複数 メール", multi->name);
    }
    FetchedBook root = Fetch(Url("http", "DAV_PORT", "/shared/"));
    EXPECT_NE(std::string::npos, Cause(root).find(u8"アドレス帳（CardDAV）のコレクションではありません")) << Cause(root);
}

TEST_F(FetchTest, WebFilesOfEveryFormat)
{
    FetchedBook vcf = Fetch(Url("http", "FILES_PORT", "/office.vcf"));
    ASSERT_TRUE(vcf.status.IsOk()) << Cause(vcf);
    EXPECT_EQ(30u, vcf.contacts.contacts.size());
    FetchedBook csv = Fetch(Url("http", "FILES_PORT", "/office.csv"));
    ASSERT_TRUE(csv.status.IsOk()) << Cause(csv);
    EXPECT_EQ(30u, csv.contacts.contacts.size());
    ASSERT_TRUE(WithAddress(csv.contacts, "user00004@velmora.test"));
    EXPECT_EQ(u8"本社/営業部", Joined(WithAddress(csv.contacts, "user00004@velmora.test")->folders));
    FetchedBook adr = Fetch(Url("http", "FILES_PORT", "/office.adr"));
    ASSERT_TRUE(adr.status.IsOk()) << Cause(adr);
    EXPECT_TRUE(adr.bAddressFile);
    EXPECT_NE(std::string::npos, adr.addressFile.find("Group 本社"));
    FetchedBook missing = Fetch(Url("http", "FILES_PORT", "/none.vcf"));
    EXPECT_NE(std::string::npos, Cause(missing).find("HTTP 404")) << Cause(missing);
}

TEST_F(FetchTest, SharedFileIsReadWhileAnotherWritesItAndNeverWritten)
{
    std::string path = Folder() + "files\\office.adr";
    WIN32_FILE_ATTRIBUTE_DATA before = {};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &before));
    // Someone else has the file open for writing.
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    std::string fileUrl = "file:///" + path;
    for (char& c : fileUrl) {
        if (c == '\\')
            c = '/';
    }
    // The same book on drive C:, named as a share: \\localhost\c$ is drive C: as a UNC path.
    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
    std::string onC = std::string(temp) + "velmora-office.adr";
    ASSERT_TRUE(CopyFileA(path.c_str(), onC.c_str(), FALSE));
    std::string share = "\\\\localhost\\c$" + onC.substr(2);
    for (const std::string& url : {path, fileUrl, share}) {
        FetchedBook book = Fetch(url);
        ASSERT_TRUE(book.status.IsOk()) << url << ": " << Cause(book);
        EXPECT_TRUE(book.bAddressFile);
        EXPECT_NE(std::string::npos, book.addressFile.find("multi1@velmora.test"));
    }
    CloseHandle(writer);
    DeleteFileA(onC.c_str());
    WIN32_FILE_ATTRIBUTE_DATA after = {};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(0, CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime));
    FetchedBook missing = Fetch(Folder() + "files\\none.adr");
    EXPECT_NE(std::string::npos, Cause(missing).find(u8"が見つかりません")) << Cause(missing);
}

TEST_F(FetchTest, AnAnswerThatIsNoAddressBookFailsAndSaysWhatCame)
{
    const char* page = u8"から届いたのは Web ページ（HTML）で、アドレス帳ではありません";
    struct Case {
        std::string url;
        const char* expected;
    } cases[] = {
        {Url("http", "ODD_HTTP_PORT", "/signin/office/"), page},
        {Url("http", "FILES_PORT", "/page.vcf"), page},
        {Url("http", "ODD_HTTP_PORT", "/not-multistatus/"), u8"から届いたのはアドレス帳ではない XML 文書で"},
        {Url("http", "FILES_PORT", "/empty.vcf"), u8"から届いたのは空のデータ（0 バイト）で"},
        {Folder() + "files\\empty.vcf", u8"から届いたのは空のデータ（0 バイト）で"},
        {Folder() + "files\\junk.vcf", u8"から届いたのはアドレス帳として読めないデータで"},
        {Folder() + "files\\page.vcf", page},
    };
    for (const Case& each : cases) {
        FetchedBook book = Fetch(each.url);
        EXPECT_EQ(FetchStatus::Failed, book.status.kind) << each.url;
        EXPECT_NE(std::string::npos, Cause(book).find(each.expected)) << each.url << ": " << Cause(book);
    }
    // An address file may be empty: an empty book, where the forms above may not.
    FetchedBook empty = Fetch(Folder() + "files\\empty.adr");
    ASSERT_TRUE(empty.status.IsOk()) << Cause(empty);
    EXPECT_TRUE(empty.bAddressFile);
}

// Rewrites path with lines address lines, again and again, in small writes, until stopped.
class CBusyWriter {
public:
    CBusyWriter(const std::string& path, int lines) : m_strPath(path)
    {
        for (int i = 0; i < lines; ++i)
            m_strText += "名前 " + std::to_string(i) + ": user" + std::to_string(i) + "@velmora.test\r\n";
        m_hThread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~CBusyWriter()
    {
        InterlockedExchange(&m_nStop, 1);
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
    }

private:
    std::string m_strPath;
    std::string m_strText;
    HANDLE m_hThread;
    volatile LONG m_nStop = 0;

    static DWORD WINAPI Run(LPVOID self)
    {
        CBusyWriter* writer = static_cast<CBusyWriter*>(self);
        while (!writer->m_nStop) {
            HANDLE file = CreateFileA(writer->m_strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      CREATE_ALWAYS, 0, nullptr);
            for (size_t at = 0; file != INVALID_HANDLE_VALUE && at < writer->m_strText.size(); at += 2048) {
                DWORD written = 0;
                WriteFile(file, writer->m_strText.data() + at,
                          static_cast<DWORD>(std::min<size_t>(2048, writer->m_strText.size() - at)), &written, nullptr);
                Sleep(1);
            }
            if (file != INVALID_HANDLE_VALUE)
                CloseHandle(file);
        }
        return 0;
    }
};

TEST_F(FetchTest, SharedFileRewrittenWhileReadIsNeverTakenAsAShorterBook)
{
    std::string path = Folder() + "files\\busy.adr";
    {
        CBusyWriter writer(path, 3000);
        Sleep(50);
        for (int i = 0; i < 4; ++i) {
            FetchedBook book = Fetch(path);
            if (book.status.IsOk()) {
                size_t lines = std::count(book.addressFile.begin(), book.addressFile.end(), '\n');
                EXPECT_EQ(3000u, lines) << "a book read while it was rewritten";
            } else {
                EXPECT_NE(std::string::npos, Cause(book).find(u8"読み込んでいる間に書き換えられたため")) << Cause(book);
            }
        }
    }
    // Left alone, the same file reads whole.
    FetchedBook book = Fetch(path);
    ASSERT_TRUE(book.status.IsOk()) << Cause(book);
    EXPECT_EQ(3000, std::count(book.addressFile.begin(), book.addressFile.end(), '\n'));
    DeleteFileA(path.c_str());
}

TEST_F(FetchTest, RefusedConnectionIsNamed)
{
    for (const char* scheme : {"ldap", "http"}) {
        FetchedBook book = Fetch(Url(scheme, "CLOSED_PORT", "/"));
        EXPECT_EQ(FetchStatus::Failed, book.status.kind);
        std::string expected = u8"サーバー 127.0.0.1:" + std::to_string(Port("CLOSED_PORT")) + u8" に接続できません（接続を拒否されました）";
        EXPECT_NE(std::string::npos, Cause(book).find(expected)) << scheme << ": " << Cause(book);
    }
}

TEST_F(FetchTest, ConnectAndAnswerTimeOut)
{
    ShortLimits limits;
    for (const char* scheme : {"ldap", "http"}) {
        DWORD start = GetTickCount();
        FetchedBook unaccepted = Fetch(Url(scheme, "UNACCEPTED_PORT", "/"));
        EXPECT_NE(std::string::npos, Cause(unaccepted).find(u8"2 秒待っても応答がありません")) << scheme << ": " << Cause(unaccepted);
        FetchedBook silent = Fetch(Url(scheme, "SILENT_PORT", "/dc=velmora,dc=test"));
        EXPECT_NE(std::string::npos, Cause(silent).find(u8"2 秒以上応答しない")) << scheme << ": " << Cause(silent);
        EXPECT_LT(GetTickCount() - start, 12000u) << scheme;
    }
}

TEST_F(FetchTest, UntrustedCertificateIsRefusedWithItsReason)
{
    // Each server shows one certificate, to ldaps and https alike; the authority of
    // "foreign" is unknown to the prefix and its certificate comes alone.
    struct Case {
        const char* port;
        const char* reason;
    } cases[] = {
        {"UNTRUSTED_LDAPS_PORT", u8"証明書の発行元が信頼されていません"},
        {"FOREIGN_TLS_PORT", u8"証明書の発行元が信頼されていません"},
        {"EXPIRED_TLS_PORT", u8"証明書の有効期限が切れている"},
        {"OTHERNAME_TLS_PORT", u8"証明書がこのサーバーの名前のものではありません"},
    };
    host.answers = {MakeCredentials(L"cn=reader,dc=private,dc=test", L"secret")};
    for (const Case& each : cases) {
        for (const char* scheme : {"ldaps", "https"}) {
            std::string port = scheme[0] == 'h' && std::string(each.port) == "UNTRUSTED_LDAPS_PORT" ? "UNTRUSTED_HTTPS_PORT"
                                                                                                   : each.port;
            FetchedBook book = Fetch(Url(scheme, port.c_str(), scheme[0] == 'l' ? "/dc=private,dc=test" : "/private/team/"));
            EXPECT_EQ(FetchStatus::Failed, book.status.kind) << port << " " << scheme;
            EXPECT_NE(std::string::npos, Cause(book).find(std::string(u8"理由: ") + each.reason))
                << port << " " << scheme << ": " << Cause(book);
            EXPECT_TRUE(book.contacts.contacts.empty());
        }
    }
    EXPECT_TRUE(host.asked.empty()) << "no credentials asked for, so none sent";
}

TEST_F(FetchTest, TheCertificateCheckedIsThatOfTheConnectionThatCarriesTheDirectory)
{
    // The stand-in shows the trusted certificate to every other connection and a
    // self-signed one to the rest: whatever went over a self-signed connection was sent
    // to an impostor.
    int succeeded = 0;
    for (int i = 0; i < 2; ++i) {
        host = CScriptedHost();
        host.answers = {MakeCredentials(L"cn=reader,dc=private,dc=test", L"secret")};
        FetchedBook book = Fetch(Url("ldaps", "TWOFACED_LDAPS_PORT", "/dc=private,dc=test"));
        if (book.status.IsOk()) {
            ++succeeded;
            EXPECT_EQ(3u, book.contacts.contacts.size());
        } else {
            EXPECT_NE(std::string::npos, Cause(book).find(u8"証明書の発行元が信頼されていません")) << Cause(book);
        }
    }
    EXPECT_EQ(1, succeeded);
    std::ifstream file(Folder() + "twofaced.log");
    std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, log.find("trusted bind")) << log;
    EXPECT_EQ(std::string::npos, log.find("untrusted")) << log;
}

TEST_F(FetchTest, HttpsSendsNothingOverAConnectionWhoseCertificateFails)
{
    // The stand-in shows the trusted certificate to every other connection and, to the rest,
    // a certificate alone from an authority the prefix does not trust; it asks for a password
    // and closes the connection, so that the password would go over a connection of its own.
    for (int i = 0; i < 2; ++i) {
        host = CScriptedHost();
        host.answers = {MakeCredentials(L"reader", L"secret")};
        FetchedBook book = Fetch(Url("https", "TWOFACED_HTTPS_PORT", "/book.vcf"));
        EXPECT_EQ(FetchStatus::Failed, book.status.kind);
        EXPECT_NE(std::string::npos, Cause(book).find(u8"証明書の発行元が信頼されていません")) << Cause(book);
    }
    std::ifstream file(Folder() + "twofaced-https.log");
    std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::string asked = "trusted host=127.0.0.1:" + std::to_string(Port("TWOFACED_HTTPS_PORT")) + " authorization=-";
    EXPECT_NE(std::string::npos, log.find(asked)) << log;  // the real host named, no password
    EXPECT_EQ(std::string::npos, log.find("untrusted")) << log;
    // Where every connection's certificate holds, the password goes and the book comes.
    host = CScriptedHost();
    host.answers = {MakeCredentials(L"reader", L"secret")};
    FetchedBook book = Fetch(Url("https", "DAVS_PORT", "/private/team/"));
    ASSERT_TRUE(book.status.IsOk()) << Cause(book);
    EXPECT_EQ(1u, book.contacts.contacts.size());
    EXPECT_EQ(1u, host.asked.size());
}

TEST_F(FetchTest, HttpsGoesThroughTheSystemProxyUnlessBypassed)
{
    struct Restore {
        ~Restore() { g_pProxySetting = nullptr; }
    } restore;
    // A name that only the stand-in proxy resolves: the book can come only through its tunnel.
    std::string target = "dav.velmora.test:" + std::to_string(Port("DAVS_PORT"));
    std::string url = "https://" + target + "/shared/office/";
    std::string login = "127.0.0.1:" + std::to_string(Port("LOGIN_PROXY_PORT"));
    ProxySetting through = {"http=" + login + " https=127.0.0.1:" + std::to_string(Port("CONNECT_PROXY_PORT")),
                            "<local>;*.example.test"};
    g_pProxySetting = &through;
    FetchedBook book = Fetch(url);
    ASSERT_TRUE(book.status.IsOk()) << Cause(book);
    EXPECT_EQ(kPeopleWithMail, book.contacts.contacts.size());
    // A proxy that refuses is named, with its answer; one that cannot be reached is told as
    // the system's proxy.
    struct Refusal {
        const char* port;
        const char* said;
    } refusals[] = {{"LOGIN_PROXY_PORT", "407 Proxy Authentication Required"},
                    {"GARBAGE_PORT", "400 Bad Request"},
                    {"CLOSED_PORT", u8"システムのプロキシ設定"}};
    ProxySetting refusing;
    g_pProxySetting = &refusing;
    for (const Refusal& each : refusals) {
        refusing.proxies = "127.0.0.1:" + std::to_string(Port(each.port));
        book = Fetch(url);
        EXPECT_EQ(FetchStatus::Failed, book.status.kind);
        EXPECT_NE(std::string::npos, Cause(book).find(refusing.proxies)) << Cause(book);
        EXPECT_NE(std::string::npos, Cause(book).find(each.said)) << Cause(book);
        bool login = Cause(book).find(u8"プロキシの認証には対応していません") != std::string::npos;
        EXPECT_EQ(std::string(each.port) == "LOGIN_PROXY_PORT", login) << Cause(book);
    }
    refusing.proxies = login;
    // Bypassed hosts and this machine go directly: the name is then unknown, the address works.
    refusing.bypass = "*.VELMORA.test";
    book = Fetch(url);
    EXPECT_NE(std::string::npos, Cause(book).find(u8"が見つかりません")) << Cause(book);
    book = Fetch(Url("https", "DAVS_PORT", "/shared/office/"));
    EXPECT_TRUE(book.status.IsOk()) << Cause(book);
    std::ifstream file(Folder() + "proxy.log");
    std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, log.find("open CONNECT " + target + " HTTP/1.1 host=" + target + "\n")) << log;
    EXPECT_EQ(log.find("login CONNECT " + target), log.rfind("login CONNECT ")) << log;  // the refused one only
}

TEST_F(FetchTest, MalformedAndEndlessAnswersEndTheFetchWithinTheMemoryLimit)
{
    ShortLimits limits;
    const char* malformed = u8"応答を読み取れません";
    FetchedBook garbage = Fetch(Url("ldap", "GARBAGE_PORT", kBase));
    EXPECT_NE(std::string::npos, Cause(garbage).find(malformed)) << Cause(garbage);
    FetchedBook xml = Fetch(Url("http", "MALFORMED_HTTP_PORT", "/book/"));
    EXPECT_NE(std::string::npos, Cause(xml).find(malformed)) << Cause(xml);
    FetchedBook httpGarbage = Fetch(Url("http", "GARBAGE_PORT", "/book/"));
    EXPECT_EQ(FetchStatus::Failed, httpGarbage.status.kind);
    for (const char* scheme : {"ldap", "http"}) {
        FetchedBook endless = Fetch(Url(scheme, scheme[0] == 'l' ? "ENDLESS_LDAP_PORT" : "ENDLESS_HTTP_PORT", kBase));
        EXPECT_NE(std::string::npos, Cause(endless).find(u8"応答が大きすぎる")) << scheme << ": " << Cause(endless);
        EXPECT_TRUE(endless.contacts.contacts.empty());
    }
}

TEST_F(FetchTest, SlowAndPointlessAnswersEndAtTheirLimits)
{
    ShortLimits limits;
    g_FetchLimits.bookMs = 4000;
    // A byte each half second never leaves the server silent for long, but is far below the
    // slowest rate; entries of a kilobyte each 0.3 seconds are not, but never end.
    FetchedBook drip = Fetch(Url("http", "DRIP_HTTP_PORT", "/book.vcf"));
    EXPECT_NE(std::string::npos, Cause(drip).find(u8"応答が遅すぎるため")) << Cause(drip);
    FetchedBook endless = Fetch(Url("ldap", "DRIP_LDAP_PORT", kBase));
    EXPECT_NE(std::string::npos, Cause(endless).find(u8"4 秒を過ぎても終わらない")) << Cause(endless);
    EXPECT_TRUE(endless.contacts.contacts.empty());
    // Page after page with nothing in it, each with a new cookie (ended by their count alone,
    // however long the pages take on a busy machine).
    g_FetchLimits.minBytesPerSecond = 0;
    FetchedBook pages = Fetch(Url("ldap", "EMPTY_PAGES_LDAP_PORT", kBase));
    EXPECT_NE(std::string::npos, Cause(pages).find(u8"エントリのないページを 16 回続けて返した")) << Cause(pages);
}

TEST_F(FetchTest, CancelIsSeenInEveryWait)
{
    // The limits stay long: only the cancel may end these. Each wait looks at the cancel
    // several times a second, also while WinHTTP waits for a silent server's answer.
    for (const std::string& url :
         {Url("ldap", "SILENT_PORT", kBase), Url("ldaps", "SILENT_PORT", kBase), Url("ldap", "DRIP_LDAP_PORT", kBase),
          Url("ldap", "UNACCEPTED_PORT", kBase), Url("http", "DRIP_HTTP_PORT", "/book.vcf"),
          Url("http", "DRIP_HTTP_PORT", "/head/book.vcf"), Url("http", "SILENT_PORT", "/book.vcf"),
          Url("https", "SILENT_PORT", "/book.vcf"), Url("http", "UNACCEPTED_PORT", "/book.vcf")}) {
        host = CScriptedHost();
        host.cancelAt = GetTickCount() + 1500;
        FetchedBook book = Fetch(url);
        DWORD late = GetTickCount() - host.cancelAt;
        EXPECT_EQ(FetchStatus::Cancelled, book.status.kind) << url << ": " << Cause(book);
        EXPECT_LT(late, 1000u) << url;
        std::printf("%s: ended %lu ms after the cancel\n", url.c_str(), static_cast<unsigned long>(late));
    }
}

TEST_F(FetchTest, DirectoryAsksForCredentialsAndKeepsThemOnlyWhenAllowed)
{
    std::string url = Url("ldap", "LDAP_PORT", "/dc=private,dc=test");
    std::string origin = "ldap://127.0.0.1:" + std::to_string(Port("LDAP_PORT"));
    host.answers = {MakeCredentials(L"cn=reader,dc=private,dc=test", L"secret")};
    FetchedBook book = Fetch(url);
    ASSERT_TRUE(book.status.IsOk()) << Cause(book);
    EXPECT_EQ(3u, book.contacts.contacts.size());
    ASSERT_EQ(1u, host.asked.size());
    EXPECT_EQ(L"Velmora:" + Utf8ToWide(origin), host.asked[0].target);
    EXPECT_FALSE(Stored(origin));  // the user did not allow it

    host = CScriptedHost();
    host.answers = {MakeCredentials(L"cn=reader,dc=private,dc=test", L"secret")};
    host.save = true;
    ASSERT_TRUE(Fetch(url).status.IsOk());
    EXPECT_TRUE(Stored(origin));
    host = CScriptedHost();
    ASSERT_TRUE(Fetch(url).status.IsOk());  // the kept credentials, without a prompt
    EXPECT_TRUE(host.asked.empty());

    // The user cancels the prompt: the fetch ends, saying so.
    ForgetCredentials();
    host = CScriptedHost();
    FetchedBook declined = Fetch(url);
    EXPECT_NE(std::string::npos, Cause(declined).find(u8"ログインが取り消されました")) << Cause(declined);
}

TEST_F(FetchTest, WrongPasswordEndsTheFetchAndKeptOnesThatFailAreAskedAgain)
{
    for (const std::string& url : {Url("ldap", "LDAP_PORT", "/dc=private,dc=test"), Url("http", "DAV_PORT", "/private/team/")}) {
        BookUrl parsed = ParseBookUrl(url);
        host = CScriptedHost();
        host.answers = {MakeCredentials(L"cn=reader,dc=private,dc=test", L"wrong")};
        if (parsed.IsWeb())
            host.answers[0].user = L"reader";
        host.save = true;
        FetchedBook book = Fetch(url);
        EXPECT_NE(std::string::npos, Cause(book).find(u8"ユーザー名またはパスワードが違います")) << url << ": " << Cause(book);
        EXPECT_FALSE(Stored(parsed.Origin())) << url;

        // Kept credentials that no longer work: the prompt comes, marked as a retry.
        Credentials stale = host.answers[0];
        WriteStoredCredentials(CredentialTarget(parsed), stale);
        host = CScriptedHost();
        host.answers = {stale};
        host.answers[0].password = L"secret";
        book = Fetch(url);
        ASSERT_TRUE(book.status.IsOk()) << url << ": " << Cause(book);
        ASSERT_EQ(1u, host.asked.size());
        EXPECT_TRUE(host.asked[0].retry);
        EXPECT_EQ(stale.user, host.asked[0].user);
        EXPECT_FALSE(Stored(parsed.Origin())) << "the failing ones are forgotten when the new ones are not to be kept";
    }
}

TEST_F(FetchTest, RedirectToAnotherOriginCarriesNoCredentials)
{
    host.answers = {MakeCredentials(L"reader", L"secret")};
    FetchedBook book = Fetch(Url("http", "REDIRECT_PORT", "/book.vcf"));
    ASSERT_TRUE(book.status.IsOk()) << Cause(book);
    ASSERT_EQ(1u, book.contacts.contacts.size());
    EXPECT_EQ(1u, host.asked.size());
    std::string log = RecorderLog();
    EXPECT_NE(std::string::npos, log.find("authorization=-")) << log;
    EXPECT_EQ(std::string::npos, log.find("Basic")) << log;
}

TEST(NetworkApiTest, AMissingLibraryOrFunctionIsNamedForTheUser)
{
    WinHttpApi table;
    EXPECT_EQ("", NetworkApi::Load(table, "winhttp.dll"));
    EXPECT_NE(nullptr, table.WinHttpSendRequest);
    std::string none = Charset::SjisToUtf8(NetworkApi::Load(table, "velmora-none.dll"));
    EXPECT_NE(std::string::npos, none.find(u8"Windows のネットワーク機能（velmora-none.dll）を読み込めない")) << none;
    // A library that is there but lacks the functions: the first one missing is named.
    std::string lacking = Charset::SjisToUtf8(NetworkApi::Load(table, "kernel32.dll"));
    EXPECT_NE(std::string::npos, lacking.find(u8"（kernel32.dll の WinHttpAddRequestHeaders）")) << lacking;
}

TEST_F(FetchTest, CancelEndsTheFetch)
{
    host.cancelAfter = 100;
    FetchedBook book = Fetch(Url("ldap", "LDAP_PORT", kBase));
    EXPECT_EQ(FetchStatus::Cancelled, book.status.kind) << Cause(book);
    EXPECT_TRUE(book.contacts.contacts.empty());
}

}  // namespace
