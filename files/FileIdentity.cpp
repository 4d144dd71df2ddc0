#include "files/FileIdentity.h"
#include <windows.h>
#include <cstdio>

namespace {

bool IsRelative(const std::string& path)
{
    if (path.size() >= 2 && path[1] == ':')
        return false;  // "C:\..." (a drive-relative "C:name" is rare enough to take as it is)
    return path.empty() || (path[0] != '\\' && path[0] != '/');
}

std::string PlatformFullPath(const std::string& path)
{
    DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::string full(size, '\0');
    DWORD length = GetFullPathNameA(path.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size)
        return path;
    full.resize(length);
    return full;
}

}  // namespace

std::string FullPathOf(const std::string& path, const std::string& folder)
{
    if (path.find_first_not_of(' ') == std::string::npos)
        return path;  // no name at all: left for the save to report
    return PlatformFullPath(IsRelative(path) && !folder.empty() ? folder + path : path);
}

std::string FileKey(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        BOOL known = GetFileInformationByHandle(file, &info);
        CloseHandle(file);
        if (known) {
            char key[48];
            std::snprintf(key, sizeof key, "id:%08lX:%08lX%08lX", static_cast<unsigned long>(info.dwVolumeSerialNumber),
                          static_cast<unsigned long>(info.nFileIndexHigh), static_cast<unsigned long>(info.nFileIndexLow));
            return key;
        }
    }
    // No such file (yet): its full path, in one case, stands for it.
    std::string full = PlatformFullPath(path);
    if (!full.empty())
        CharUpperBuffA(&full[0], static_cast<DWORD>(full.size()));
    return "path:" + full;
}

bool IsSameFile(const std::string& a, const std::string& b)
{
    return !a.empty() && !b.empty() && FileKey(a) == FileKey(b);
}
