// The application object that the window's code expects in its process: the window benches
// run the dialog in an exe of their own, so each defines it by including this header once.
#pragma once
#include <windows.h>
#include "framework/WinApp.h"

namespace {

struct CBenchApp : CWinApp {
    CBenchApp()
    {
        m_hInstance = GetModuleHandleA(nullptr);
        m_strAppName = "velmora";
    }
} theBenchApp;

}  // namespace
