#include "edmax/ModulePath.h"

#include <windows.h>

std::string FolderOfPath(const std::string& path)
{
    size_t lastSeparator = std::string::npos;
    size_t i = 0;
    while (i < path.size()) {
        unsigned char b = static_cast<unsigned char>(path[i]);
        if (IsDBCSLeadByteEx(932, b) && i + 1 < path.size()) {
            i += 2;
            continue;
        }
        if (b == '\\' || b == '/')
            lastSeparator = i;
        ++i;
    }
    if (lastSeparator == std::string::npos)
        return std::string();
    return path.substr(0, lastSeparator);
}

std::string ExecutableFolder()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(NULL, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::string();
        // A cut path may end a byte short of the buffer (a two-byte character that did not
        // fit): only a path with two bytes to spare is known to be whole.
        if (length + 1 < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return FolderOfPath(path);
}
