// The application object of the window tests: the dialogs load their templates from this
// program, which links the plug-in's resources, and message boxes take its name.
#include "framework/WinApp.h"

namespace {

struct CTestApp : CWinApp {
    CTestApp()
    {
        m_hInstance = GetModuleHandleA(nullptr);
        m_strAppName = "velmora";
    }
};

CTestApp theTestApp;

}  // namespace
