// Holds one window open on the Wine desktop of the test prefix for the length of a test run.
// scripts/test starts it next to a persistent wineserver: while a window exists the desktop
// process stays up, so each test program finds the desktop running instead of starting one.
//
// Usage: keepalive.exe [SECONDS]   exits by itself after SECONDS (default 3600), so a run that
// is killed without cleaning up does not leave Wine running for ever.
#include <windows.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    UINT seconds = argc > 1 ? (UINT)strtoul(argv[1], NULL, 10) : 3600;
    if (seconds == 0)
        return 2;

    HWND window = CreateWindowExA(0, "STATIC", "Velmora test desktop", WS_POPUP, 0, 0, 1, 1,
                                  NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (!window)
        return 1;
    // A thread timer: its WM_TIMER arrives with a null window and ends the loop.
    if (!SetTimer(NULL, 0, seconds * 1000u, NULL))
        return 1;

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == NULL)
            break;
        DispatchMessageA(&msg);
    }
    DestroyWindow(window);
    return 0;
}
