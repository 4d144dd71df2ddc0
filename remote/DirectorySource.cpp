#include <winsock2.h>
#include "remote/DirectorySource.h"
#include <windows.h>
#include <winldap.h>
#include <winber.h>
#include <memory>
#include <vector>
#include "remote/DirectoryEntry.h"
#include "remote/DirectorySession.h"
#include "remote/FetchPace.h"
#include "remote/FetchText.h"
#include "remote/Login.h"
#include "remote/WideText.h"
#include "remote/NetworkApi.h"

namespace {

const ULONG kPageSize = 500;
const ULONG kWaitSliceMs = 250;

class CDirectoryFetch {
public:
    CDirectoryFetch(const BookUrl& url, const std::string& bookName, IFetchHost& host, ContactList& contacts)
        : m_Url(url), m_Host(host), m_Contacts(contacts), m_Login(host, url, bookName), m_Pace(host),
          m_Session(url, host, kWaitSliceMs, CDirectorySession::Diagnosis::Full,
                    [this]() { return m_Pace.Check(m_nBytes, m_Session.Server()); })
    {
    }

    FetchStatus Run();

private:
    const BookUrl& m_Url;
    IFetchHost& m_Host;
    ContactList& m_Contacts;
    CLogin m_Login;
    CFetchPace m_Pace;
    CDirectorySession m_Session;
    size_t m_nEntries = 0;
    size_t m_nBytes = 0;

    FetchStatus Search(ULONG& code);
    FetchStatus ReadEntry(LDAPMessage* entry);
    FetchStatus SearchError(ULONG code);
};

FetchStatus CDirectoryFetch::ReadEntry(LDAPMessage* entry)
{
    DirectoryEntry read = m_Session.ReadEntry(entry, m_nBytes);
    const std::string& server = m_Session.Server();
    if (++m_nEntries > g_FetchLimits.maxEntries)
        return FetchStatus::Failure(FetchText::TooManyEntries(server, g_FetchLimits.maxEntries));
    if (m_nBytes > g_FetchLimits.maxBytes)
        return FetchStatus::Failure(FetchText::TooLarge(server, g_FetchLimits.maxBytes));
    for (Contact& contact : ContactsOfEntry(read, m_Url.baseDn))
        m_Contacts.contacts.push_back(std::move(contact));
    if (read.mails.empty())
        ++m_Contacts.nWithoutAddress;
    m_Host.ReportProgress(m_Contacts.contacts.size(), m_nBytes);
    return FetchStatus::Success();
}

FetchStatus CDirectoryFetch::SearchError(ULONG code)
{
    if (code == LDAP_NO_SUCH_OBJECT)
        return FetchStatus::Failure(FetchText::NoSuchBase(Utf8ToSjis(m_Url.baseDn)));
    if (code == LDAP_FILTER_ERROR)
        return FetchStatus::Failure(FetchText::BadFilter(Utf8ToSjis(m_Url.filter)));
    if (code == LDAP_SIZELIMIT_EXCEEDED)
        return FetchStatus::Failure(FetchText::SizeLimit(m_Session.Server()));
    if (code == LDAP_REFERRAL)
        return FetchStatus::Failure(FetchText::Referral(m_Session.Server()));
    return FetchStatus::Failure(FetchText::LdapError(m_Session.Server(), code));
}

// The whole search, page by page; code is the server's result (0 when it all came).
FetchStatus CDirectoryFetch::Search(ULONG& code)
{
    const Wldap32Api& ldap = NetworkApi::Wldap32();
    m_Contacts = ContactList();
    m_nEntries = 0;
    m_nBytes = 0;
    std::vector<std::wstring> names = {L"displayName", L"cn", L"mail"};
    for (const std::string& attribute : m_Url.attributes)
        names.push_back(Utf8ToWide(attribute));
    std::vector<PWCHAR> attributes;
    for (std::wstring& name : names)
        attributes.push_back(&name[0]);
    attributes.push_back(nullptr);
    std::wstring base = Utf8ToWide(m_Url.baseDn);
    std::wstring filter = Utf8ToWide(m_Url.filter);
    ULONG scope = m_Url.scope == LdapScope::Base ? LDAP_SCOPE_BASE
                  : m_Url.scope == LdapScope::OneLevel ? LDAP_SCOPE_ONELEVEL
                                                       : LDAP_SCOPE_SUBTREE;
    berval* cookie = nullptr;
    std::unique_ptr<berval*, void (*)(berval**)> cookieOwner(&cookie, [](berval** held) {
        if (*held)
            NetworkApi::Wldap32().ber_bvfree(*held);
    });
    int emptyPages = 0;
    for (;;) {
        size_t entriesBefore = m_nEntries;
        PLDAPControlW page = nullptr;
        if (ldap.ldap_create_page_controlW(m_Session.Handle(), kPageSize, cookie, FALSE, &page) != LDAP_SUCCESS)
            return FetchStatus::Failure(FetchText::LdapError(m_Session.Server(), LDAP_NO_MEMORY));
        PLDAPControlW controls[] = {page, nullptr};
        ULONG id = 0;
        code = ldap.ldap_search_extW(m_Session.Handle(), &base[0], scope, &filter[0], attributes.data(), 0, controls,
                                     nullptr, 0, 0, &id);
        ldap.ldap_control_freeW(page);
        if (code == LDAP_SERVER_DOWN || code == LDAP_TIMEOUT)
            return m_Session.ConnectionError();
        if (code != LDAP_SUCCESS)
            return FetchStatus::Success();
        CDirectorySession::Message message;
        FetchStatus status = m_Session.Results(id, [this](LDAPMessage* entry) { return ReadEntry(entry); }, message);
        if (!status.IsOk())
            return status;
        PLDAPControlW* answered = nullptr;
        code = LDAP_OTHER;
        ldap.ldap_parse_resultW(m_Session.Handle(), message.get(), &code, nullptr, nullptr, nullptr, &answered, FALSE);
        if (cookie)
            ldap.ber_bvfree(cookie);
        cookie = nullptr;
        if (code == LDAP_SUCCESS && answered) {
            ULONG estimate = 0;
            ldap.ldap_parse_page_controlW(m_Session.Handle(), answered, &estimate, &cookie);
        }
        if (answered)
            ldap.ldap_controls_freeW(answered);
        if (code != LDAP_SUCCESS || !cookie || cookie->bv_len == 0)
            return FetchStatus::Success();
        // A server that pages on and on without entries would never end the search.
        emptyPages = m_nEntries == entriesBefore ? emptyPages + 1 : 0;
        if (emptyPages >= g_FetchLimits.maxEmptyPages)
            return FetchStatus::Failure(FetchText::EmptyPages(m_Session.Server(), emptyPages));
    }
}

FetchStatus CDirectoryFetch::Run()
{
    return m_Session.RunLoggedIn(
        m_Login, [this](ULONG& code) { return Search(code); }, [this](ULONG code) { return SearchError(code); });
}

}  // namespace

FetchStatus FetchDirectory(const BookUrl& url, const std::string& bookName, IFetchHost& host, ContactList& contacts)
{
    contacts = ContactList();
    FetchStatus status = NetworkApi::Require();
    if (!status.IsOk())
        return status;
    CDirectoryFetch fetch(url, bookName, host, contacts);
    status = fetch.Run();
    if (!status.IsOk())
        contacts = ContactList();
    return status;
}
