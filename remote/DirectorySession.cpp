#include <winsock2.h>
#include "remote/DirectorySession.h"
#include <vector>
#include "remote/FetchText.h"
#include "remote/NetworkApi.h"
#include "remote/ServerCheck.h"
#include "remote/WideText.h"

namespace {

std::vector<std::string> Values(LDAP* ld, LDAPMessage* entry, const wchar_t* attribute, size_t& bytes)
{
    const Wldap32Api& ldap = NetworkApi::Wldap32();
    std::vector<std::string> values;
    PWCHAR* found = ldap.ldap_get_valuesW(ld, entry, const_cast<PWCHAR>(attribute));
    if (!found)
        return values;
    for (PWCHAR* value = found; *value; ++value) {
        values.push_back(WideToUtf8(*value, wcslen(*value)));
        bytes += values.back().size();
    }
    ldap.ldap_value_freeW(found);
    return values;
}

}  // namespace

void CDirectorySession::MessageFreer::operator()(LDAPMessage* message) const
{
    NetworkApi::Wldap32().ldap_msgfree(message);
}

CDirectorySession::CDirectorySession(const BookUrl& url, IFetchHost& host, unsigned sliceMs, Diagnosis diagnosis,
                                     Pace pace)
    : m_Url(url), m_Host(host), m_nSliceMs(sliceMs), m_Diagnosis(diagnosis), m_Pace(std::move(pace)),
      m_strServer(Utf8ToSjis(url.HostPort()))
{
}

// Through the one connection for every search: for ldaps:// nothing reaches the directory
// client before the certificate of that very connection was checked.
FetchStatus CDirectorySession::Open()
{
    return m_Connection.Open(m_Url, m_Host);
}

bool CDirectorySession::AsksForCredentials(ULONG code)
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

FetchStatus CDirectorySession::ConnectionError()
{
    if (m_Diagnosis == Diagnosis::Brief)
        return FetchStatus::Failure(FetchText::ConnectionLost(m_strServer));
    ULONG code = 0;
    NetworkApi::Wldap32().ldap_get_optionW(Handle(), LDAP_OPT_ERROR_NUMBER, &code);
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

FetchStatus CDirectorySession::Wait(ULONG id, ULONG all, Message& message, ULONG& type)
{
    const Wldap32Api& ldap = NetworkApi::Wldap32();
    DWORD silentSince = GetTickCount();
    for (;;) {
        FetchStatus pace = m_Pace();
        if (!pace.IsOk()) {
            ldap.ldap_abandon(Handle(), id);
            return pace;
        }
        l_timeval wait = {0, static_cast<LONG>(m_nSliceMs * 1000)};
        LDAPMessage* received = nullptr;
        type = ldap.ldap_result(Handle(), id, all, &wait, &received);
        message.reset(received);
        if (type == static_cast<ULONG>(-1))
            return ConnectionError();
        if (type != 0) {
            m_bAnswered = true;
            return FetchStatus::Success();
        }
        if (GetTickCount() - silentSince >= g_FetchLimits.answerMs) {
            ldap.ldap_abandon(Handle(), id);
            return FetchStatus::Failure(FetchText::AnswerTimeout(m_strServer, g_FetchLimits.answerMs));
        }
    }
}

FetchStatus CDirectorySession::Bind(const Credentials& who, ULONG& code)
{
    const Wldap32Api& ldap = NetworkApi::Wldap32();
    std::wstring user = who.user;
    std::wstring password = who.password;
    ULONG id = ldap.ldap_simple_bindW(Handle(), &user[0], &password[0]);
    SecureZeroMemory(&password[0], password.size() * sizeof(wchar_t));
    if (id == static_cast<ULONG>(-1))
        return ConnectionError();
    Message message;
    ULONG type = 0;
    FetchStatus status = Wait(id, LDAP_MSG_ALL, message, type);
    if (!status.IsOk())
        return status;
    code = LDAP_OTHER;
    ldap.ldap_parse_resultW(Handle(), message.get(), &code, nullptr, nullptr, nullptr, nullptr, FALSE);
    return FetchStatus::Success();
}

FetchStatus CDirectorySession::Results(ULONG id, const std::function<FetchStatus(LDAPMessage*)>& onEntry,
                                       Message& result)
{
    for (;;) {
        ULONG type = 0;
        FetchStatus status = Wait(id, LDAP_MSG_ONE, result, type);
        if (!status.IsOk())
            return status;
        if (type == LDAP_RES_SEARCH_ENTRY) {
            status = onEntry(result.get());
            if (!status.IsOk()) {
                NetworkApi::Wldap32().ldap_abandon(Handle(), id);
                return status;
            }
        } else if (type == LDAP_RES_SEARCH_RESULT) {
            return FetchStatus::Success();
        }
    }
}

DirectoryEntry CDirectorySession::ReadEntry(LDAPMessage* entry, size_t& bytes)
{
    const Wldap32Api& ldap = NetworkApi::Wldap32();
    DirectoryEntry read;
    if (PWCHAR dn = ldap.ldap_get_dnW(Handle(), entry)) {
        read.dn = WideToUtf8(dn, wcslen(dn));
        ldap.ldap_memfreeW(dn);
    }
    bytes += read.dn.size();
    read.displayNames = Values(Handle(), entry, L"displayName", bytes);
    read.commonNames = Values(Handle(), entry, L"cn", bytes);
    read.mails = Values(Handle(), entry, L"mail", bytes);
    return read;
}

FetchStatus CDirectorySession::RunLoggedIn(CLogin& login, const std::function<FetchStatus(ULONG& code)>& search,
                                           const std::function<FetchStatus(ULONG code)>& refused)
{
    FetchStatus status = Open();
    if (!status.IsOk())
        return status;
    for (;;) {
        ULONG code = LDAP_SUCCESS;
        if (!login.IsAnonymous()) {
            status = Bind(login.Current(), code);
            if (!status.IsOk())
                return status;
            if (code != LDAP_SUCCESS) {
                if (!AsksForCredentials(code))
                    return FetchStatus::Failure(FetchText::LdapError(m_strServer, code));
                if (!login.Refused(status))
                    return status;
                continue;
            }
        }
        status = search(code);
        if (!status.IsOk())
            return status;
        if (code == LDAP_SUCCESS) {
            login.Accepted();
            return FetchStatus::Success();
        }
        // A server that wants credentials says so to an anonymous search; once logged in,
        // the same answer is the directory's own refusal.
        if (!login.IsAnonymous() || !AsksForCredentials(code))
            return refused(code);
        if (!login.Refused(status))
            return status;
    }
}
