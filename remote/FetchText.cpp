#include "remote/FetchText.h"
#include "remote/FetchStatus.h"

FetchLimits g_FetchLimits;

namespace {

std::string Seconds(unsigned ms)
{
    return std::to_string((ms + 999) / 1000);
}

std::string Megabytes(size_t bytes)
{
    return std::to_string(bytes >> 20);
}

bool StartsWithNoCase(const std::string& text, size_t pos, const char* prefix)
{
    for (size_t i = 0; prefix[i]; ++i) {
        char c = pos + i < text.size() ? text[pos + i] : '\0';
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

// Where the text starts after a UTF-8 byte-order mark and blanks.
size_t ContentStart(const std::string& bytes)
{
    size_t pos = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (pos < bytes.size() && (bytes[pos] == ' ' || bytes[pos] == '\t' || bytes[pos] == '\r' || bytes[pos] == '\n'))
        ++pos;
    return pos;
}

}  // namespace

namespace FetchText {

bool LooksLikeHtml(const std::string& bytes)
{
    size_t pos = ContentStart(bytes);
    if (StartsWithNoCase(bytes, pos, "<!doctype html") || StartsWithNoCase(bytes, pos, "<html"))
        return true;
    if (pos >= bytes.size() || bytes[pos] != '<')
        return false;
    // Markup that opens with a comment or a declaration: an html, head or body tag early on.
    size_t end = bytes.size() < pos + 2048 ? bytes.size() : pos + 2048;
    for (size_t at = pos; at < end; ++at) {
        if (bytes[at] == '<' && (StartsWithNoCase(bytes, at + 1, "html") || StartsWithNoCase(bytes, at + 1, "head") ||
                                 StartsWithNoCase(bytes, at + 1, "body")))
            return true;
    }
    return false;
}

std::string NotABook(const std::string& source, const std::string& bytes)
{
    size_t pos = ContentStart(bytes);
    std::string what;
    if (bytes.empty())
        what = "空のデータ（0 バイト）";
    else if (pos >= bytes.size())
        what = "空白だけのデータ";
    else if (LooksLikeHtml(bytes))
        return source + " から届いたのは Web ページ（HTML）で、アドレス帳ではありません。\n"
                        "ログインや案内のページが返されたのかもしれません。URL を確かめてください。";
    else if (bytes[pos] == '<')
        what = "アドレス帳ではない XML 文書";
    else
        what = "アドレス帳として読めないデータ";
    return source + " から届いたのは" + what + "で、アドレス帳ではありません。";
}


std::string UnknownHost(const std::string& server)
{
    return "サーバー " + server + " が見つかりません。\nサーバー名を確かめてください。";
}

std::string Refused(const std::string& server)
{
    return "サーバー " + server + " に接続できません（接続を拒否されました）。\n"
           "サーバーが動いているか、ポート番号が正しいかを確かめてください。";
}

std::string ConnectTimeout(const std::string& server, unsigned ms)
{
    return "サーバー " + server + " に接続できません（" + Seconds(ms) + " 秒待っても応答がありません）。";
}

std::string AnswerTimeout(const std::string& server, unsigned ms)
{
    return "サーバー " + server + " が " + Seconds(ms) + " 秒以上応答しないため、読み込みを中止しました。";
}

std::string ConnectionLost(const std::string& server)
{
    return "サーバー " + server + " との接続が途中で切れました。";
}

std::string WrongPassword(const std::string& server)
{
    return "サーバー " + server + " にログインできません（ユーザー名またはパスワードが違います）。";
}

std::string LoginCancelled(const std::string& server)
{
    return "サーバー " + server + " へのログインが取り消されました。";
}

std::string Untrusted(const std::string& server, const std::string& reason)
{
    return "サーバー " + server + " の証明書が信頼できないため、接続を中止しました。\n理由: " + reason;
}

std::string SecureFailed(const std::string& server)
{
    return "サーバー " + server + " と安全な接続（TLS）を確立できません。";
}

std::string ProxyRefused(const std::string& proxy, const std::string& server, const std::string& answer,
                         bool needsLogin)
{
    std::string text = "プロキシ " + proxy + " が " + server + " への接続を中継しませんでした。\n応答: " + answer;
    if (needsLogin)
        text += "\nプロキシの認証には対応していません。認証の要らないプロキシを設定するか、"
                "このサーバーをプロキシの例外に加えてください。";
    return text;
}

std::string ProxyUnreachable(const std::string& cause)
{
    return cause + "\n（システムのプロキシ設定（WinHTTP）にあるプロキシです。）";
}

std::string ProxyClosed()
{
    return "応答の前に接続が閉じられました";
}

std::string ProxySilent(unsigned ms)
{
    return Seconds(ms) + " 秒待っても応答がありません";
}

std::string ProxyNotHttp()
{
    return "HTTP の応答ではありません";
}

std::string Malformed(const std::string& server)
{
    return "サーバー " + server + " の応答を読み取れません（応答の形式が正しくありません）。";
}

std::string TooLarge(const std::string& server, size_t bytes)
{
    return "サーバー " + server + " の応答が大きすぎるため（" + Megabytes(bytes) + " MB を超えました）、読み込みを中止しました。";
}

std::string TooLong(const std::string& server, unsigned ms)
{
    return "サーバー " + server + " からの読み込みが " + Seconds(ms) + " 秒を過ぎても終わらないため、中止しました。";
}

std::string TooSlow(const std::string& server, size_t bytesPerSecond)
{
    return "サーバー " + server + " からの応答が遅すぎるため（毎秒 " + std::to_string(bytesPerSecond) +
           " バイトに届きません）、読み込みを中止しました。";
}

std::string EmptyPages(const std::string& server, int pages)
{
    return "ディレクトリ " + server + " がエントリのないページを " + std::to_string(pages) +
           " 回続けて返したため、読み込みを中止しました。";
}

std::string TooManyEntries(const std::string& server, size_t entries)
{
    return "サーバー " + server + " のエントリが多すぎるため（" + std::to_string(entries) +
           " 件を超えました）、読み込みを中止しました。";
}

std::string HttpStatus(const std::string& server, unsigned status)
{
    std::string what = status == 404 ? "（見つかりません）" : status == 403 ? "（アクセスが禁止されています）" : "";
    return "サーバー " + server + " がエラーを返しました（HTTP " + std::to_string(status) + "）" + what + "。";
}

std::string LdapError(const std::string& server, unsigned code)
{
    return "ディレクトリ " + server + " がエラーを返しました（LDAP エラー " + std::to_string(code) + "）。";
}

std::string NoSuchBase(const std::string& base)
{
    return "ディレクトリに検索の起点（" + base + "）がありません。URL を確かめてください。";
}

std::string BadFilter(const std::string& filter)
{
    return "URL の検索条件 " + filter + " が正しくありません。";
}

std::string SizeLimit(const std::string& server)
{
    return "ディレクトリ " + server + " の件数の上限に達したため、一部しか読み込めません"
           "（サーバーがページ単位の検索に対応していません）。";
}

std::string LibraryMissing(const std::string& library, const std::string& function)
{
    std::string what = function.empty() ? library : library + " の " + function;
    return "Windows のネットワーク機能（" + what +
           "）を読み込めないため、グローバルブックを取得できません。Windows の修復が必要かもしれません。";
}

std::string Referral(const std::string& server)
{
    return "ディレクトリ " + server + " は、この検索を別のディレクトリに回しました（リフェラル）。\n"
           "検索や資格情報はほかのサーバーには送らないため、回された先のディレクトリを URL に指定してください。";
}

std::string NotAddressBook(const std::string& url)
{
    return url + " はアドレス帳（CardDAV）のコレクションではありません。";
}

std::string TooManyRedirects(const std::string& server)
{
    return "サーバー " + server + " の転送（リダイレクト）が多すぎます。";
}

std::string InsecureRedirect(const std::string& target)
{
    return "安全な接続（https）から安全でない接続 " + target + " への転送は行いません。";
}

std::string UnknownCsv()
{
    return "CSV ファイルの 1 行目の見出しにメールアドレスの列がありません。";
}

std::string FileMissing(const std::string& path)
{
    return "ファイル " + path + " が見つかりません。";
}

std::string ShareMissing(const std::string& path)
{
    return "ファイル " + path + " のある共有フォルダに接続できません。";
}

std::string FileDenied(const std::string& path)
{
    return "ファイル " + path + " を読み取る権限がありません。";
}

std::string FileUnreadable(const std::string& path, unsigned long error)
{
    return "ファイル " + path + " を読み取れません（エラー " + std::to_string(error) + "）。";
}

std::string FileTooLarge(const std::string& path, size_t bytes)
{
    return "ファイル " + path + " が大きすぎます（" + Megabytes(bytes) + " MB を超えています）。";
}

std::string FileChanging(const std::string& path, int attempts)
{
    return "ファイル " + path + " は読み込んでいる間に書き換えられたため、読み込めませんでした（" + std::to_string(attempts) +
           " 回試しました）。\n書き込みが終わってから、もう一度更新してください。";
}

}  // namespace FetchText
