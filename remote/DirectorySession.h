// One conversation with a global book's directory through the system's LDAP client, as the
// update's fetch and completion's live search both hold it: the checked connection, a bind,
// the wait for an operation's answer in short slices (each asking the caller's pace: a
// cancel, the fetch's deadline), the values of an entry, and the login as CLogin leads it:
// anonymously first, then with credentials while the directory asks for them.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <winldap.h>
#include <functional>
#include <memory>
#include <string>
#include "remote/BookUrl.h"
#include "remote/DirectoryConnection.h"
#include "remote/DirectoryEntry.h"
#include "remote/FetchHost.h"
#include "remote/FetchStatus.h"
#include "remote/Login.h"

class CDirectorySession {
public:
    struct MessageFreer {
        void operator()(LDAPMessage* message) const;
    };
    using Message = std::unique_ptr<LDAPMessage, MessageFreer>;
    // Asked between the slices of every wait: anything but Ok abandons the operation.
    using Pace = std::function<FetchStatus()>;
    // How a lost connection is named: as such, or (for the update) after a look at what the
    // server sent, which tells a server that speaks no LDAP from one that went away.
    enum class Diagnosis { Brief, Full };

    CDirectorySession(const BookUrl& url, IFetchHost& host, unsigned sliceMs, Diagnosis diagnosis, Pace pace);

    FetchStatus Open();
    LDAP* Handle() const { return m_Connection.Handle(); }
    const std::string& Server() const { return m_strServer; }

    // Runs search (which sets the directory's result code) as the login allows; refused
    // names the directory's own refusal of the search once the login is settled.
    FetchStatus RunLoggedIn(CLogin& login, const std::function<FetchStatus(ULONG& code)>& search,
                            const std::function<FetchStatus(ULONG code)>& refused);

    // Waits for the next message (all: LDAP_MSG_ONE or LDAP_MSG_ALL) of operation id; a
    // server silent for longer than the answer limit ends it.
    FetchStatus Wait(ULONG id, ULONG all, Message& message, ULONG& type);
    // Waits for the answers of search id: each entry goes to onEntry (whose failure abandons
    // the search and ends the wait), referrals and intermediate answers are passed over, and
    // the search's result comes back in result.
    FetchStatus Results(ULONG id, const std::function<FetchStatus(LDAPMessage*)>& onEntry, Message& result);
    // The entry's name and values; bytes grows by their size.
    DirectoryEntry ReadEntry(LDAPMessage* entry, size_t& bytes);
    FetchStatus ConnectionError();

    // A refusal that means "log in (as another) first".
    static bool AsksForCredentials(ULONG code);

private:
    const BookUrl& m_Url;
    IFetchHost& m_Host;
    const unsigned m_nSliceMs;
    const Diagnosis m_Diagnosis;
    const Pace m_Pace;
    std::string m_strServer;
    CDirectoryConnection m_Connection;
    bool m_bAnswered = false;  // the server has answered something

    FetchStatus Bind(const Credentials& who, ULONG& code);
};
