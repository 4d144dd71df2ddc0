#include <winsock2.h>
#include "remote/DirectoryConnection.h"
#include "remote/DirectorySearch.h"
#include <windows.h>
#include <winldap.h>
#include <memory>
#include "remote/DirectoryEntry.h"
#include "remote/FetchText.h"
#include "remote/Login.h"
#include "remote/SearchQuery.h"
#include "remote/WideText.h"
#include "remote/NetworkApi.h"

namespace {

const ULONG kWaitSliceMs = 100;

struct MessageFreer {
    void operator()(LDAPMessage* message) const { NetworkApi::Wldap32().ldap_msgfree(message); }
};
using LdapMessageHandle = std::unique_ptr<LDAPMessage, MessageFreer>;

bool AsksForCredentials(ULONG code)
{
    return code == LDAP_OPERATIONS_ERROR || code == LDAP_STRONG_AUTH_REQUIRED ||
           code == LDAP_CONFIDENTIALITY_REQUIRED || code == LDAP_INAPPROPRIATE_AUTH ||
           code == LDAP_INVALID_CREDENTIALS || code == LDAP_INSUFFICIENT_RIGHTS || code == LDAP_UNWILLING_TO_PERFORM;
}

std::vector<std::string> Values(LDAP* ld, LDAPMessage* entry, const wchar_t* attribute)
{
    std::vector<std::string> values;
    PWCHAR* found = NetworkApi::Wldap32().ldap_get_valuesW(ld, entry, const_cast<PWCHAR>(attribute));
    if (!found)
        return values;
    for (PWCHAR* value = found; *value; ++value)
        values.push_back(WideToUtf8(*value, wcslen(*value)));
    NetworkApi::Wldap32().ldap_value_freeW(found);
    return values;
}

class CDirectorySearch {
public:
    CDirectorySearch(const BookUrl& url, const std::string& bookName, IFetchHost& host)
        : m_Url(url), m_Host(host), m_Login(host, url, bookName), m_strServer(Utf8ToSjis(url.HostPort()))
    {
    }

    FetchStatus Run(const std::string& typed, size_t limit, std::vector<Contact>& found);

private:
    const BookUrl& m_Url;
    IFetchHost& m_Host;
    CLogin m_Login;
    std::string m_strServer;
    CDirectoryConnection m_Connection;

    FetchStatus Connect();
    FetchStatus Wait(ULONG id, ULONG all, LdapMessageHandle& message, ULONG& type);
    FetchStatus Bind(ULONG& code);
    FetchStatus Search(const std::string& typed, size_t limit, std::vector<Contact>& found, ULONG& code);
};

// Through the one connection the update uses too: for ldaps:// nothing reaches the
// directory client before the certificate of that very connection was checked.
FetchStatus CDirectorySearch::Connect()
{
    return m_Connection.Open(m_Url, m_Host);
}

FetchStatus CDirectorySearch::Wait(ULONG id, ULONG all, LdapMessageHandle& message, ULONG& type)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (m_Host.IsCancelled()) {
            NetworkApi::Wldap32().ldap_abandon(m_Connection.Handle(), id);
            return FetchStatus::Cancel();
        }
        l_timeval wait = {0, static_cast<LONG>(kWaitSliceMs * 1000)};
        LDAPMessage* received = nullptr;
        type = NetworkApi::Wldap32().ldap_result(m_Connection.Handle(), id, all, &wait, &received);
        message.reset(received);
        if (type == static_cast<ULONG>(-1))
            return FetchStatus::Failure(FetchText::ConnectionLost(m_strServer));
        if (type != 0)
            return FetchStatus::Success();
        if (GetTickCount() - start >= g_FetchLimits.answerMs) {
            NetworkApi::Wldap32().ldap_abandon(m_Connection.Handle(), id);
            return FetchStatus::Failure(FetchText::AnswerTimeout(m_strServer, g_FetchLimits.answerMs));
        }
    }
}

FetchStatus CDirectorySearch::Bind(ULONG& code)
{
    std::wstring user = m_Login.Current().user;
    std::wstring password = m_Login.Current().password;
    ULONG id = NetworkApi::Wldap32().ldap_simple_bindW(m_Connection.Handle(), &user[0], &password[0]);
    SecureZeroMemory(&password[0], password.size() * sizeof(wchar_t));
    if (id == static_cast<ULONG>(-1))
        return FetchStatus::Failure(FetchText::ConnectionLost(m_strServer));
    LdapMessageHandle message;
    ULONG type = 0;
    FetchStatus status = Wait(id, LDAP_MSG_ALL, message, type);
    if (!status.IsOk())
        return status;
    code = LDAP_OTHER;
    NetworkApi::Wldap32().ldap_parse_resultW(m_Connection.Handle(), message.get(), &code, nullptr, nullptr, nullptr, nullptr, FALSE);
    return FetchStatus::Success();
}

