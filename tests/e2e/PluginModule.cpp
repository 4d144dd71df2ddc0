#include "PluginModule.h"

namespace {

// The folder of this test program, where the build puts velmora.dll.
std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

}  // namespace

CPluginModule::CPluginModule(const std::string& folder) : m_folder(folder)
{
    CopyFileA((ProgramFolder() + "velmora.dll").c_str(), (m_folder + "velmora.dll").c_str(), FALSE);
}

CPluginModule::~CPluginModule()
{
    Unload();
}

bool CPluginModule::Load()
{
    m_hModule = LoadLibraryA((m_folder + "velmora.dll").c_str());
    if (!m_hModule)
        return false;
    m_pfnEvent = reinterpret_cast<decltype(m_pfnEvent)>(
        reinterpret_cast<void*>(GetProcAddress(m_hModule, "EDH_OnHandleEvent")));
    m_pfnCommand = reinterpret_cast<decltype(m_pfnCommand)>(
        reinterpret_cast<void*>(GetProcAddress(m_hModule, "EDH_OnCmdProc")));
    return m_pfnEvent && m_pfnCommand;
}

void CPluginModule::Unload()
{
    if (m_hModule)
        FreeLibrary(m_hModule);
    m_hModule = nullptr;
}

int CPluginModule::Event(int event, int subCode, void* data)
{
    return m_pfnEvent(nullptr, event, subCode, data);
}

int CPluginModule::Command(int command)
{
    return m_pfnCommand(nullptr, command);
}
