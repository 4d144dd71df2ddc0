#include "edmax/Plugin.h"

#include <cstdio>
#include <cstring>

namespace {

std::string SystemMessage(DWORD error)
{
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  NULL, error, 0, reinterpret_cast<char*>(&text), 0, NULL);
    std::string message = length ? std::string(text, length) : std::string();
    if (text)
        LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    char code[40];
    std::snprintf(code, sizeof code, "(エラー %lu)", static_cast<unsigned long>(error));
    return message.empty() ? std::string(code) : message + " " + code;
}

// GetProcAddress's FARPROC to the entry point's real type. The detour through void (*)(void)
// is how the conversion is spelled without a function-type warning.
template <typename Fn>
Fn EntryPoint(HMODULE hModule, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)(void)>(GetProcAddress(hModule, name)));
}

// A plug-in may fill a field up to its last byte; the host reads them as C strings.
template <size_t N>
void Terminate(char (&field)[N])
{
    field[N - 1] = '\0';
}

}  // namespace

CPlugin::CPlugin()
    : m_hModule(NULL),
      m_pfnHandleEvent(nullptr),
      m_pfnCmdProc(nullptr),
      m_pInfo(new PLUGIN_INFO()),
      m_nDepth(0)
{
}

CPlugin::~CPlugin()
{
    Unload();
}

bool CPlugin::Load(const std::string& path)
{
    Unload();
    HMODULE hModule = LoadLibraryA(path.c_str());
    if (!hModule) {
        m_sLoadError = "プラグインを読み込めませんでした。\n" + path + "\n" +
                       SystemMessage(GetLastError());
        return false;
    }
    auto pfnHandleEvent = EntryPoint<EdhOnHandleEventFn>(hModule, "EDH_OnHandleEvent");
    auto pfnCmdProc = EntryPoint<EdhOnCmdProcFn>(hModule, "EDH_OnCmdProc");
    if (!pfnHandleEvent || !pfnCmdProc) {
        FreeLibrary(hModule);
        m_sLoadError = "EdMax プラグインではありません (EDH_OnHandleEvent と EDH_OnCmdProc が"
                       "ありません)。\n" + path;
        return false;
    }
    m_hModule = hModule;
    m_pfnHandleEvent = pfnHandleEvent;
    m_pfnCmdProc = pfnCmdProc;
    m_sLoadError.clear();
    QueryInfo();
    return true;
}

void CPlugin::Unload()
{
    if (!m_hModule)
        return;
    FreeLibrary(m_hModule);
    m_hModule = NULL;
    m_pfnHandleEvent = nullptr;
    m_pfnCmdProc = nullptr;
    std::memset(m_pInfo.get(), 0, sizeof(PLUGIN_INFO));
}

void CPlugin::QueryInfo()
{
    std::memset(m_pInfo.get(), 0, sizeof(PLUGIN_INFO));
    RaiseEvent(EDH_EVENT_PLUGIN_INFO, 0, m_pInfo.get());
    PLUGIN_INFO& info = *m_pInfo;
    Terminate(info.szName);
    Terminate(info.szVersion);
    Terminate(info.szDate);
    Terminate(info.szAuthor);
    Terminate(info.szMail);
    Terminate(info.szUrl);
    Terminate(info.szDescription);
    Terminate(info.szExtra1);
    Terminate(info.szExtra2);
    Terminate(info.szExtra3);
    Terminate(info.szExtra4);
    Terminate(info.szExtra5);
}

std::string CPlugin::Caption() const
{
    if (!IsLoaded())
        return std::string();
    std::string caption = m_pInfo->szName[0] ? m_pInfo->szName : "(名前のないプラグイン)";
    if (m_pInfo->szVersion[0])
        caption += std::string(" ") + m_pInfo->szVersion;
    return caption;
}

int CPlugin::RaiseEvent(int nEvent, int nSubCode, void* pData)
{
    if (!m_pfnHandleEvent)
        return 0;
    ++m_nDepth;
    int result = m_pfnHandleEvent(nullptr, nEvent, nSubCode, pData);
    --m_nDepth;
    return result;
}

int CPlugin::RunCommand(int nCommand)
{
    if (!m_pfnCmdProc)
        return 0;
    ++m_nDepth;
    int result = m_pfnCmdProc(nullptr, nCommand);
    --m_nDepth;
    return result;
}
