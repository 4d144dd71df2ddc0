// The functions edmax.exe exports for plug-ins. A plug-in finds each by its plain name with
// GetProcAddress(GetModuleHandleA(NULL), ...) and refuses to load if one is missing, so all of
// them are here, C linkage and __cdecl, whether or not a plug-in calls them.
#pragma once
#include <windows.h>

#define EDMAX_API extern "C" __declspec(dllexport)

// Menus: a temporary command id that the host routes to EDH_OnCmdProc(NULL, nCommand).
EDMAX_API UINT __cdecl EDA_GetTempID(HINSTANCE hPlugin, int nCommand);

// The editing screen's address headers. Buffers from EDA_GetCurAdrInfo stay valid until the
// next EDA_ReleaseEdmaxBuffer.
EDMAX_API int __cdecl EDA_GetCurAdrInfo(char** ppTo, char** ppCc, char** ppBcc, char** ppReplyTo);
EDMAX_API int __cdecl EDA_ReleaseEdmaxBuffer(void);
EDMAX_API int __cdecl EDA_SetCurAdrInfo(const char* pTo, const char* pCc, const char* pBcc,
                                        const char* pReplyTo);
EDMAX_API const char* __cdecl EDA_GetPointedMailAdr(void);

EDMAX_API int __cdecl EDA_DispMessageOnStatusBar(const char* pText);
EDMAX_API int __cdecl EDA_GetEdmaxVersion(void);
EDMAX_API int __cdecl EDA_IsCommunicatingNow(void);
EDMAX_API const char* __cdecl EDA_GetPointedUrl(void);
EDMAX_API const char* __cdecl EDA_GetPointedMessageId(void);

// Mail folders, the web, macros and the other windows: the editing screen has none of these,
// so each answers that there is nothing (0).
EDMAX_API int __cdecl EDA_AppendMessage(void);
EDMAX_API int __cdecl EDA_MakeLoginURLEncoding(void);
EDMAX_API int __cdecl EDA_ReceiveArticleBbs(void);
EDMAX_API int __cdecl EDA_GetWebDataEx(void);
EDMAX_API int __cdecl EDA_WebLogin(void);
EDMAX_API int __cdecl EDA_GetAindexFolderPath(void);
EDMAX_API int __cdecl EDA_ListUpFiles(void);
EDMAX_API int __cdecl EDA_ListUpAllFiles(void);
EDMAX_API int __cdecl EDA_GetLayoutParam(void);
EDMAX_API int __cdecl EDA_SetLayoutParam(void);
EDMAX_API int __cdecl EDA_GetListColumnWidth(void);
EDMAX_API int __cdecl EDA_SetListColumnWidth(void);
EDMAX_API int __cdecl EDA_SetListColumnName(void);
EDMAX_API int __cdecl EDA_GetCurrentCtxpath(void);
EDMAX_API int __cdecl EDA_OpenTheUrl(void);
EDMAX_API int __cdecl EDA_ConvUtf8ToSjis(void);
EDMAX_API int __cdecl EDA_GetMessageCount(void);
EDMAX_API int __cdecl EDA_GetNextMessagePath(void);
EDMAX_API int __cdecl EDA_GetMessage(void);
EDMAX_API int __cdecl EDA_ReplaceMessage(void);
EDMAX_API int __cdecl EDA_ReDispListAndView(void);
EDMAX_API int __cdecl EDA_SelectMessage(void);
EDMAX_API int __cdecl EDA_CopyMessage(void);
EDMAX_API int __cdecl EDA_MoveMessage(void);
EDMAX_API int __cdecl EDA_DeleteMessage(void);
EDMAX_API int __cdecl EDA_OpenAllThread(void);
EDMAX_API int __cdecl EDA_CloseAllThread(void);
EDMAX_API int __cdecl EDA_CompactCurrentFolder(void);
EDMAX_API int __cdecl EDA_GetStaticWindows(void);
EDMAX_API int __cdecl EDA_GetTempWindows(void);
EDMAX_API int __cdecl EDA_RunMacro(void);
EDMAX_API int __cdecl EDA_GetAttachPaths(void);
EDMAX_API int __cdecl EDA_AppendAttachPaths(void);
EDMAX_API int __cdecl EDA_DeleteAttachPath(void);
EDMAX_API int __cdecl EDA_GetEditCount(void);
EDMAX_API int __cdecl EDA_GetEditText(void);
EDMAX_API int __cdecl EDA_SetEditText(void);
