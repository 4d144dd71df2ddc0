// The system's network libraries (credui, crypt32, secur32, winhttp, wldap32, ws2_32), loaded
// from the system folder the first time a global book is fetched or searched, so that a host
// whose user never does either never loads them. Each library has a table of typed pointers
// to the functions Velmora calls; Require() loads all of them once (from any thread) and says,
// in a message for the user, which library or function is missing. The tables may be used
// only after Require() succeeded.
#pragma once
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <wincred.h>
#include <wincrypt.h>
#include <winhttp.h>
#include <winldap.h>
#include <winber.h>
#define SECURITY_WIN32
#include <security.h>
#include <string>
#include "remote/FetchStatus.h"

#define VELMORA_CREDUI_FUNCTIONS(X) X(CredUIPromptForCredentialsW)

#define VELMORA_CRYPT32_FUNCTIONS(X) \
    X(CertFreeCertificateChain)      \
    X(CertFreeCertificateContext)    \
    X(CertGetCertificateChain)       \
    X(CertVerifyCertificateChainPolicy)

#define VELMORA_SECUR32_FUNCTIONS(X) \
    X(AcquireCredentialsHandleW)     \
    X(DecryptMessage)                \
    X(DeleteSecurityContext)         \
    X(EncryptMessage)                \
    X(FreeContextBuffer)             \
    X(FreeCredentialsHandle)         \
    X(InitializeSecurityContextW)    \
    X(QueryContextAttributesW)

#define VELMORA_WINHTTP_FUNCTIONS(X) \
    X(WinHttpAddRequestHeaders)      \
    X(WinHttpCloseHandle)            \
    X(WinHttpConnect)                \
    X(WinHttpGetDefaultProxyConfiguration) \
    X(WinHttpOpen)                   \
    X(WinHttpOpenRequest)            \
    X(WinHttpQueryAuthSchemes)       \
    X(WinHttpQueryDataAvailable)     \
    X(WinHttpQueryHeaders)           \
    X(WinHttpReadData)               \
    X(WinHttpReceiveResponse)        \
    X(WinHttpSendRequest)            \
    X(WinHttpSetCredentials)         \
    X(WinHttpSetOption)              \
    X(WinHttpSetStatusCallback)      \
    X(WinHttpSetTimeouts)

#define VELMORA_WLDAP32_FUNCTIONS(X) \
    X(ber_bvfree)                    \
    X(ldap_abandon)                  \
    X(ldap_control_freeW)            \
    X(ldap_controls_freeW)           \
    X(ldap_create_page_controlW)     \
    X(ldap_get_dnW)                  \
    X(ldap_get_optionW)              \
    X(ldap_get_valuesW)              \
    X(ldap_initW)                    \
    X(ldap_memfreeW)                 \
    X(ldap_msgfree)                  \
    X(ldap_parse_page_controlW)      \
    X(ldap_parse_resultW)            \
    X(ldap_result)                   \
    X(ldap_search_extW)              \
    X(ldap_set_optionW)              \
    X(ldap_simple_bindW)             \
    X(ldap_unbind)                   \
    X(ldap_value_freeW)

#define VELMORA_WS2_32_FUNCTIONS(X) \
    X(FreeAddrInfoW)                \
    X(GetAddrInfoW)                 \
    X(WSACleanup)                   \
    X(WSAGetLastError)              \
    X(WSAStartup)                   \
    X(accept)                       \
    X(bind)                         \
    X(closesocket)                  \
    X(connect)                      \
    X(getsockname)                  \
    X(getsockopt)                   \
    X(ioctlsocket)                  \
    X(listen)                       \
    X(recv)                         \
    X(select)                       \
    X(send)                         \
    X(setsockopt)                   \
    X(socket)

#define VELMORA_API_POINTER(name) decltype(&::name) name = nullptr;

struct CredUiApi {
    VELMORA_CREDUI_FUNCTIONS(VELMORA_API_POINTER)
};
struct Crypt32Api {
    VELMORA_CRYPT32_FUNCTIONS(VELMORA_API_POINTER)
};
struct Secur32Api {
    VELMORA_SECUR32_FUNCTIONS(VELMORA_API_POINTER)
};
struct WinHttpApi {
    VELMORA_WINHTTP_FUNCTIONS(VELMORA_API_POINTER)
};
struct Wldap32Api {
    VELMORA_WLDAP32_FUNCTIONS(VELMORA_API_POINTER)
};
struct Ws2Api {
    VELMORA_WS2_32_FUNCTIONS(VELMORA_API_POINTER)
};

namespace NetworkApi {

// Success once every library and function is there; else a failure naming what is missing.
FetchStatus Require();

// Fills table from the library of that file name in the system folder ("winhttp.dll"): an
// empty string, or the message naming the library or function that is missing. Require()
// loads each table from its library once.
std::string Load(CredUiApi& table, const char* library);
std::string Load(Crypt32Api& table, const char* library);
std::string Load(Secur32Api& table, const char* library);
std::string Load(WinHttpApi& table, const char* library);
std::string Load(Wldap32Api& table, const char* library);
std::string Load(Ws2Api& table, const char* library);

const CredUiApi& CredUi();
const Crypt32Api& Crypt32();
const Secur32Api& Secur32();
const WinHttpApi& WinHttp();
const Wldap32Api& Wldap32();
const Ws2Api& Ws2();

// True when fd is among set's sockets (what FD_ISSET asks of ws2_32).
bool IsSet(SOCKET fd, const fd_set& set);

}  // namespace NetworkApi
