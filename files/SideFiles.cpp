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

namespace {

const char kShortMark[] = "~vm";
const size_t kShortStem = 11;  // "~vm" and 8 hex digits

// The names in folder that match pattern (files only).
std::vector<std::string> NamesIn(const std::string& folder, const char* pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

void AddOnce(std::vector<std::string>& list, const std::string& item)
{
    for (const std::string& known : list) {
        if (lstrcmpiA(known.c_str(), item.c_str()) == 0)
            return;
    }
    list.push_back(item);
}

// Whether side is a temporary or backup file of ours beside target, under any of its names.
bool IsSideOf(const std::string& target, const std::string& side)
{
    for (SideKind kind : {SideKind::Temp, SideKind::Backup}) {
        for (int attempt = 1; attempt <= kNameTries; ++attempt) {
            if (lstrcmpiA(SideFileName(target, kind, attempt).c_str(), side.c_str()) == 0)
                return IsOwnSide(side, kind);
        }
    }
    return false;
}

// Side files of ours under the "<file>.velmora…" names: their file is in the name.
void AddLongNameTargets(const std::string& folder, std::vector<std::string>& targets)
{
    for (const std::string& name : NamesIn(folder, "*.velmora*")) {
        size_t mark = name.rfind(".velmora");
        if (mark == std::string::npos || mark == 0)
            continue;
        std::string target = folder + name.substr(0, mark);
        if (IsSideOf(target, folder + name))
            AddOnce(targets, target);
    }
}

// Side files of ours under the "~vm…" names: their file is the one there or known whose
// names they are; a temporary file under the usual name that belongs to none, beside no
// backup of the same file, is an orphan.
void AddShortNameTargets(const std::string& folder, const std::vector<std::string>& known, Leftovers& found)
{
    std::vector<std::string> sides = NamesIn(folder, "~vm*");
    if (sides.empty())
        return;  // the usual case: one look through the folder
    std::vector<std::string> candidates;
    for (const std::string& path : known) {
        if (lstrcmpiA(PathFolder(path).c_str(), folder.c_str()) == 0)
            AddOnce(candidates, path);
    }
    for (const std::string& name : NamesIn(folder, "*")) {
        // (A file whose side files all take the "<file>.velmora…" names has none of these.)
        std::string path = folder + name;
        if (name.compare(0, 3, kShortMark) != 0 && name.find(".velmora") == std::string::npos &&
            !PathFits(path + ".velmora-" + std::to_string(kNameTries) + ".tmp"))
            AddOnce(candidates, path);
    }
    std::vector<std::string> unclaimed;
    for (const std::string& side : sides) {
        bool claimed = false;
        for (const std::string& target : candidates) {
            if (IsSideOf(target, folder + side)) {
                AddOnce(found.targets, target);
                claimed = true;
            }
        }
        if (!claimed)
            unclaimed.push_back(side);
    }
    for (const std::string& side : unclaimed) {
        bool usualTemp = side.size() == kShortStem + 4 && lstrcmpiA(side.c_str() + kShortStem, ".tmp") == 0;
        if (!usualTemp || !IsOwnSide(folder + side, SideKind::Temp))
            continue;
        bool backupBeside = std::any_of(sides.begin(), sides.end(), [&](const std::string& other) {
            return other.size() > 4 && other.compare(0, kShortStem, side, 0, kShortStem) == 0 &&
                   lstrcmpiA(other.c_str() + other.size() - 4, ".bak") == 0;
        });
        if (!backupBeside)
            found.orphans.push_back(folder + side);
    }
}

}  // namespace

Leftovers FindLeftovers(const std::string& folder, const std::vector<std::string>& known)
{
    Leftovers found;
    AddLongNameTargets(folder, found.targets);
    AddShortNameTargets(folder, known, found);
    return found;
}

std::string OrphanLockName(const std::string& orphan)
{
    size_t name = orphan.find_last_of("\\/") + 1;
    return orphan.substr(0, name + kShortStem) + ".lock";
}
