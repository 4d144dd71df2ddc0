#include "files/SideFiles.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include "framework/PathName.h"

namespace {

// The longest path that the "A" file functions take, in characters (UTF-16 units): a
// Japanese name takes two bytes a character but counts once.
const size_t kMaxPathLength = MAX_PATH - 1;
const DWORD kOwnMark = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// Names tried beside a file before giving up on a free one.
const int kNameTries = 9;

const char* Extension(SideKind kind)
{
    switch (kind) {
    case SideKind::Temp: return ".tmp";
    case SideKind::Backup: return ".bak";
    default: return ".lock";
    }
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

uint64_t WriteTimeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

}  // namespace

bool PathFits(const std::string& path)
{
    int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    return static_cast<size_t>(length) <= kMaxPathLength;
}

std::string SideFileName(const std::string& path, SideKind kind, int attempt)
{
    std::string counter = attempt > 1 ? "-" + std::to_string(attempt) : "";
    std::string beside = path + ".velmora" + counter + Extension(kind);
    if (PathFits(beside))
        return beside;
    uint32_t hash = 2166136261u;
    for (unsigned char c : path)
        hash = (hash ^ c) * 16777619u;
    char name[16];
    std::snprintf(name, sizeof name, "~vm%08lX", static_cast<unsigned long>(hash));
    std::string shorter = PathFolder(path) + name + counter + Extension(kind);
    return PathFits(shorter) ? shorter : "";
}

bool IsOwnSideFile(const std::string& name)
{
    DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & kOwnMark) == kOwnMark;
}

// A backup is the old file itself under our name, with its own attributes: the name says it.
// An empty file at a temporary file's name is ours too: a save cut off while it created the
// file, before the system had set its attributes (under Wine they come in a second step).
bool IsOwnSide(const std::string& name, SideKind kind)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    bool empty = data.nFileSizeLow == 0 && data.nFileSizeHigh == 0;
    return kind == SideKind::Backup || (data.dwFileAttributes & kOwnMark) == kOwnMark || empty;
}

std::string FreeSideFile(const std::string& path, SideKind kind)
{
    for (int attempt = 1; attempt <= kNameTries; ++attempt) {
        std::string name = SideFileName(path, kind, attempt);
        if (name.empty())
            return name;
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data) && GetLastError() == ERROR_FILE_NOT_FOUND)
            return name;  // the usual case: one look at the name
        if (IsOwnSide(name, kind)) {
            SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(name.c_str());
        }
        if (!Exists(name))
            return name;
    }
    return "";
}

std::vector<std::string> OwnSideFiles(const std::string& path)
{
    struct Found {
        std::string name;
        uint64_t time;
        int order;
    };
    std::vector<Found> found;
    for (SideKind kind : {SideKind::Temp, SideKind::Backup}) {
        for (int attempt = 1; attempt <= kNameTries; ++attempt) {
            std::string name = SideFileName(path, kind, attempt);
            if (!name.empty() && IsOwnSide(name, kind))
                found.push_back({name, WriteTimeOf(name), kind == SideKind::Temp ? 0 : 1});
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.time != b.time ? a.time > b.time : a.order < b.order;
    });
    std::vector<std::string> names;
    for (const Found& file : found)
        names.push_back(file.name);
    return names;
}

bool HasOwnSideFiles(const std::string& path)
{
    // The usual names only: two looks at single files, not a look through the folder (a
    // leftover under a later name is found by the sweep of the folder, LeftoverTargets).
    std::string temp = SideFileName(path, SideKind::Temp);
    return !temp.empty() && (IsOwnSide(temp, SideKind::Temp) || IsOwnSide(SideFileName(path, SideKind::Backup), SideKind::Backup));
}

std::vector<std::string> LeftoverTargets(const std::string& folder)
{
    std::vector<std::string> targets;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*.velmora*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return targets;
    do {
        std::string name = data.cFileName;
        size_t mark = name.rfind(".velmora");
        if (mark == std::string::npos || mark == 0 || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        std::string target = folder + name.substr(0, mark);
        bool ours = false;
        for (SideKind kind : {SideKind::Temp, SideKind::Backup}) {
            for (int attempt = 1; attempt <= kNameTries && !ours; ++attempt)
                ours = lstrcmpiA(SideFileName(target, kind, attempt).c_str(), (folder + name).c_str()) == 0 &&
                       IsOwnSide(folder + name, kind);
        }
        if (ours && std::find(targets.begin(), targets.end(), target) == targets.end())
            targets.push_back(target);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return targets;
}
