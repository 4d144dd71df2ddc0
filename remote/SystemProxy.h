// The system's WinHTTP default proxy setting (netsh winhttp set proxy), which the https
// relay follows as WinHTTP follows it for http. Tests give a setting of their own through
// g_pProxySetting instead of changing the registry that every test shares.
#pragma once
#include "remote/ProxyChoice.h"

// When set, the setting in force instead of the system's.
extern const ProxySetting* g_pProxySetting;

// The setting in force: no proxy when none is named or the setting cannot be read.
ProxySetting DefaultProxySetting();
