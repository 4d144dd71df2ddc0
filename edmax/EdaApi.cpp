// The exported functions plug-ins call, working on the running CHostApp.
#include "edmax/EdaApi.h"

#include "edmax/AddressText.h"
#include "edmax/HostApp.h"

namespace {

// Reported by EDA_GetEdmaxVersion: version 3.00, as major * 100 + minor.
const int kEdmaxVersion = 300;

const ComposeField kAddressFields[] = {FIELD_TO, FIELD_CC, FIELD_BCC, FIELD_REPLY_TO};

}  // namespace

UINT __cdecl EDA_GetTempID(HINSTANCE hPlugin, int nCommand)
{
    CHostApp* pApp = CHostApp::Current();
    return pApp ? pApp->TempIds().Acquire(hPlugin, nCommand) : 0;
}

const char* __cdecl EDA_GetPointedMailAdr(void)
{
    CHostApp* pApp = CHostApp::Current();
    return pApp ? pApp->Window().PointedMailAddress() : nullptr;
}

// Each header goes out with its entries joined by "," (see AddressText.h); an empty header
// leaves its pointer NULL.
int __cdecl EDA_GetCurAdrInfo(char** ppTo, char** ppCc, char** ppBcc, char** ppReplyTo)
{
    CHostApp* pApp = CHostApp::Current();
    char** outs[] = {ppTo, ppCc, ppBcc, ppReplyTo};
    for (int i = 0; i < 4; ++i) {
        if (!outs[i])
            continue;
        *outs[i] = nullptr;
        if (!pApp)
            continue;
        std::string text = HostTextFromField(pApp->Window().FieldText(kAddressFields[i]));
        if (!text.empty())
            *outs[i] = pApp->Buffers().Hand(text);
    }
    return pApp ? TRUE : FALSE;
}

int __cdecl EDA_ReleaseEdmaxBuffer(void)
{
    CHostApp* pApp = CHostApp::Current();
    if (!pApp)
        return FALSE;
    pApp->Buffers().ReleaseAll();
    return TRUE;
}

int __cdecl EDA_SetCurAdrInfo(const char* pTo, const char* pCc, const char* pBcc,
                              const char* pReplyTo)
{
    CHostApp* pApp = CHostApp::Current();
    if (!pApp)
        return FALSE;
    const char* texts[] = {pTo, pCc, pBcc, pReplyTo};
    for (int i = 0; i < 4; ++i)
        pApp->Window().SetFieldText(kAddressFields[i], FieldTextFrom(texts[i] ? texts[i] : ""));
    return TRUE;
}

int __cdecl EDA_DispMessageOnStatusBar(const char* pText)
{
    CHostApp* pApp = CHostApp::Current();
    if (!pApp)
        return FALSE;
    pApp->Window().SetStatusText(pText ? pText : "");
    return TRUE;
}

int __cdecl EDA_GetEdmaxVersion(void)
{
    return kEdmaxVersion;
}

// No mail is ever sent or received here.
int __cdecl EDA_IsCommunicatingNow(void)
{
    return FALSE;
}

// Only mail addresses are picked out of the body.
const char* __cdecl EDA_GetPointedUrl(void)
{
    return nullptr;
}

const char* __cdecl EDA_GetPointedMessageId(void)
{
    return nullptr;
}
