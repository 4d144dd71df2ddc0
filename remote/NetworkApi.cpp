#include <winsock2.h>
#include "remote/NetworkApi.h"
#include <cstring>
#include <mutex>
#include <string>
#include "remote/FetchText.h"

namespace {

CredUiApi g_CredUi;
Crypt32Api g_Crypt32;
Secur32Api g_Secur32;
WinHttpApi g_WinHttp;
Wldap32Api g_Wldap32;
Ws2Api g_Ws2;

std::mutex g_Lock;
bool g_bTried = false;
std::string g_strMissing;  // empty once every table is filled

// The library of that name in the system folder, never one beside the host or in the
// current folder. Kept loaded for the life of the process.
HMODULE LoadSystemLibrary(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::wstring path(folder, length);
    path += L'\\';
    path += name;
    return LoadLibraryW(path.c_str());
}

template <typename Function>
bool Resolve(HMODULE module, const char* name, Function& slot)
{
    FARPROC found = GetProcAddress(module, name);
    if (!found)
        return false;
    static_assert(sizeof slot == sizeof found, "a function pointer is a function pointer");
    std::memcpy(&slot, &found, sizeof found);
    return true;
}

// Fills table from the library; on failure leaves what is missing in g_strMissing.
#define VELMORA_RESOLVE(name)                               \
    if (!Resolve(module, #name, table.name)) {              \
        g_strMissing = FetchText::LibraryMissing(dll, #name); \
        return false;                                       \
    }
#define VELMORA_LOAD_TABLE(function, Table, LIST, library) \
    bool function(Table& table)                              \
    {                                                        \
        const char* dll = library;                           \
        HMODULE module = LoadSystemLibrary(L##library);      \
        if (!module) {                                       \
            g_strMissing = FetchText::LibraryMissing(dll, ""); \
            return false;                                    \
        }                                                    \
        LIST(VELMORA_RESOLVE)                                \
        return true;                                         \
    }

VELMORA_LOAD_TABLE(LoadCredUi, CredUiApi, VELMORA_CREDUI_FUNCTIONS, "credui.dll")
VELMORA_LOAD_TABLE(LoadCrypt32, Crypt32Api, VELMORA_CRYPT32_FUNCTIONS, "crypt32.dll")
VELMORA_LOAD_TABLE(LoadSecur32, Secur32Api, VELMORA_SECUR32_FUNCTIONS, "secur32.dll")
VELMORA_LOAD_TABLE(LoadWinHttp, WinHttpApi, VELMORA_WINHTTP_FUNCTIONS, "winhttp.dll")
VELMORA_LOAD_TABLE(LoadWldap32, Wldap32Api, VELMORA_WLDAP32_FUNCTIONS, "wldap32.dll")
VELMORA_LOAD_TABLE(LoadWs2, Ws2Api, VELMORA_WS2_32_FUNCTIONS, "ws2_32.dll")

}  // namespace

namespace NetworkApi {

FetchStatus Require()
{
    std::lock_guard<std::mutex> hold(g_Lock);
    if (!g_bTried) {
        g_bTried = true;
        bool loaded = LoadWs2(g_Ws2) && LoadCrypt32(g_Crypt32) && LoadSecur32(g_Secur32) && LoadWldap32(g_Wldap32) &&
                      LoadWinHttp(g_WinHttp) && LoadCredUi(g_CredUi);
        if (loaded)
            g_strMissing.clear();
    }
    return g_strMissing.empty() ? FetchStatus::Success() : FetchStatus::Failure(g_strMissing);
}

const CredUiApi& CredUi() { return g_CredUi; }
const Crypt32Api& Crypt32() { return g_Crypt32; }
const Secur32Api& Secur32() { return g_Secur32; }
const WinHttpApi& WinHttp() { return g_WinHttp; }
const Wldap32Api& Wldap32() { return g_Wldap32; }
const Ws2Api& Ws2() { return g_Ws2; }

bool IsSet(SOCKET fd, const fd_set& set)
{
    for (u_int i = 0; i < set.fd_count; ++i) {
        if (set.fd_array[i] == fd)
            return true;
    }
    return false;
}

}  // namespace NetworkApi
