// The one way to open a connection to a global book's directory, for every search made of
// it: for ldaps:// a TLS connection of Velmora's own whose certificate is checked before
// the directory client sends anything through it (Wine's directory client checks no
// certificate and takes no certificate callback); for ldap:// the server's port, probed
// first so that a refused connection, an unknown host and a timeout are told apart.
// Referrals are never followed, so no search or credentials go to another server.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <winldap.h>
#include <memory>
#include "remote/BookUrl.h"
#include "remote/FetchHost.h"
#include "remote/FetchStatus.h"

class CTlsRelay;

class CDirectoryConnection {
public:
    CDirectoryConnection();
    ~CDirectoryConnection();
    CDirectoryConnection(const CDirectoryConnection&) = delete;
    CDirectoryConnection& operator=(const CDirectoryConnection&) = delete;

    FetchStatus Open(const BookUrl& url, IFetchHost& host);
    LDAP* Handle() const { return m_Ld; }
    void Close();

private:
    LDAP* m_Ld = nullptr;
    std::unique_ptr<CTlsRelay> m_Relay;
};
