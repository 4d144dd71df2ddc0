// Whom a fetch logs in as, step by step: anonymously first; when the server asks, as the
// credentials kept in the store for its origin; when there are none or they fail, as the
// user answers the system's prompt; when that answer fails too, the fetch ends. Accepted
// credentials from the prompt are kept in the store only when the user allowed it.
#pragma once
#include <string>
#include "remote/BookUrl.h"
#include "remote/Credentials.h"
#include "remote/FetchHost.h"
#include "remote/FetchStatus.h"

class CLogin {
public:
    CLogin(IFetchHost& host, const BookUrl& origin, const std::string& bookName);

    bool IsAnonymous() const { return m_nStage == kAnonymous; }
    const Credentials& Current() const { return m_Current; }

    // The server refused the current attempt (or asked for credentials). True when there
    // are credentials to try next; otherwise status says why the fetch ends.
    bool Refused(FetchStatus& status);
    // The server accepted the current attempt (said once is enough).
    void Accepted();

private:
    enum Stage { kAnonymous, kStored, kPrompted };
    IFetchHost& m_Host;
    BookUrl m_Origin;
    std::string m_strBook;
    std::wstring m_strTarget;
    Stage m_nStage = kAnonymous;
    Credentials m_Current;
    bool m_bSave = false;
    bool m_bStoredFailed = false;
    bool m_bAccepted = false;
};
