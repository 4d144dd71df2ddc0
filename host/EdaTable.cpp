#include "host/EdaTable.h"

const char* const CEdaTable::kFunctionNames[kFunctionCount] = {
    "EDA_AppendMessage", "EDA_MakeLoginURLEncoding", "EDA_ReceiveArticleBbs", "EDA_GetWebDataEx",
    "EDA_ReleaseEdmaxBuffer", "EDA_DispMessageOnStatusBar", "EDA_WebLogin", "EDA_GetAindexFolderPath",
    "EDA_ListUpFiles", "EDA_ListUpAllFiles", "EDA_GetLayoutParam", "EDA_SetLayoutParam",
    "EDA_GetListColumnWidth", "EDA_SetListColumnWidth", "EDA_SetListColumnName", "EDA_GetCurrentCtxpath",
    "EDA_OpenTheUrl", "EDA_ConvUtf8ToSjis", "EDA_GetTempID", "EDA_GetPointedUrl",
    "EDA_GetPointedMailAdr", "EDA_GetPointedMessageId", "EDA_GetMessageCount", "EDA_GetNextMessagePath",
    "EDA_GetMessage", "EDA_ReplaceMessage", "EDA_ReDispListAndView", "EDA_SelectMessage",
    "EDA_CopyMessage", "EDA_MoveMessage", "EDA_DeleteMessage", "EDA_OpenAllThread",
    "EDA_CloseAllThread", "EDA_CompactCurrentFolder", "EDA_GetStaticWindows", "EDA_GetTempWindows",
    "EDA_RunMacro", "EDA_GetCurAdrInfo", "EDA_SetCurAdrInfo", "EDA_GetAttachPaths",
    "EDA_AppendAttachPaths", "EDA_DeleteAttachPath", "EDA_GetEditCount", "EDA_GetEditText",
    "EDA_SetEditText", "EDA_IsCommunicatingNow", "EDA_GetEdmaxVersion",
};

namespace {

// Slots of the five functions that the plug-in calls.
enum {
    kReleaseEdmaxBuffer = 4,
    kGetTempID = 18,
    kGetPointedMailAdr = 20,
    kGetCurAdrInfo = 37,
    kSetCurAdrInfo = 38,
};

}  // namespace

int CEdaTable::LoadEdaFunctions()
{
    HMODULE host = GetModuleHandleA(nullptr);
    if (!host)
        return 0;
    for (int i = 0; i < kFunctionCount; ++i) {
        m_pfn[i] = GetProcAddress(host, kFunctionNames[i]);
        if (!m_pfn[i]) {
            GetLastError();
            return 0;
        }
    }
    return 1;
}

PFN_EDA_GetTempID CEdaTable::GetTempID() const
{
    return Slot<PFN_EDA_GetTempID>(kGetTempID);
}

PFN_EDA_GetPointedMailAdr CEdaTable::GetPointedMailAdr() const
{
    return Slot<PFN_EDA_GetPointedMailAdr>(kGetPointedMailAdr);
}

PFN_EDA_GetCurAdrInfo CEdaTable::GetCurAdrInfo() const
{
    return Slot<PFN_EDA_GetCurAdrInfo>(kGetCurAdrInfo);
}

PFN_EDA_ReleaseEdmaxBuffer CEdaTable::ReleaseEdmaxBuffer() const
{
    return Slot<PFN_EDA_ReleaseEdmaxBuffer>(kReleaseEdmaxBuffer);
}

PFN_EDA_SetCurAdrInfo CEdaTable::SetCurAdrInfo() const
{
    return Slot<PFN_EDA_SetCurAdrInfo>(kSetCurAdrInfo);
}
