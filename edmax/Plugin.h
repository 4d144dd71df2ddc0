// The loaded plug-in DLL: its two entry points, its description (event 1000) and the calls
// into it. A plug-in saves its data when it is unloaded, so the host unloads it on exit.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include "edmax/PluginAbi.h"

class CPlugin {
public:
    CPlugin();
    ~CPlugin();
    CPlugin(const CPlugin&) = delete;
    CPlugin& operator=(const CPlugin&) = delete;

    // Loads the DLL, resolves EDH_OnHandleEvent and EDH_OnCmdProc and asks for the
    // description. False, with a message for the user in LoadError(), if any of it fails.
    bool Load(const std::string& path);
    void Unload();

    bool IsLoaded() const { return m_hModule != NULL; }
    const std::string& LoadError() const { return m_sLoadError; }
    const PLUGIN_INFO& Info() const { return *m_pInfo; }

    // "名前 バージョン" for titles and the status bar.
    std::string Caption() const;

    // A call into the plug-in is under way (it may be running a modal window).
    bool IsBusy() const { return m_nDepth > 0; }

    // EDH_OnHandleEvent(NULL, ...); 0 when no plug-in is loaded.
    int RaiseEvent(int nEvent, int nSubCode, void* pData);
    // EDH_OnCmdProc(NULL, nCommand); 0 when no plug-in is loaded.
    int RunCommand(int nCommand);

private:
    void QueryInfo();

    HMODULE m_hModule;
    EdhOnHandleEventFn m_pfnHandleEvent;
    EdhOnCmdProcFn m_pfnCmdProc;
    std::unique_ptr<PLUGIN_INFO> m_pInfo;  // 21 KB: kept off the stack
    std::string m_sLoadError;
    int m_nDepth;
};
