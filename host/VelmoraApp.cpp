#include "host/VelmoraApp.h"
#include <cstring>
#include "framework/PathName.h"
#include "files/KeptLocks.h"
#include "host/EdaTable.h"
#include "store/AddrBook.h"
#include "books/IniPath.h"


BOOL CVelmoraApp::InitInstance()
{
    if (!g_EdaTable.LoadEdaFunctions())
        return FALSE;

    g_szIniPath[0] = '\0';
    PathParts parts = SplitPath(ModuleFileName(m_hInstance));
    std::string iniPath = parts.drive + parts.dir + parts.base + ".ini";
    if (iniPath.size() < sizeof g_szIniPath)
        std::memcpy(g_szIniPath, iniPath.c_str(), iniPath.size() + 1);

    g_EdaTable.m_hInst = m_hInstance;
    g_AddrBook.LoadBooks();
    return TRUE;
}

int CVelmoraApp::ExitInstance()
{
    CKeptLocks::StopKeeping();
    g_AddrBook.SaveBooks();
    return CWinApp::ExitInstance();
}
