// The built velmora.dll, copied into a folder of its own and loaded into this test program,
// which plays the host. Each folder gets its own settings file beside the copy.
#pragma once
#include <windows.h>
#include <string>
#include "TestFiles.h"

class CPluginModule {
public:
    explicit CPluginModule(const std::string& folder);
    ~CPluginModule();

    bool Load();
    void Unload();
    bool Loaded() const { return m_hModule != nullptr; }
    HMODULE Handle() const { return m_hModule; }

    int Event(int event, int subCode, void* data);
    int Command(int command);

    const std::string& Folder() const { return m_folder; }
    std::string IniPath() const { return m_folder + "velmora.ini"; }

private:
    std::string m_folder;  // with its trailing separator
    HMODULE m_hModule = nullptr;
    int(__cdecl* m_pfnEvent)(void*, int, int, void*) = nullptr;
    int(__cdecl* m_pfnCommand)(void*, int) = nullptr;
};
