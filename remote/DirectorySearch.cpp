#include <winsock2.h>
#include "remote/DirectorySearch.h"
#include <windows.h>
#include <winldap.h>
#include "remote/DirectoryEntry.h"
#include "remote/DirectorySession.h"
#include "remote/FetchText.h"
#include "remote/Login.h"
#include "remote/NetworkApi.h"
#include "remote/SearchQuery.h"
#include "remote/WideText.h"

namespace {

const ULONG kWaitSliceMs = 100;

class CDirectorySearch {
public:
    CDirectorySearch(const BookUrl& url, const std::string& bookName, IFetchHost& host)
        : m_Url(url), m_Login(host, url, bookName),
          m_Session(url, host, kWaitSliceMs, CDirectorySession::Diagnosis::Brief,
                    [&host]() { return host.IsCancelled() ? FetchStatus::Cancel() : FetchStatus::Success(); })
    {
    }

    FetchStatus Run(const std::string& typed, size_t limit, std::vector<Contact>& found);

private:
    const BookUrl& m_Url;
    CLogin m_Login;
    CDirectorySession m_Session;

    FetchStatus Search(const std::string& typed, size_t limit, std::vector<Contact>& found, ULONG& code);
};

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
    const Wldap32Api& ldap = NetworkApi::Wldap32();
    ULONG id = 0;
    code = ldap.ldap_search_extW(m_Session.Handle(), &base[0], scope, &filter[0], attributes, 0, nullptr, nullptr, 0,
                                 static_cast<ULONG>(limit), &id);
    if (code != LDAP_SUCCESS)
        return FetchStatus::Success();
    CDirectorySession::Message message;
    FetchStatus status = m_Session.Results(
        id,
        [&](LDAPMessage* entry) {
            size_t bytes = 0;
            for (Contact& contact : ContactsOfEntry(m_Session.ReadEntry(entry, bytes), m_Url.baseDn)) {
                if (found.size() < limit)
                    found.push_back(std::move(contact));
            }
            return FetchStatus::Success();
        },
        message);
    if (!status.IsOk())
        return status;
    code = LDAP_OTHER;
    ldap.ldap_parse_resultW(m_Session.Handle(), message.get(), &code, nullptr, nullptr, nullptr, nullptr, FALSE);
    // The most that was asked for came: more would have matched.
    if (code == LDAP_SIZELIMIT_EXCEEDED)
        code = LDAP_SUCCESS;
    return FetchStatus::Success();
}

FetchStatus CDirectorySearch::Run(const std::string& typed, size_t limit, std::vector<Contact>& found)
{
    const std::string& server = m_Session.Server();
    return m_Session.RunLoggedIn(
        m_Login, [&](ULONG& code) { return Search(typed, limit, found, code); },
        [&server](ULONG code) { return FetchStatus::Failure(FetchText::LdapError(server, code)); });
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
