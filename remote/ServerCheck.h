// Checks made before a fetch talks to a server. A first connection tells a refused
// connection, an unknown host and a connection timeout apart (the LDAP client reports all
// of them alike, and late). For a TLS server, a handshake of our own through the system's
// TLS (schannel) fetches its certificate, which is checked against the certificates Windows
// trusts for the server's name; the reason for a refusal comes from there. (Wine's LDAP
// client does not check the certificate at all, and its HTTP client gives no reason.)
#pragma once
#include <string>
#include "remote/BookUrl.h"
#include "remote/FetchHost.h"
#include "remote/FetchStatus.h"

// Ok when a TCP connection to the URL's server can be made within the connect limit.
FetchStatus ProbeServer(const BookUrl& url, IFetchHost& host);

// Asks a plain LDAP server for an anonymous bind by hand and looks at the first bytes of
// its answer: a failure that says whether it answered something that is no LDAP at all,
// nothing, or not in time; Ok when the answer looks like LDAP. The LDAP client reports all
// of these as a lost connection.
FetchStatus ProbeLdapAnswer(const BookUrl& url, IFetchHost& host);

// Ok when the server's certificate is one Windows trusts for its name; otherwise the
// failure names the reason.
FetchStatus CheckServerCertificate(const BookUrl& url, IFetchHost& host);
