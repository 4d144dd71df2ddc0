#include "RemoteServers.h"
#include <wincred.h>
#include <wincrypt.h>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace {

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, length);
    return text.substr(0, text.rfind('\\') + 1);
}

const std::map<std::string, int>& Ports()
{
    static std::map<std::string, int> ports = [] {
        std::map<std::string, int> read;
        std::ifstream file(RemoteServers::Folder() + "ports.env");
        std::string line;
        while (std::getline(file, line)) {
            size_t equals = line.find('=');
            if (equals != std::string::npos)
                read[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
        }
        return read;
    }();
    return ports;
}

}  // namespace

namespace RemoteServers {

std::string Folder()
{
    return ProgramFolder() + "remote-servers\\";
}

int Port(const char* name)
{
    auto found = Ports().find(name);
    return found == Ports().end() ? 0 : found->second;
}

std::string Url(const char* scheme, const char* portName, const std::string& rest)
{
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(Port(portName)) + rest;
}

std::string RecorderLog()
{
    std::ifstream file(Folder() + "recorder.log");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void TrustTestAuthority()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    std::ifstream file(Folder() + "ca.cer", std::ios::binary);
    std::string der((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "Root");
    if (!root)
        return;
    CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                     static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(root, 0);
}

void ForgetCredentials()
{
    DWORD count = 0;
    PCREDENTIALW* found = nullptr;
    if (!CredEnumerateW(L"Velmora:*", 0, &count, &found))
        return;
    for (DWORD i = 0; i < count; ++i)
        CredDeleteW(found[i]->TargetName, found[i]->Type, 0);
    CredFree(found);
}

ShortLimits::ShortLimits()
{
    g_FetchLimits.connectMs = 1500;
    g_FetchLimits.answerMs = 1500;
    g_FetchLimits.maxBytes = 1u << 20;
}

}  // namespace RemoteServers

bool CScriptedHost::AskCredentials(const CredentialRequest& request, Credentials& answer, bool& keep)
{
    asked.push_back(request);
    if (asked.size() > answers.size())
        return false;
    answer = answers[asked.size() - 1];
    keep = save;
    return true;
}

Credentials MakeCredentials(const wchar_t* user, const wchar_t* password)
{
    Credentials credentials;
    credentials.user = user;
    credentials.password = password;
    return credentials;
}
