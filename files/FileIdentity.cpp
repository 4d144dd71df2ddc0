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

int PlatformFileInformation(void* file, void* info)
{
    return GetFileInformationByHandle(static_cast<HANDLE>(file), static_cast<BY_HANDLE_FILE_INFORMATION*>(info));
}

// The path the system resolves an open file to, without the "\\?\" prefix, in one case.
std::string ResolvedPath(HANDLE file, const std::string& spelled)
{
    std::string path(1024, '\0');
    DWORD length = GetFinalPathNameByHandleA(file, &path[0], static_cast<DWORD>(path.size()), 0);
    if (length >= path.size()) {
        path.resize(length + 1);
        length = GetFinalPathNameByHandleA(file, &path[0], static_cast<DWORD>(path.size()), 0);
    }
    if (length == 0 || length >= path.size())
        path = PlatformFullPath(spelled);
    else
        path.resize(length);
    if (path.compare(0, 8, "\\\\?\\UNC\\") == 0)
        path = "\\" + path.substr(7);
    else if (path.compare(0, 4, "\\\\?\\") == 0)
        path = path.substr(4);
    if (!path.empty())
        CharUpperBuffA(&path[0], static_cast<DWORD>(path.size()));
    return path;
}

}  // namespace

int (*g_pfnFileInformation)(void* file, void* info) = PlatformFileInformation;

bool RunsUnderWine()
{
    static const bool wine = [] {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version");
    }();
    return wine;
}

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
        bool known = g_pfnFileInformation(file, &info) != 0;
        if (known && (info.dwVolumeSerialNumber == 0 || RunsUnderWine())) {
            std::string resolved = ResolvedPath(file, path);
            CloseHandle(file);
            return "path:" + resolved;
        }
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
