#include <winsock2.h>
#include "remote/DirectorySource.h"
#include <windows.h>
#include <winldap.h>
#include <winber.h>
#include <memory>
#include <vector>
#include "remote/DirectoryConnection.h"
#include "remote/DirectoryEntry.h"
#include "remote/FetchPace.h"
#include "remote/FetchText.h"
#include "remote/Login.h"
#include "remote/ServerCheck.h"
#include "remote/WideText.h"
#include "remote/NetworkApi.h"

namespace {

const ULONG kPageSize = 500;
const ULONG kWaitSliceMs = 250;

bool AsksForCredentials(ULONG code)
{
    switch (code) {
    case LDAP_OPERATIONS_ERROR:         // Active Directory: "a successful bind must be completed"
    case LDAP_STRONG_AUTH_REQUIRED:
    case LDAP_CONFIDENTIALITY_REQUIRED:
    case LDAP_INAPPROPRIATE_AUTH:
    case LDAP_INVALID_CREDENTIALS:
    case LDAP_INSUFFICIENT_RIGHTS:
    case LDAP_UNWILLING_TO_PERFORM:     // OpenLDAP's "require authc"
        return true;
    default:
        return false;
    }
}

struct MessageFreer {
    void operator()(LDAPMessage* message) const { NetworkApi::Wldap32().ldap_msgfree(message); }
};
using LdapMessageHandle = std::unique_ptr<LDAPMessage, MessageFreer>;

std::vector<std::string> Values(LDAP* ld, LDAPMessage* entry, const wchar_t* attribute, size_t& bytes)
{
    std::vector<std::string> values;
    PWCHAR* found = NetworkApi::Wldap32().ldap_get_valuesW(ld, entry, const_cast<PWCHAR>(attribute));
    if (!found)
        return values;
    for (PWCHAR* value = found; *value; ++value) {
        values.push_back(WideToUtf8(*value, wcslen(*value)));
        bytes += values.back().size();
    }
    NetworkApi::Wldap32().ldap_value_freeW(found);
    return values;
}

class CDirectoryFetch {
public:
    CDirectoryFetch(const BookUrl& url, const std::string& bookName, IFetchHost& host, ContactList& contacts)
        : m_Url(url), m_Host(host), m_Contacts(contacts), m_Login(host, url, bookName), m_Pace(host),
          m_strServer(Utf8ToSjis(url.HostPort()))
    {
    }

    FetchStatus Run();

private:
    const BookUrl& m_Url;
    IFetchHost& m_Host;
    ContactList& m_Contacts;
    CLogin m_Login;
    CFetchPace m_Pace;
    std::string m_strServer;
    CDirectoryConnection m_Connection;
    LDAP* m_Ld = nullptr;
    size_t m_nEntries = 0;
    size_t m_nBytes = 0;
    bool m_bAnswered = false;  // the server has answered something

