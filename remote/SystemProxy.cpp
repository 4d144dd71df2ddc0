#include <winsock2.h>
#include "remote/SystemProxy.h"
#include <windows.h>
#include <winhttp.h>
#include "remote/NetworkApi.h"
#include "remote/WideText.h"

const ProxySetting* g_pProxySetting = nullptr;

ProxySetting DefaultProxySetting()
{
    if (g_pProxySetting)
        return *g_pProxySetting;
    ProxySetting setting;
    WINHTTP_PROXY_INFO info = {};
    if (!NetworkApi::WinHttp().WinHttpGetDefaultProxyConfiguration(&info))
        return setting;
    if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy)
        setting.proxies = WideToUtf8(info.lpszProxy, wcslen(info.lpszProxy));
    if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxyBypass)
        setting.bypass = WideToUtf8(info.lpszProxyBypass, wcslen(info.lpszProxyBypass));
    if (info.lpszProxy)
        GlobalFree(info.lpszProxy);
    if (info.lpszProxyBypass)
        GlobalFree(info.lpszProxyBypass);
    return setting;
}
