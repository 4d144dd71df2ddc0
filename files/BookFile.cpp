#include "files/BookFile.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include "files/FileCommit.h"
#include "files/SideFiles.h"
#include "framework/PathName.h"

namespace {

bool FolderExists(std::string folder)
{
    if (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool (*g_pfnFailRead)(const char* path, uint64_t offset) = nullptr;

FileRead ReadWholeFile(const std::string& path, std::string& bytes)
{
    bytes.clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // Under Wine a missing drive also answers "file not found": the folder decides.
        bool gone = GetLastError() == ERROR_FILE_NOT_FOUND && FolderExists(PathFolder(path));
        return gone ? FileRead::Gone : FileRead::Unreachable;
    }
    FileRead result = FileRead::Read;
    // Read straight into the text, the size the file says in one call, and on past it in
    // steps while the file grows under us: the bytes are copied once, with few calls.
    LARGE_INTEGER size;
    size_t room = 1 << 16;
    if (GetFileSizeEx(file, &size) && size.QuadPart < (1ll << 30))
        room = static_cast<size_t>(size.QuadPart) + 1;  // + 1: the read that finds the end
    size_t got = 0;
    for (;;) {
        if (bytes.size() < got + 1)
            bytes.resize(std::max(got + (1 << 16), room));
        DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - got, 1u << 30));
        DWORD count = 0;
        if ((g_pfnFailRead && g_pfnFailRead(path.c_str(), got)) ||
            !ReadFile(file, &bytes[got], want, &count, nullptr)) {
            result = FileRead::Incomplete;
            break;
        }
        if (count == 0)
            break;
        got += count;
    }
    bytes.resize(got);
    CloseHandle(file);
    if (result != FileRead::Read)
        bytes.clear();
    return result;
}

std::string BookTempPath(const std::string& path)
{
    return SideFileName(path, SideKind::Temp);
}

bool WriteFileSafely(const std::string& path, const std::function<bool(FILE*)>& write, WriteFailure* why)
{
    CFileCommit commit(path);
    if (commit.Begin() == CFileLock::Busy) {
        if (why)
            *why = WriteFailure::Busy;
        return false;
    }
    return commit.Write(write, why);
}

bool WriteBookFile(CAddrBook& store, const ADTDATA* book, const std::string& path, WriteFailure* why)
{
    return WriteFileSafely(path, [&](FILE* file) { return store.WriteList(book->pChild, file, 0) == 0; }, why);
}

std::string ConflictCopyPath(const std::string& path)
{
    PathParts parts = SplitPath(path);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    std::string folder = parts.drive + parts.dir;
    std::string stem = folder + parts.base + " (競合 " + stamp;
    if (!PathFits(stem + "-99)" + parts.ext))
        stem = folder + "(競合 " + stamp;
    if (!PathFits(stem + "-99)" + parts.ext))
        return "";
    std::string candidate = stem + ")" + parts.ext;
    for (int n = 2; GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        candidate = stem + "-" + std::to_string(n) + ")" + parts.ext;
    return candidate;
}
