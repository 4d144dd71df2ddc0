#include "files/BookFile.h"
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#include "framework/PathName.h"

namespace {

// The longest path that the "A" file functions take, in characters (UTF-16 units): a
// Japanese name takes two bytes a character but counts once.
const size_t kMaxPathLength = MAX_PATH - 1;
// What marks a temporary file as ours: no user's file of that name carries both.
const DWORD kOwnMark = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// The attributes that a replaced file keeps.
const DWORD kKeptAttributes =
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// Names tried beside a file before giving up on a free one.
const int kNameTries = 9;

int PlatformReplaceFile(const char* path, const char* tempPath, const char* backupPath)
{
    return ReplaceFileA(path, tempPath, backupPath, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
}

bool Fits(const std::string& path)
{
    int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    return static_cast<size_t>(length) <= kMaxPathLength;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(std::string folder)
{
    if (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsOwnTemp(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & kOwnMark) == kOwnMark;
}

// The try'th name for a file of ours beside path with the extension (".tmp", ".bak"):
// "<file>.velmora.tmp", "<file>.velmora-2.tmp" ..., or, when those would be too long,
// "~vm<8 hex digits>.tmp" in the same folder. "" when neither fits.
std::string SideName(const std::string& path, const char* extension, int attempt)
{
    std::string counter = attempt > 1 ? "-" + std::to_string(attempt) : "";
    std::string beside = path + ".velmora" + counter + extension;
    if (Fits(beside))
        return beside;
    uint32_t hash = 2166136261u;
    for (unsigned char c : path)
        hash = (hash ^ c) * 16777619u;
    char name[16];
    std::snprintf(name, sizeof name, "~vm%08lX", static_cast<unsigned long>(hash));
    std::string shorter = PathFolder(path) + name + counter + extension;
    return Fits(shorter) ? shorter : "";
}

// A name beside path that is free now; a leftover of ours in the way is cleared first.
std::string FreeSideName(const std::string& path, const char* extension)
{
    for (int attempt = 1; attempt <= kNameTries; ++attempt) {
        std::string name = SideName(path, extension, attempt);
        if (name.empty())
            return name;
        if (IsOwnTemp(name))
            DeleteFileA(name.c_str());
        if (!Exists(name))
            return name;
    }
    return "";
}

// The contents into a new temporary file, flushed to the disk. No other handle may open
// the file while it is written, so that two saves cannot mix their lines.
bool WriteTempFile(const std::function<bool(FILE*)>& write, const std::string& temp)
{
    HANDLE handle = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, kOwnMark, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_WRONLY);
    FILE* file = descriptor == -1 ? nullptr : _fdopen(descriptor, "wb");
    if (!file) {
        if (descriptor != -1)
            _close(descriptor);
        else
            CloseHandle(handle);
        return false;
    }
    bool ok = write(file);
    ok = ok && std::fflush(file) == 0 && FlushFileBuffers(handle);
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

void SetKeptAttributes(const std::string& path, DWORD attributes)
{
    attributes &= kKeptAttributes;
    SetFileAttributesA(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

// A new file: the temporary file takes its name (never a file's that appeared meanwhile).
bool MoveIntoPlace(const std::string& temp, const std::string& path)
{
    if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH))
        return false;
    SetKeptAttributes(path, FILE_ATTRIBUTE_ARCHIVE);
    return true;
}

// An existing file is replaced with a backup name of ours, so that a replace that fails
// half way leaves the old file under a name we know instead of the system's own temporary
// file: when the book file is gone then, the new contents take its place (or else the old
// ones go back). ReplaceFileA keeps the old file's security and, on Windows, its
// attributes; Wine's does not keep the attributes, so they are put back explicitly.
bool ReplaceWith(const std::string& temp, const std::string& path, DWORD attributes)
{
    std::string backup = FreeSideName(path, ".bak");
    if (backup.empty())
        return false;
    bool replaced = g_pfnReplaceFile(path.c_str(), temp.c_str(), backup.c_str()) != 0;
    if (!replaced && !Exists(path) && Exists(backup)) {
        replaced = MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
        if (!replaced && !MoveFileExA(backup.c_str(), path.c_str(), 0))
            return false;  // the old contents stay safe under the backup name
    }
    if (replaced)
        SetKeptAttributes(path, attributes);
    if (Exists(path))
        DeleteFileA(backup.c_str());
    return replaced;
}

}  // namespace

void (*g_pfnBeforeBookReplace)(const char* tempPath, const char* path) = nullptr;
int (*g_pfnReplaceFile)(const char* path, const char* tempPath, const char* backupPath) = PlatformReplaceFile;
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
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart < (1ll << 30))
        bytes.reserve(static_cast<size_t>(size.QuadPart));  // one allocation for the whole file
    std::string chunk(1 << 16, '\0');
    for (;;) {
        DWORD count = 0;
        if ((g_pfnFailRead && g_pfnFailRead(path.c_str(), bytes.size())) ||
            !ReadFile(file, &chunk[0], static_cast<DWORD>(chunk.size()), &count, nullptr)) {
            result = FileRead::Incomplete;
            break;
        }
        if (count == 0)
            break;
        bytes.append(chunk, 0, count);
    }
    CloseHandle(file);
    if (result != FileRead::Read)
        bytes.clear();
    return result;
}

std::string BookTempPath(const std::string& path)
{
    return SideName(path, ".tmp", 1);
}

void ClearLeftoverTemp(const std::string& path)
{
    for (int attempt = 1; attempt <= kNameTries; ++attempt) {
        std::string name = SideName(path, ".tmp", attempt);
        if (IsOwnTemp(name))
            DeleteFileA(name.c_str());
    }
}

bool WriteFileSafely(const std::string& path, const std::function<bool(FILE*)>& write, WriteFailure* why)
{
    WriteFailure failure = WriteFailure::None;
    DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
    std::string temp;
    if (path.empty())
        failure = WriteFailure::Failed;
    else if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        failure = WriteFailure::ReadOnly;
    else if (SideName(path, ".tmp", 1).empty())
        failure = WriteFailure::NameTooLong;
    else if ((temp = FreeSideName(path, ".tmp")).empty())
        failure = WriteFailure::Failed;
    if (failure == WriteFailure::None) {
        bool ok = WriteTempFile(write, temp);
        if (ok && g_pfnBeforeBookReplace)
            g_pfnBeforeBookReplace(temp.c_str(), path.c_str());
        ok = ok && (attributes == INVALID_FILE_ATTRIBUTES ? MoveIntoPlace(temp, path) : ReplaceWith(temp, path, attributes));
        if (!ok) {
            DeleteFileA(temp.c_str());
            failure = WriteFailure::Failed;
        }
    }
    if (why)
        *why = failure;
    return failure == WriteFailure::None;
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
    if (!Fits(stem + "-99)" + parts.ext))
        stem = folder + "(競合 " + stamp;
    if (!Fits(stem + "-99)" + parts.ext))
        return "";
    std::string candidate = stem + ")" + parts.ext;
    for (int n = 2; Exists(candidate); ++n)
        candidate = stem + "-" + std::to_string(n) + ")" + parts.ext;
    return candidate;
}
