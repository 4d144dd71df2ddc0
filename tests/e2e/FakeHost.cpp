#include "FakeHost.h"
#include <cstring>
#include <string>

namespace FakeHost {

State& Current()
{
    static State state;
    return state;
}

void Reset()
{
    Current() = State();
}

UINT TempIdFor(int command)
{
    return 40000u + static_cast<UINT>(command - 35000);
}

}  // namespace FakeHost

using FakeHost::Current;

#define EDA_EXPORT extern "C" __declspec(dllexport)

// The 42 functions that the plug-in only resolves.
#define UNCALLED_HOST_FUNCTION(name)             \
    EDA_EXPORT int __cdecl name(void)           \
    {                                           \
        Current().calls.push_back(#name "()");  \
        return 0;                               \
    }

UNCALLED_HOST_FUNCTION(EDA_AppendMessage)
UNCALLED_HOST_FUNCTION(EDA_MakeLoginURLEncoding)
UNCALLED_HOST_FUNCTION(EDA_ReceiveArticleBbs)
UNCALLED_HOST_FUNCTION(EDA_GetWebDataEx)
UNCALLED_HOST_FUNCTION(EDA_DispMessageOnStatusBar)
UNCALLED_HOST_FUNCTION(EDA_WebLogin)
UNCALLED_HOST_FUNCTION(EDA_GetAindexFolderPath)
UNCALLED_HOST_FUNCTION(EDA_ListUpFiles)
UNCALLED_HOST_FUNCTION(EDA_ListUpAllFiles)
UNCALLED_HOST_FUNCTION(EDA_GetLayoutParam)
UNCALLED_HOST_FUNCTION(EDA_SetLayoutParam)
UNCALLED_HOST_FUNCTION(EDA_GetListColumnWidth)
UNCALLED_HOST_FUNCTION(EDA_SetListColumnWidth)
UNCALLED_HOST_FUNCTION(EDA_SetListColumnName)
UNCALLED_HOST_FUNCTION(EDA_GetCurrentCtxpath)
UNCALLED_HOST_FUNCTION(EDA_OpenTheUrl)
UNCALLED_HOST_FUNCTION(EDA_ConvUtf8ToSjis)
UNCALLED_HOST_FUNCTION(EDA_GetPointedUrl)
UNCALLED_HOST_FUNCTION(EDA_GetPointedMessageId)
UNCALLED_HOST_FUNCTION(EDA_GetMessageCount)
UNCALLED_HOST_FUNCTION(EDA_GetNextMessagePath)
UNCALLED_HOST_FUNCTION(EDA_GetMessage)
UNCALLED_HOST_FUNCTION(EDA_ReplaceMessage)
UNCALLED_HOST_FUNCTION(EDA_ReDispListAndView)
UNCALLED_HOST_FUNCTION(EDA_SelectMessage)
UNCALLED_HOST_FUNCTION(EDA_CopyMessage)
UNCALLED_HOST_FUNCTION(EDA_MoveMessage)
UNCALLED_HOST_FUNCTION(EDA_DeleteMessage)
UNCALLED_HOST_FUNCTION(EDA_OpenAllThread)
UNCALLED_HOST_FUNCTION(EDA_CloseAllThread)
UNCALLED_HOST_FUNCTION(EDA_CompactCurrentFolder)
UNCALLED_HOST_FUNCTION(EDA_GetStaticWindows)
UNCALLED_HOST_FUNCTION(EDA_GetTempWindows)
UNCALLED_HOST_FUNCTION(EDA_RunMacro)
UNCALLED_HOST_FUNCTION(EDA_GetAttachPaths)
UNCALLED_HOST_FUNCTION(EDA_AppendAttachPaths)
UNCALLED_HOST_FUNCTION(EDA_DeleteAttachPath)
UNCALLED_HOST_FUNCTION(EDA_GetEditCount)
UNCALLED_HOST_FUNCTION(EDA_GetEditText)
UNCALLED_HOST_FUNCTION(EDA_SetEditText)
UNCALLED_HOST_FUNCTION(EDA_IsCommunicatingNow)
// A second program of the suite is built without this one, to see the plug-in refuse.
#ifndef FAKE_HOST_WITHOUT_LAST_FUNCTION
UNCALLED_HOST_FUNCTION(EDA_GetEdmaxVersion)
#endif

EDA_EXPORT UINT __cdecl EDA_GetTempID(HINSTANCE plugin, int command)
{
    Current().calls.push_back("EDA_GetTempID(" + std::to_string(command) + ")");
    Current().tempIdOwner = plugin;
    return FakeHost::TempIdFor(command);
}

EDA_EXPORT const char* __cdecl EDA_GetPointedMailAdr(void)
{
    Current().calls.push_back("EDA_GetPointedMailAdr()");
    return Current().pointedAddress;
}

EDA_EXPORT int __cdecl EDA_GetCurAdrInfo(char** to, char** cc, char** bcc, char** replyTo)
{
    FakeHost::State& state = Current();
    std::string call = "EDA_GetCurAdrInfo(";
    char** out[4] = {to, cc, bcc, replyTo};
    for (int i = 0; i < 4; ++i) {
        call += (i ? "," : "") + std::string(*out[i] ? "set" : "null");
        if (state.headers[i]) {
            char* buffer = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, std::strlen(state.headers[i]) + 1));
            std::strcpy(buffer, state.headers[i]);
            *out[i] = buffer;
            state.buffersOut.push_back(buffer);
        }
    }
    state.calls.push_back(call + ")");
    return 1;
}

EDA_EXPORT int __cdecl EDA_ReleaseEdmaxBuffer(void)
{
    Current().calls.push_back("EDA_ReleaseEdmaxBuffer()");
    for (char* buffer : Current().buffersOut)
        HeapFree(GetProcessHeap(), 0, buffer);
    Current().buffersOut.clear();
    return 1;
}

EDA_EXPORT int __cdecl EDA_SetCurAdrInfo(const char* to, const char* cc, const char* bcc, const char* replyTo)
{
    Current().calls.push_back("EDA_SetCurAdrInfo()");
    Current().received.push_back({to ? to : "(null)", cc ? cc : "(null)", bcc ? bcc : "(null)",
                                  replyTo ? replyTo : "(null)"});
    return 1;
}
