// CWinApp, the plug-in module's application object: InitInstance runs when the module
// loads (a failure refuses the load) and ExitInstance when it unloads, or right after a
// failed start. The application name, the module's file name without its extension, is
// the caption of the message boxes that the plug-in's windows show without one of their own.
#pragma once
#include <windows.h>
#include <string>

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }

    HINSTANCE m_hInstance = nullptr;
    std::string m_strAppName;

    // Called by the module's entry point.
    BOOL Start(HINSTANCE module);
    void Stop();

    static CWinApp* Current() { return s_pApp; }

private:
    static CWinApp* s_pApp;
    bool m_bExitDone = false;
};

// A message box whose caption, when none is given, is the application's name.
int AppMessageBox(HWND owner, const char* text, const char* caption, UINT type);
