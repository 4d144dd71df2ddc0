// edmax.exe: a stand-in for the EdMax mail client's editing screen that loads velmora.dll
// from its own folder, for developing and testing the plug-in without EdMax.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include "edmax/HostApp.h"
#include "edmax/HostOptions.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow)
{
    CHostOptions options;
    std::string error;
    // MinGW's __argv holds the arguments in the ANSI code page, as the rest of the host.
    if (!options.Parse(__argc, __argv, &error)) {
        // Also on stderr: under a test script nobody would close the message box.
        std::fprintf(stderr, "edmax: %s\n", error.c_str());
        return 2;
    }
    if (options.m_bHelp) {
        MessageBoxA(NULL, CHostOptions::Usage(), "EdMax", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    CHostApp app(options);
    return app.Run(hInstance, nCmdShow);
}
