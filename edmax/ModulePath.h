// Where edmax.exe lives, for loading the plug-in from the same folder. Paths are Shift-JIS and
// a second byte of a two-byte character may be 0x5C, so they are walked character by character.
#pragma once
#include <string>

// The folder part of path, without the trailing separator ("C:\表\a.exe" -> "C:\表").
// "" when path has no folder part.
std::string FolderOfPath(const std::string& path);

// The folder of the running executable.
std::string ExecutableFolder();
