#include "framework/WinApp.h"
#include "framework/PathName.h"

CWinApp* CWinApp::s_pApp = nullptr;

CWinApp::CWinApp()
{
    s_pApp = this;
}

CWinApp::~CWinApp()
{
    if (s_pApp == this)
        s_pApp = nullptr;
}

BOOL CWinApp::Start(HINSTANCE module)
{
    m_hInstance = module;
    m_strAppName = SplitPath(ModuleFileName(module)).base;
    m_bExitDone = false;
    if (InitInstance())
        return TRUE;
    Stop();
    return FALSE;
}

// Runs ExitInstance once, whether the unload follows a good or a failed start.
void CWinApp::Stop()
{
    if (m_bExitDone)
        return;
    m_bExitDone = true;
    ExitInstance();
}

int AppMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    CWinApp* app = CWinApp::Current();
    if (!caption && app)
        caption = app->m_strAppName.c_str();
    return MessageBoxA(owner, text, caption, type);
}
