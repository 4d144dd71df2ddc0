#include <winsock2.h>
#include "remote/DirectoryConnection.h"
#include <string>
#include "remote/FetchText.h"
#include "remote/ServerCheck.h"
#include "remote/TlsRelay.h"
#include "remote/WideText.h"
#include "remote/NetworkApi.h"

CDirectoryConnection::CDirectoryConnection() = default;

CDirectoryConnection::~CDirectoryConnection()
{
    Close();
}

// The client goes first, so that the relay sees its side closed and ends at once.
void CDirectoryConnection::Close()
{
    if (m_Ld)
        NetworkApi::Wldap32().ldap_unbind(m_Ld);
    m_Ld = nullptr;
    m_Relay.reset();
}

FetchStatus CDirectoryConnection::Open(const BookUrl& url, IFetchHost& host)
{
    Close();
    std::string server = Utf8ToSjis(url.HostPort());
    std::wstring address;
    int port = 0;
    if (url.IsSecure()) {
        std::unique_ptr<CTlsChannel> channel(new CTlsChannel);
        FetchStatus status = channel->Open(url, host);
        if (!status.IsOk())
            return status;
        m_Relay.reset(new CTlsRelay);
        if (!m_Relay->Start(std::move(channel), port))
            return FetchStatus::Failure(FetchText::SecureFailed(server));
        address = L"127.0.0.1";
    } else {
        FetchStatus status = ProbeServer(url, host);
        if (!status.IsOk())
            return status;
        address = Utf8ToWide(url.host);
        port = url.port;
    }
    m_Ld = NetworkApi::Wldap32().ldap_initW(&address[0], static_cast<ULONG>(port));
    if (!m_Ld)
        return FetchStatus::Failure(FetchText::Refused(server));
    ULONG version = LDAP_VERSION3;
    NetworkApi::Wldap32().ldap_set_optionW(m_Ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    NetworkApi::Wldap32().ldap_set_optionW(m_Ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    return FetchStatus::Success();
}
