// The settings file of the plug-in (its module path with ".ini"), formed at start-up.
// Empty until then; nothing reads or writes settings while it is empty.
#pragma once

extern char g_szIniPath[260];
