// Credentials for a server that asks for them: kept only in memory while a fetch uses
// them, and, when the user allows it, in the Windows credential store under a target
// named after the server's origin ("Velmora:ldaps://dir.example.com:636"). Never in the
// settings file, a trace or a message.
#pragma once
#include <windows.h>
#include <string>
#include "remote/BookUrl.h"

struct Credentials {
    std::wstring user;
    std::wstring password;

    Credentials() = default;
    Credentials(const Credentials&) = default;
    Credentials& operator=(const Credentials&) = default;
    ~Credentials() { Clear(); }
    // Overwrites the password in memory before it is released.
    void Clear();
};

// What the prompt says: for which book and server, and whether earlier credentials failed.
struct CredentialRequest {
    std::wstring target;
    std::string bookName;  // Shift-JIS
    std::string server;    // "host:port"
    bool directory = false;
    bool unencrypted = false;  // ldap:// or http://: the password crosses the network as it is
    bool retry = false;
    std::wstring user;     // proposed in the prompt
};

std::wstring CredentialTarget(const BookUrl& url);

bool ReadStoredCredentials(const std::wstring& target, Credentials& out);
bool WriteStoredCredentials(const std::wstring& target, const Credentials& credentials);
void DeleteStoredCredentials(const std::wstring& target);

// The system's credentials prompt, owned by owner, on the window's thread. True with the
// user's answer and whether they want it kept; false when they cancelled.
bool PromptForCredentials(HWND owner, const CredentialRequest& request, Credentials& answer, bool& save);
