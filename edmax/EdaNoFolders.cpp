// The exported functions about mail folders, messages, the web, macros, attachments and other
// windows. The stand-in host has only the editing screen, so each answers 0 ("nothing").
#include "edmax/EdaApi.h"

int __cdecl EDA_AppendMessage(void) { return 0; }
int __cdecl EDA_MakeLoginURLEncoding(void) { return 0; }
int __cdecl EDA_ReceiveArticleBbs(void) { return 0; }
int __cdecl EDA_GetWebDataEx(void) { return 0; }
int __cdecl EDA_WebLogin(void) { return 0; }
int __cdecl EDA_GetAindexFolderPath(void) { return 0; }
int __cdecl EDA_ListUpFiles(void) { return 0; }
int __cdecl EDA_ListUpAllFiles(void) { return 0; }
int __cdecl EDA_GetLayoutParam(void) { return 0; }
int __cdecl EDA_SetLayoutParam(void) { return 0; }
int __cdecl EDA_GetListColumnWidth(void) { return 0; }
int __cdecl EDA_SetListColumnWidth(void) { return 0; }
int __cdecl EDA_SetListColumnName(void) { return 0; }
int __cdecl EDA_GetCurrentCtxpath(void) { return 0; }
int __cdecl EDA_OpenTheUrl(void) { return 0; }
int __cdecl EDA_ConvUtf8ToSjis(void) { return 0; }
int __cdecl EDA_GetMessageCount(void) { return 0; }
int __cdecl EDA_GetNextMessagePath(void) { return 0; }
int __cdecl EDA_GetMessage(void) { return 0; }
int __cdecl EDA_ReplaceMessage(void) { return 0; }
int __cdecl EDA_ReDispListAndView(void) { return 0; }
int __cdecl EDA_SelectMessage(void) { return 0; }
int __cdecl EDA_CopyMessage(void) { return 0; }
int __cdecl EDA_MoveMessage(void) { return 0; }
int __cdecl EDA_DeleteMessage(void) { return 0; }
int __cdecl EDA_OpenAllThread(void) { return 0; }
int __cdecl EDA_CloseAllThread(void) { return 0; }
int __cdecl EDA_CompactCurrentFolder(void) { return 0; }
int __cdecl EDA_GetStaticWindows(void) { return 0; }
int __cdecl EDA_GetTempWindows(void) { return 0; }
int __cdecl EDA_RunMacro(void) { return 0; }
int __cdecl EDA_GetAttachPaths(void) { return 0; }
int __cdecl EDA_AppendAttachPaths(void) { return 0; }
int __cdecl EDA_DeleteAttachPath(void) { return 0; }
int __cdecl EDA_GetEditCount(void) { return 0; }
int __cdecl EDA_GetEditText(void) { return 0; }
int __cdecl EDA_SetEditText(void) { return 0; }
