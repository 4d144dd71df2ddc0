// The host functions that the plug-in calls, with their exact types. Every host function
// and every exported entry point uses the C calling convention on both architectures.
#pragma once
#include <windows.h>

typedef UINT(__cdecl* PFN_EDA_GetTempID)(HINSTANCE hPlugin, int nCommand);
typedef const char*(__cdecl* PFN_EDA_GetPointedMailAdr)(void);
typedef int(__cdecl* PFN_EDA_GetCurAdrInfo)(char** ppTo, char** ppCc, char** ppBcc, char** ppReplyTo);
typedef int(__cdecl* PFN_EDA_ReleaseEdmaxBuffer)(void);
typedef int(__cdecl* PFN_EDA_SetCurAdrInfo)(const char* pTo, const char* pCc, const char* pBcc,
                                            const char* pReplyTo);

// Host events and plug-in commands.
enum HostEvent {
    EV_PLUGIN_INFO = 1000,
    EV_MENU_INIT = 1001,
    EV_ADDRESS_BOOK = 1503,
};

enum PluginCommand {
    CMD_SETTINGS = 35000,
    CMD_REGISTER_DISABLED = 35001,
    CMD_REGISTER_ADDRESS = 35002,
};
