// Checks made before or after a fetch talks to a server, for the message a failure shows.
// A first connection tells a refused connection, an unknown host and a connection timeout
// apart (the system's clients report all of them alike, and late); a look at a plain LDAP
// server's first answer tells a server that speaks no LDAP from one that went away. Neither
// carries a fetch's data.
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
