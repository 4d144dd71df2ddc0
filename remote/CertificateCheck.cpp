#include <winsock2.h>
#include "remote/CertificateCheck.h"
#include <string>
#include "remote/FetchText.h"
#include "remote/WideText.h"
#include "remote/NetworkApi.h"

namespace {

const char kUnknownAuthority[] = "証明書の発行元が信頼されていません（Windows の信頼されたルート証明機関にありません）。";
const char kExpired[] = "証明書の有効期限が切れているか、まだ有効になっていません。";
const char kOtherName[] = "証明書がこのサーバーの名前のものではありません。";
const char kRevoked[] = "証明書が失効しています。";
const char kWrongUsage[] = "証明書がサーバーの認証に使えるものではありません。";

std::string Unverifiable(const char* what, DWORD code)
{
    char text[16];
    wsprintfA(text, "%08lX", code);
    return std::string("証明書を確認できません（") + what + " " + text + "）。";
}

// The reason for a chain whose own trust status has an error; empty when it has none.
// Whether revocation could be checked at all is not an error: the system tells only
// what it knows.
std::string ChainReason(DWORD status)
{
    status &= ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION |
                                  CERT_TRUST_IS_NOT_TIME_NESTED);
    if (status == 0)
        return std::string();
    if (status & CERT_TRUST_IS_REVOKED)
        return kRevoked;
    if (status & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_NOT_SIGNATURE_VALID |
                  CERT_TRUST_IS_CYCLIC))
        return kUnknownAuthority;
    if (status & CERT_TRUST_IS_NOT_TIME_VALID)
        return kExpired;
    if (status & CERT_TRUST_IS_NOT_VALID_FOR_USAGE)
        return kWrongUsage;
    return Unverifiable("状態", status);
}

std::string PolicyReason(DWORD error)
{
    switch (error) {
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_CHAINING):
    case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE):
        return kUnknownAuthority;
    case static_cast<DWORD>(CERT_E_EXPIRED):
        return kExpired;
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
        return kOtherName;
    case static_cast<DWORD>(CRYPT_E_REVOKED):
        return kRevoked;
    case static_cast<DWORD>(CERT_E_WRONG_USAGE):
        return kWrongUsage;
    default:
        return Unverifiable("エラー", error);
    }
}


// The chain of certificate up to a root, for server authentication; none on failure.
PCCERT_CHAIN_CONTEXT ChainOf(PCCERT_CONTEXT certificate, DWORD flags)
{
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    LPSTR serverAuth = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = &serverAuth;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!NetworkApi::Crypt32().CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, flags, nullptr,
                                 &chain))
        return nullptr;
    return chain;
}

// Revocation as far as the system knows it without going to the network, so that the check
// never waits on a server of its own. (Asked apart: where revocation cannot be checked, the
// SSL policy reports that before any other fault, under Wine whatever its flags say.)
bool IsKnownRevoked(PCCERT_CONTEXT certificate)
{
    PCCERT_CHAIN_CONTEXT chain =
        ChainOf(certificate, CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT | CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY);
    if (!chain)
        return false;
    bool revoked = (chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_REVOKED) != 0;
    NetworkApi::Crypt32().CertFreeCertificateChain(chain);
    return revoked;
}

}  // namespace

FetchStatus VerifyServerCertificate(const BookUrl& url, PCCERT_CONTEXT certificate)
{
    std::string server = Utf8ToSjis(url.HostPort());
    if (!certificate)
        return FetchStatus::Failure(FetchText::SecureFailed(server));
    PCCERT_CHAIN_CONTEXT chain = ChainOf(certificate, 0);
    if (!chain)
        return FetchStatus::Failure(FetchText::Untrusted(server, Unverifiable("エラー", GetLastError())));
    std::string reason = ChainReason(chain->TrustStatus.dwErrorStatus);
    if (reason.empty()) {
        std::wstring name = Utf8ToWide(url.host);
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA extra = {};
        extra.cbSize = sizeof extra;
        extra.dwAuthType = AUTHTYPE_SERVER;
        extra.pwszServerName = &name[0];
        CERT_CHAIN_POLICY_PARA policyPara = {};
        policyPara.cbSize = sizeof policyPara;
        policyPara.pvExtraPolicyPara = &extra;
        CERT_CHAIN_POLICY_STATUS policyStatus = {};
        policyStatus.cbSize = sizeof policyStatus;
        if (!NetworkApi::Crypt32().CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policyPara, &policyStatus))
            reason = Unverifiable("エラー", GetLastError());
        else if (policyStatus.dwError != 0)
            reason = PolicyReason(policyStatus.dwError);
    }
    NetworkApi::Crypt32().CertFreeCertificateChain(chain);
    if (reason.empty() && IsKnownRevoked(certificate))
        reason = kRevoked;
    if (!reason.empty())
        return FetchStatus::Failure(FetchText::Untrusted(server, reason));
    return FetchStatus::Success();
}
