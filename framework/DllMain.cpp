// The module's entry point: hands load and unload to the application object.
#include <windows.h>
#include "framework/WinApp.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    CWinApp* app = CWinApp::Current();
    if (!app)
        return TRUE;
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(module);
        return app->Start(module);
    case DLL_PROCESS_DETACH:
        app->Stop();
        break;
    }
    return TRUE;
}
