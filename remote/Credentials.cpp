#include <winsock2.h>
#include "remote/Credentials.h"
#include <wincred.h>
#include <vector>
#include "remote/WideText.h"
#include "remote/NetworkApi.h"

void Credentials::Clear()
{
    if (!password.empty())
        SecureZeroMemory(&password[0], password.size() * sizeof(wchar_t));
    password.clear();
    user.clear();
}

std::wstring CredentialTarget(const BookUrl& url)
{
    return L"Velmora:" + Utf8ToWide(url.Origin());
}

bool ReadStoredCredentials(const std::wstring& target, Credentials& out)
{
    PCREDENTIALW stored = nullptr;
    if (!CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &stored))
        return false;
    out.user = stored->UserName ? stored->UserName : L"";
    out.password.assign(reinterpret_cast<const wchar_t*>(stored->CredentialBlob),
                        stored->CredentialBlobSize / sizeof(wchar_t));
    SecureZeroMemory(stored->CredentialBlob, stored->CredentialBlobSize);
    CredFree(stored);
    return true;
}

bool WriteStoredCredentials(const std::wstring& target, const Credentials& credentials)
{
    CREDENTIALW entry = {};
    entry.Type = CRED_TYPE_GENERIC;
    entry.TargetName = const_cast<wchar_t*>(target.c_str());
    entry.UserName = const_cast<wchar_t*>(credentials.user.c_str());
    entry.CredentialBlob = reinterpret_cast<BYTE*>(const_cast<wchar_t*>(credentials.password.data()));
    entry.CredentialBlobSize = static_cast<DWORD>(credentials.password.size() * sizeof(wchar_t));
    entry.Persist = CRED_PERSIST_LOCAL_MACHINE;
    return CredWriteW(&entry, 0) != FALSE;
}

void DeleteStoredCredentials(const std::wstring& target)
{
    CredDeleteW(target.c_str(), CRED_TYPE_GENERIC, 0);
}

bool PromptForCredentials(HWND owner, const CredentialRequest& request, Credentials& answer, bool& save)
{
    if (!NetworkApi::Require().IsOk())
        return false;
    std::string message = "グローバルブック「" + request.bookName + "」のサーバー " + request.server +
                          " がユーザー名とパスワードを求めています。";
    if (request.directory)
        message += "\nユーザー名にはバインド DN（cn=…,dc=… の形）か、ユーザー@ドメインを入力してください。";
    if (request.unencrypted)
        message += "\n注意: この接続は暗号化されていません。パスワードはそのままネットワークを流れます。";
    std::wstring text = SjisToWide(message);
    std::wstring caption = SjisToWide("グローバルアドレスブックの更新");
    CREDUI_INFOW info = {};
    info.cbSize = sizeof info;
    info.hwndParent = owner;
    info.pszMessageText = text.c_str();
    info.pszCaptionText = caption.c_str();

    std::vector<wchar_t> user(CREDUI_MAX_USERNAME_LENGTH + 1, L'\0');
    std::vector<wchar_t> password(CREDUI_MAX_PASSWORD_LENGTH + 1, L'\0');
    request.user.copy(user.data(), user.size() - 1);
    BOOL keep = FALSE;
    // Velmora keeps what the user allows itself, once the server has accepted it.
    DWORD flags = CREDUI_FLAGS_GENERIC_CREDENTIALS | CREDUI_FLAGS_ALWAYS_SHOW_UI | CREDUI_FLAGS_SHOW_SAVE_CHECK_BOX |
                  CREDUI_FLAGS_DO_NOT_PERSIST | CREDUI_FLAGS_EXCLUDE_CERTIFICATES;
    if (request.retry)
        flags |= CREDUI_FLAGS_INCORRECT_PASSWORD;
    DWORD result = NetworkApi::CredUi().CredUIPromptForCredentialsW(&info, request.target.c_str(), nullptr,
                                               request.retry ? ERROR_LOGON_FAILURE : 0, user.data(),
                                               static_cast<ULONG>(user.size()), password.data(),
                                               static_cast<ULONG>(password.size()), &keep, flags);
    bool given = result == NO_ERROR;
    if (given) {
        answer.user = user.data();
        // Wine's prompt puts "<target>\" before a name without "\" or "@", even for
        // generic credentials; the name the user typed is what follows it.
        std::wstring prefix = request.target + L"\\";
        if (answer.user.compare(0, prefix.size(), prefix) == 0)
            answer.user.erase(0, prefix.size());
        answer.password = password.data();
        save = keep != FALSE;
    }
    SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
    return given;
}