    FetchStatus Connect();
    FetchStatus Bind(ULONG& code);
    FetchStatus Search(ULONG& code);
    FetchStatus WaitFor(ULONG id, ULONG all, LdapMessageHandle& message, ULONG& type);
    FetchStatus ConnectionError();
    FetchStatus ReadEntry(LDAPMessage* entry);
    FetchStatus SearchError(ULONG code);
};

FetchStatus CDirectoryFetch::Connect()
{
    FetchStatus status = m_Connection.Open(m_Url, m_Host);
    m_Ld = m_Connection.Handle();
    return status;
}

FetchStatus CDirectoryFetch::ConnectionError()
{
    ULONG code = 0;
    NetworkApi::Wldap32().ldap_get_optionW(m_Ld, LDAP_OPT_ERROR_NUMBER, &code);
    if (code == LDAP_DECODING_ERROR || code == LDAP_PROTOCOL_ERROR || code == LDAP_LOCAL_ERROR)
        return FetchStatus::Failure(FetchText::Malformed(m_strServer));
    if (code == LDAP_TIMEOUT)
        return FetchStatus::Failure(FetchText::AnswerTimeout(m_strServer, g_FetchLimits.answerMs));
    // The client tells a server that answers no LDAP from one that went away only as a
    // lost connection; before anything came, a look at the answer tells them apart.
    if (!m_bAnswered && !m_Url.IsSecure()) {
        FetchStatus why = ProbeLdapAnswer(m_Url, m_Host);
        if (!why.IsOk())
            return why;
    }
    return FetchStatus::Failure(FetchText::ConnectionLost(m_strServer));
}

// Waits for the next message of operation id in short slices, so that a cancel is seen
// at once and a server silent for longer than the answer limit ends the fetch.
FetchStatus CDirectoryFetch::WaitFor(ULONG id, ULONG all, LdapMessageHandle& message, ULONG& type)
{
    DWORD silentSince = GetTickCount();
    for (;;) {
        FetchStatus pace = m_Pace.Check(m_nBytes, m_strServer);
        if (!pace.IsOk()) {
            NetworkApi::Wldap32().ldap_abandon(m_Ld, id);
            return pace;
        }
        l_timeval wait = {0, static_cast<LONG>(kWaitSliceMs * 1000)};
        LDAPMessage* received = nullptr;
        type = NetworkApi::Wldap32().ldap_result(m_Ld, id, all, &wait, &received);
        message.reset(received);
        if (type == static_cast<ULONG>(-1))
            return ConnectionError();
        if (type != 0) {
            m_bAnswered = true;
            return FetchStatus::Success();
        }
        if (GetTickCount() - silentSince >= g_FetchLimits.answerMs) {
            NetworkApi::Wldap32().ldap_abandon(m_Ld, id);
            return FetchStatus::Failure(FetchText::AnswerTimeout(m_strServer, g_FetchLimits.answerMs));
        }
    }
}

FetchStatus CDirectoryFetch::Bind(ULONG& code)
{
    const Credentials& who = m_Login.Current();
    std::wstring user = who.user;
    std::wstring password = who.password;
    ULONG id = NetworkApi::Wldap32().ldap_simple_bindW(m_Ld, &user[0], &password[0]);
    SecureZeroMemory(&password[0], password.size() * sizeof(wchar_t));
    if (id == static_cast<ULONG>(-1))
        return ConnectionError();
    LdapMessageHandle message;
    ULONG type = 0;
    FetchStatus status = WaitFor(id, LDAP_MSG_ALL, message, type);
    if (!status.IsOk())
        return status;
    code = LDAP_OTHER;
    NetworkApi::Wldap32().ldap_parse_resultW(m_Ld, message.get(), &code, nullptr, nullptr, nullptr, nullptr, FALSE);
    return FetchStatus::Success();
}

FetchStatus CDirectoryFetch::ReadEntry(LDAPMessage* entry)
{
    DirectoryEntry read;
    size_t bytes = 0;
    if (PWCHAR dn = NetworkApi::Wldap32().ldap_get_dnW(m_Ld, entry)) {
        read.dn = WideToUtf8(dn, wcslen(dn));
        NetworkApi::Wldap32().ldap_memfreeW(dn);
    }
    read.displayNames = Values(m_Ld, entry, L"displayName", bytes);
    read.commonNames = Values(m_Ld, entry, L"cn", bytes);
    read.mails = Values(m_Ld, entry, L"mail", bytes);
    m_nBytes += bytes + read.dn.size();
    if (++m_nEntries > g_FetchLimits.maxEntries)
        return FetchStatus::Failure(FetchText::TooManyEntries(m_strServer, g_FetchLimits.maxEntries));
    if (m_nBytes > g_FetchLimits.maxBytes)
        return FetchStatus::Failure(FetchText::TooLarge(m_strServer, g_FetchLimits.maxBytes));
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
        return FetchStatus::Failure(FetchText::SizeLimit(m_strServer));
    if (code == LDAP_REFERRAL)
        return FetchStatus::Failure(FetchText::Referral(m_strServer));
    return FetchStatus::Failure(FetchText::LdapError(m_strServer, code));
}

// The whole search, page by page; code is the server's result (0 when it all came).
FetchStatus CDirectoryFetch::Search(ULONG& code)
{
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
        if (NetworkApi::Wldap32().ldap_create_page_controlW(m_Ld, kPageSize, cookie, FALSE, &page) != LDAP_SUCCESS)
            return FetchStatus::Failure(FetchText::LdapError(m_strServer, LDAP_NO_MEMORY));
        PLDAPControlW controls[] = {page, nullptr};
        ULONG id = 0;
        code = NetworkApi::Wldap32().ldap_search_extW(m_Ld, &base[0], scope, &filter[0], attributes.data(), 0, controls, nullptr, 0, 0,
                                &id);
        NetworkApi::Wldap32().ldap_control_freeW(page);
        if (code == LDAP_SERVER_DOWN || code == LDAP_TIMEOUT)
            return ConnectionError();
        if (code != LDAP_SUCCESS)
            return FetchStatus::Success();
        for (;;) {
            LdapMessageHandle message;
            ULONG type = 0;
            FetchStatus status = WaitFor(id, LDAP_MSG_ONE, message, type);
            if (!status.IsOk())
                return status;
            if (type == LDAP_RES_SEARCH_ENTRY) {
                status = ReadEntry(message.get());
                if (!status.IsOk()) {
                    NetworkApi::Wldap32().ldap_abandon(m_Ld, id);
                    return status;
                }
                continue;
            }
            if (type != LDAP_RES_SEARCH_RESULT)
                continue;  // referrals and intermediate answers are not followed
            PLDAPControlW* answered = nullptr;
            code = LDAP_OTHER;
            NetworkApi::Wldap32().ldap_parse_resultW(m_Ld, message.get(), &code, nullptr, nullptr, nullptr, &answered, FALSE);
            if (cookie)
                NetworkApi::Wldap32().ber_bvfree(cookie);
            cookie = nullptr;
            if (code == LDAP_SUCCESS && answered) {
                ULONG estimate = 0;
                NetworkApi::Wldap32().ldap_parse_page_controlW(m_Ld, answered, &estimate, &cookie);
            }
            if (answered)
                NetworkApi::Wldap32().ldap_controls_freeW(answered);
            break;
        }
        if (code != LDAP_SUCCESS || !cookie || cookie->bv_len == 0)
            return FetchStatus::Success();
        // A server that pages on and on without entries would never end the search.
        emptyPages = m_nEntries == entriesBefore ? emptyPages + 1 : 0;
        if (emptyPages >= g_FetchLimits.maxEmptyPages)
            return FetchStatus::Failure(FetchText::EmptyPages(m_strServer, emptyPages));
    }
}

FetchStatus CDirectoryFetch::Run()
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
        status = Search(code);
        if (!status.IsOk())
            return status;
        if (code == LDAP_SUCCESS) {
            m_Login.Accepted();
            return FetchStatus::Success();
        }
        // A server that wants credentials says so to an anonymous search; once logged in,
        // the same answer is the directory's own refusal.
        if (!m_Login.IsAnonymous() || !AsksForCredentials(code))
            return SearchError(code);
        if (!m_Login.Refused(status))
            return status;
    }
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
