// The settings file of the plug-in (its module path with ".ini"), formed at start-up.
// Empty until then; nothing reads or writes settings while it is empty. It holds the
// longest path a module can have (32,767 UTF-16 units, two bytes each in the ANSI code
// page) with room for the extension, so no module path leaves the settings unused.
#pragma once
#include <cstddef>

constexpr size_t kIniPathSize = 2 * 32767 + 8;
extern char g_szIniPath[kIniPathSize];
