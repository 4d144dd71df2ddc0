// What a fetch, running on the update's worker thread, needs from the update that runs it:
// whether the user cancelled, a place to report how far it got, and a way to ask the user
// for credentials on the window's thread.
#pragma once
#include <cstddef>
#include "remote/Credentials.h"

class IFetchHost {
public:
    virtual bool IsCancelled() = 0;
    virtual void ReportProgress(size_t entries, size_t bytes) = 0;
    // Shows the system's credentials prompt for request and waits for the answer; false
    // when the user declined it or the update was cancelled meanwhile.
    virtual bool AskCredentials(const CredentialRequest& request, Credentials& answer, bool& save) = 0;

protected:
    ~IFetchHost() = default;
};
