// The running host: the plug-in, the editing screen and the state behind the exported EDA_
// functions (temporary menu ids, handed-out buffers). One instance lives for the program.
#pragma once
#include <windows.h>
#include "edmax/ComposeWindow.h"
#include "edmax/HostBuffers.h"
#include "edmax/HostOptions.h"
#include "edmax/Plugin.h"
#include "edmax/TempIdTable.h"

class CHostApp {
public:
    explicit CHostApp(const CHostOptions& options);
    ~CHostApp();
    CHostApp(const CHostApp&) = delete;
    CHostApp& operator=(const CHostApp&) = delete;

    // The instance the exported functions work on; null before Run and after it returns.
    static CHostApp* Current() { return s_pCurrent; }

    // Loads the plug-in, shows the editing screen until it is closed, unloads the plug-in.
    // Returns the process exit code.
    int Run(HINSTANCE hInstance, int nCmdShow);

    CPlugin& Plugin() { return m_plugin; }
    CTempIdTable& TempIds() { return m_tempIds; }
    CHostBuffers& Buffers() { return m_buffers; }
    CComposeWindow& Window() { return m_window; }

private:
    void PresetFields();

    static CHostApp* s_pCurrent;
    CHostOptions m_options;
    CPlugin m_plugin;
    CTempIdTable m_tempIds;
    CHostBuffers m_buffers;
    CComposeWindow m_window;
};
