// What passes between the host and an EdMax plug-in DLL: the two entry points the host calls,
// the event, menu and command codes, and the PLUGIN_INFO record that event 1000 fills.
#pragma once
#include <cstddef>

extern "C" {
// Both entry points take a reserved first argument that the host always passes as NULL.
typedef int(__cdecl* EdhOnHandleEventFn)(void* pReserved, int nEvent, int nSubCode, void* pData);
typedef int(__cdecl* EdhOnCmdProcFn)(void* pReserved, int nCommand);
}

enum EdhEvent : int {
    EDH_EVENT_PLUGIN_INFO = 1000,   // pData: PLUGIN_INFO* for the plug-in to fill
    EDH_EVENT_BUILD_MENU = 1001,    // nSubCode: EdhMenuKind, pData: the HMENU being built
    EDH_EVENT_ADDRESS_BOOK = 1503,  // nSubCode: EdhBookMode
};

// The menus the host lets the plug-in extend (the nSubCode of event 1001).
enum EdhMenuKind : int {
    MENU_KIND_TOOLS = 3,          // main menu "ツール"
    MENU_KIND_SETTINGS = 7,       // main menu "設定"
    MENU_KIND_BODY = 9,           // right-click in the body, no mail address under the pointer
    MENU_KIND_BODY_ADDRESS = 11,  // right-click on a mail address in the body
};

// Which header the address book fills when it closes with OK (the nSubCode of event 1503).
enum EdhBookMode : int {
    BOOK_BROWSE = 0,
    BOOK_TO = 1,
    BOOK_CC = 2,
    BOOK_BCC = 3,
    BOOK_REPLY_TO = 4,
};

// The plug-in's description. The host owns it and clears it before event 1000.
struct PLUGIN_INFO {
    int nTag;
    char szName[100];
    char szVersion[100];
    char szDate[100];
    char szAuthor[100];
    char szMail[100];
    char szUrl[100];
    char szDescription[10240];
    char szExtra1[100];
    char szExtra2[10240];
    char szExtra3[100];
    char szExtra4[100];
    char szExtra5[100];
};

// Plug-ins are built against these exact offsets, on 32- and 64-bit alike.
static_assert(offsetof(PLUGIN_INFO, szName) == 4);
static_assert(offsetof(PLUGIN_INFO, szVersion) == 104);
static_assert(offsetof(PLUGIN_INFO, szDate) == 204);
static_assert(offsetof(PLUGIN_INFO, szAuthor) == 304);
static_assert(offsetof(PLUGIN_INFO, szMail) == 404);
static_assert(offsetof(PLUGIN_INFO, szUrl) == 504);
static_assert(offsetof(PLUGIN_INFO, szDescription) == 604);
static_assert(offsetof(PLUGIN_INFO, szExtra1) == 10844);
static_assert(offsetof(PLUGIN_INFO, szExtra2) == 10944);
static_assert(offsetof(PLUGIN_INFO, szExtra3) == 21184);
static_assert(offsetof(PLUGIN_INFO, szExtra4) == 21284);
static_assert(offsetof(PLUGIN_INFO, szExtra5) == 21384);
static_assert(sizeof(PLUGIN_INFO) == 21484);
