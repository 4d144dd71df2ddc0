#include "PluginModule.h"
#include <cstdio>

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

std::string NewTestFolder(const std::string& name)
{
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "velmora-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(counter++) + name + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void RemoveTestFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string path = folder + found.cFileName;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string IniValue(const std::string& ini, const char* section, const char* key)
{
    char value[4096];
    GetPrivateProfileStringA(section, key, "(missing)", value, sizeof value, ini.c_str());
    return value;
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return "(no file)";
    int c;
    while ((c = std::fgetc(file)) != EOF)
        bytes.push_back(static_cast<char>(c));
    std::fclose(file);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
