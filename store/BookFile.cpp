#include "store/BookFile.h"
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#include "framework/PathName.h"

void (*g_pfnBeforeBookReplace)(const char* tempPath, const char* path) = nullptr;

FileStamp ReadFileStamp(const std::string& path)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return stamp;
    stamp.bExists = true;
    stamp.nSize = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.nWriteTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                       data.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

std::string BookTempPath(const std::string& path)
{
    return path + ".velmora.tmp";
}

namespace {

// The contents into a new temporary file, flushed to the disk. No other handle may open
// the file while it is written, so that two saves cannot mix their lines.
bool WriteTempFile(const std::function<bool(FILE*)>& write, const std::string& temp)
{
    HANDLE handle = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
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

// ReplaceFileA keeps the old file's security and, on Windows, its attributes; Wine's does
// not keep the attributes, so they are put back explicitly.
bool ReplaceWith(const std::string& temp, const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ReplaceFileA(path.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return false;
    const DWORD kept = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes & kept)
        SetFileAttributesA(path.c_str(), attributes & kept);
    return true;
}

}  // namespace

bool WriteBookFile(CAddrBook& store, const ADTDATA* book, const std::string& path)
{
    return WriteFileSafely(path, [&](FILE* file) { return store.WriteList(book->pChild, file, 0) == 0; });
}

bool WriteFileSafely(const std::string& path, const std::function<bool(FILE*)>& write)
{
    if (path.empty())
        return false;
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    std::string temp = BookTempPath(path);
    bool ok = WriteTempFile(write, temp);
    if (ok && g_pfnBeforeBookReplace)
        g_pfnBeforeBookReplace(temp.c_str(), path.c_str());
    ok = ok && ReplaceWith(temp, path);
    if (!ok)
        DeleteFileA(temp.c_str());
    return ok;
}

std::string ConflictCopyPath(const std::string& path)
{
    PathParts parts = SplitPath(path);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    std::string stem = parts.drive + parts.dir + parts.base + " (競合 " + stamp;
    std::string candidate = stem + ")" + parts.ext;
    for (int n = 2; GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        candidate = stem + "-" + std::to_string(n) + ")" + parts.ext;
    return candidate;
}
