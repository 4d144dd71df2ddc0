// CVelmoraApp, the plug-in's application object: binds the host's functions, forms the
// settings file path and loads the books when the host loads the module; saves the books
// when it unloads.
#pragma once
#include "framework/WinApp.h"

class CVelmoraApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;
};
