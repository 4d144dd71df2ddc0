// CEdaTable, the host function table: the 47 EDA_ functions of the host executable,
// resolved once at start-up, and the plug-in's own instance handle for its resources.
#pragma once
#include <windows.h>
#include "host/EdaTypes.h"

class CEdaTable {
public:
    static const int kFunctionCount = 47;
    static const char* const kFunctionNames[kFunctionCount];

    HINSTANCE m_hInst = nullptr;
    FARPROC m_pfn[kFunctionCount] = {};

    // 1 when all 47 are found in the host's executable; at the first missing one, 0 and
    // the later slots stay empty.
    int LoadEdaFunctions();

    PFN_EDA_GetTempID GetTempID() const;
    PFN_EDA_GetPointedMailAdr GetPointedMailAdr() const;
    PFN_EDA_GetCurAdrInfo GetCurAdrInfo() const;
    PFN_EDA_ReleaseEdmaxBuffer ReleaseEdmaxBuffer() const;
    PFN_EDA_SetCurAdrInfo SetCurAdrInfo() const;

private:
    template <typename Pfn>
    Pfn Slot(int index) const
    {
        return reinterpret_cast<Pfn>(reinterpret_cast<void*>(m_pfn[index]));
    }
};

extern CEdaTable g_EdaTable;
