// Splitting and joining of file paths that may hold Japanese (Shift-JIS) names, whose
// trail bytes can be "\" (0x5C): every scan walks whole characters.
#pragma once
#include <string>

struct PathParts {
    std::string drive;  // "C:" or empty
    std::string dir;    // with its trailing separator, or empty
    std::string base;   // file name without extension
    std::string ext;    // ".dll", or empty
};

PathParts SplitPath(const std::string& path);

// The folder of a path with its trailing separator ("C:\dir\" for "C:\dir\file.ext").
std::string PathFolder(const std::string& path);

// The file name with its extension ("file.ext").
std::string PathFileName(const std::string& path);

// The full file name of a module (the plug-in or the host).
std::string ModuleFileName(void* module);
