// The settings file of the plug-in (its module path with ".ini"), formed at start-up.
// Empty until then; nothing reads or writes settings while it is empty. It holds the
// longest path a module can have (32,767 UTF-16 units, two bytes each in the ANSI code
// page) with room for the extension, so no module path leaves the settings unused.
#pragma once
#include <cstddef>
#include <string>

constexpr size_t kIniPathSize = 2 * 32767 + 8;
extern char g_szIniPath[kIniPathSize];

// The file of a local book as the settings file lists it, as a full path. A relative path
// (earlier versions wrote them, and opened them from the current folder) is taken beside
// the settings file when the file is there, else from the current folder when it is there;
// when it is in neither place the listed text comes back as it is, so that the entry is
// held and keeps its text for a later start.
std::string ResolveListedBookPath(const std::string& listed);
// Whether a listed path is relative (no drive and no leading separator).
bool IsRelativeBookPath(const std::string& listed);
