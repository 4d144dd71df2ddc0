// What the shared-book tests know of the servers that servers.py started for them (read
// from remote-servers/ports.env beside the test program), and the test's side of the
// system: the test authority trusted in the Wine prefix, Velmora's credentials cleared,
// shorter limits, and a fetch host whose user answers prompts from a script.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "remote/FetchHost.h"
#include "remote/FetchStatus.h"

namespace RemoteServers {

int Port(const char* name);
// "scheme://127.0.0.1:<port of name>" followed by rest.
std::string Url(const char* scheme, const char* portName, const std::string& rest = "");
// The servers' folder as a Windows path, with a trailing "\".
std::string Folder();
// The Authorization headers that reached the redirect's target, one line a request.
std::string RecorderLog();
// Makes the test authority a trusted root of the prefix (once a process).
void TrustTestAuthority();
// Removes every credential that Velmora keeps in the store.
void ForgetCredentials();
// Limits short enough for the timeout tests, restored by the destructor.
struct ShortLimits {
    FetchLimits saved = g_FetchLimits;
    ShortLimits();
    ~ShortLimits() { g_FetchLimits = saved; }
};

}  // namespace RemoteServers

// A fetch host whose user answers each credentials prompt with the next of answers (or
// cancels it when none are left), and which cancels after a number of progress reports
// when cancelAfter is set, or from the time cancelAt on.
class CScriptedHost : public IFetchHost {
public:
    std::vector<Credentials> answers;
    bool save = false;
    std::vector<CredentialRequest> asked;
    int cancelAfter = -1;
    int reports = 0;
    DWORD cancelAt = 0;  // a tick count from which the user has cancelled, when not 0

    bool IsCancelled() override
    {
        return (cancelAfter >= 0 && reports >= cancelAfter) ||
               (cancelAt != 0 && static_cast<LONG>(GetTickCount() - cancelAt) >= 0);
    }
    void ReportProgress(size_t, size_t) override { ++reports; }
    bool AskCredentials(const CredentialRequest& request, Credentials& answer, bool& keep) override;
};

Credentials MakeCredentials(const wchar_t* user, const wchar_t* password);