FetchStatus CDirectorySearch::Search(const std::string& typed, size_t limit, std::vector<Contact>& found, ULONG& code)
{
    found.clear();
    std::wstring names[] = {L"displayName", L"cn", L"mail"};
    PWCHAR attributes[] = {&names[0][0], &names[1][0], &names[2][0], nullptr};
    std::wstring base = Utf8ToWide(m_Url.baseDn);
    std::wstring filter = Utf8ToWide(SearchQuery::LdapFilter(m_Url.filter, typed));
    ULONG scope = m_Url.scope == LdapScope::Base ? LDAP_SCOPE_BASE
                  : m_Url.scope == LdapScope::OneLevel ? LDAP_SCOPE_ONELEVEL
                                                       : LDAP_SCOPE_SUBTREE;
    ULONG id = 0;
    code = NetworkApi::Wldap32().ldap_search_extW(m_Connection.Handle(), &base[0], scope, &filter[0], attributes, 0, nullptr, nullptr, 0,
                            static_cast<ULONG>(limit), &id);
    if (code != LDAP_SUCCESS)
        return FetchStatus::Success();
    for (;;) {
        LdapMessageHandle message;
        ULONG type = 0;
        FetchStatus status = Wait(id, LDAP_MSG_ONE, message, type);
        if (!status.IsOk())
            return status;
        if (type == LDAP_RES_SEARCH_ENTRY) {
            DirectoryEntry entry;
            if (PWCHAR dn = NetworkApi::Wldap32().ldap_get_dnW(m_Connection.Handle(), message.get())) {
                entry.dn = WideToUtf8(dn, wcslen(dn));
                NetworkApi::Wldap32().ldap_memfreeW(dn);
            }
            entry.displayNames = Values(m_Connection.Handle(), message.get(), L"displayName");
            entry.commonNames = Values(m_Connection.Handle(), message.get(), L"cn");
            entry.mails = Values(m_Connection.Handle(), message.get(), L"mail");
            for (Contact& contact : ContactsOfEntry(entry, m_Url.baseDn)) {
                if (found.size() < limit)
                    found.push_back(std::move(contact));
            }
            continue;
        }
        if (type != LDAP_RES_SEARCH_RESULT)
            continue;
        code = LDAP_OTHER;
        NetworkApi::Wldap32().ldap_parse_resultW(m_Connection.Handle(), message.get(), &code, nullptr, nullptr, nullptr, nullptr, FALSE);
        // The most that was asked for came: more would have matched.
        if (code == LDAP_SIZELIMIT_EXCEEDED)
            code = LDAP_SUCCESS;
        return FetchStatus::Success();
    }
}

FetchStatus CDirectorySearch::Run(const std::string& typed, size_t limit, std::vector<Contact>& found)
{
    FetchStatus status = Connect();
    if (!status.IsOk())
        return status;
    for (;;) {
        ULONG code = LDAP_SUCCESS;
        if (!m_Login.IsAnonymous()) {
            status = Bind(code);
            if (!status.IsOk())
                return status;
            if (code != LDAP_SUCCESS) {
                if (!AsksForCredentials(code))
                    return FetchStatus::Failure(FetchText::LdapError(m_strServer, code));
                if (!m_Login.Refused(status))
                    return status;
                continue;
            }
        }
        status = Search(typed, limit, found, code);
        if (!status.IsOk())
            return status;
        if (code == LDAP_SUCCESS) {
            m_Login.Accepted();
            return status;
        }
        if (!m_Login.IsAnonymous() || !AsksForCredentials(code))
            return FetchStatus::Failure(FetchText::LdapError(m_strServer, code));
        if (!m_Login.Refused(status))
            return status;
    }
}

}  // namespace

FetchStatus SearchDirectory(const BookUrl& url, const std::string& bookName, const std::string& typed, size_t limit,
                            IFetchHost& host, std::vector<Contact>& found)
{
    found.clear();
    FetchStatus status = NetworkApi::Require();
    if (!status.IsOk())
        return status;
    CDirectorySearch search(url, bookName, host);
    status = search.Run(typed, limit, found);
    if (!status.IsOk())
        found.clear();
    return status;
}
