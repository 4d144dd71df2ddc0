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
// current folder. Kept loaded for the life of the process. name is ASCII.
HMODULE LoadSystemLibrary(const char* name)
{
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::wstring path(folder, length);
    path += L'\\';
    path.append(name, name + std::strlen(name));
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

}  // namespace

namespace NetworkApi {

// Each Load fills its table from the library of that name; on failure it says what is missing.
#define VELMORA_RESOLVE(name)                                 \
    if (!Resolve(module, #name, table.name))                  \
        return FetchText::LibraryMissing(library, #name);
#define VELMORA_LOAD_TABLE(Table, LIST)                                      \
    std::string Load(Table& table, const char* library)                      \
    {                                                                        \
        HMODULE module = LoadSystemLibrary(library);                         \
        if (!module)                                                         \
            return FetchText::LibraryMissing(library, "");                   \
        LIST(VELMORA_RESOLVE)                                                \
        return std::string();                                                \
    }

VELMORA_LOAD_TABLE(CredUiApi, VELMORA_CREDUI_FUNCTIONS)
VELMORA_LOAD_TABLE(Crypt32Api, VELMORA_CRYPT32_FUNCTIONS)
VELMORA_LOAD_TABLE(Secur32Api, VELMORA_SECUR32_FUNCTIONS)
VELMORA_LOAD_TABLE(WinHttpApi, VELMORA_WINHTTP_FUNCTIONS)
VELMORA_LOAD_TABLE(Wldap32Api, VELMORA_WLDAP32_FUNCTIONS)
VELMORA_LOAD_TABLE(Ws2Api, VELMORA_WS2_32_FUNCTIONS)

FetchStatus Require()
{
    std::lock_guard<std::mutex> hold(g_Lock);
    if (!g_bTried) {
        g_bTried = true;
        g_strMissing = Load(g_Ws2, "ws2_32.dll");
        if (g_strMissing.empty())
            g_strMissing = Load(g_Crypt32, "crypt32.dll");
        if (g_strMissing.empty())
            g_strMissing = Load(g_Secur32, "secur32.dll");
        if (g_strMissing.empty())
            g_strMissing = Load(g_Wldap32, "wldap32.dll");
        if (g_strMissing.empty())
            g_strMissing = Load(g_WinHttp, "winhttp.dll");
        if (g_strMissing.empty())
            g_strMissing = Load(g_CredUi, "credui.dll");
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
