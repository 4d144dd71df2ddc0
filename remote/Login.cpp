#include "remote/Login.h"
#include "remote/FetchText.h"
#include "remote/WideText.h"

CLogin::CLogin(IFetchHost& host, const BookUrl& origin, const std::string& bookName)
    : m_Host(host), m_Origin(origin), m_strBook(bookName), m_strTarget(CredentialTarget(origin))
{
}

bool CLogin::Refused(FetchStatus& status)
{
    std::string server = Utf8ToSjis(m_Origin.HostPort());
    if (m_nStage == kAnonymous && ReadStoredCredentials(m_strTarget, m_Current)) {
        m_nStage = kStored;
        return true;
    }
    if (m_nStage == kPrompted) {
        status = FetchStatus::Failure(FetchText::WrongPassword(server));
        return false;
    }
    CredentialRequest request;
    request.target = m_strTarget;
    request.bookName = m_strBook;
    request.server = server;
    request.directory = m_Origin.IsDirectory();
    request.unencrypted = !m_Origin.IsSecure();
    request.retry = m_nStage == kStored;
    request.user = m_Current.user;
    m_bStoredFailed = m_nStage == kStored;
    m_Current.Clear();
    if (!m_Host.AskCredentials(request, m_Current, m_bSave)) {
        status = m_Host.IsCancelled() ? FetchStatus::Cancel() : FetchStatus::Failure(FetchText::LoginCancelled(server));
        return false;
    }
    m_nStage = kPrompted;
    return true;
}

void CLogin::Accepted()
{
    if (m_nStage != kPrompted || m_bAccepted)
        return;
    m_bAccepted = true;
    if (m_bSave)
        WriteStoredCredentials(m_strTarget, m_Current);
    else if (m_bStoredFailed)
        DeleteStoredCredentials(m_strTarget);
}
