// Whether a server's certificate is one to trust for the server's name: the chain's own
// trust status (an unknown or missing authority, a bad signature, a time outside the
// certificate's validity, a revocation the system knows of) and the SSL policy for the
// name. Used on the very connection that carries a fetch, before anything else crosses it.
#pragma once
#include <windows.h>
#include <wincrypt.h>
#include "remote/BookUrl.h"
#include "remote/FetchStatus.h"

// Ok when certificate is trusted for the URL's host; otherwise the failure names the reason.
FetchStatus VerifyServerCertificate(const BookUrl& url, PCCERT_CONTEXT certificate);
