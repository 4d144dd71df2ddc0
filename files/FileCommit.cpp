#include "files/FileCommit.h"
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <algorithm>
#include "files/AddrLine.h"
#include "files/FileIdentity.h"
#include "files/FileText.h"
#include "files/SideFiles.h"
#include "framework/PathName.h"

namespace {

// What marks a temporary file as ours: no user's file of that name carries both.
const DWORD kOwnMark = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// The attributes that a replaced file keeps.
const DWORD kKeptAttributes =
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// A one-rename replace that another process's open handle refuses (a reader, for a moment)
// is tried for about a second before the replace goes in two steps.
const int kRenameTries = 200;

int PlatformReplaceFile(const char* path, const char* tempPath, const char* backupPath)
{
    return ReplaceFileA(path, tempPath, backupPath, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
}

// Under Wine a rename over the old file is one rename(2): the name is never missing. (Wine's
// ReplaceFileA renames the old file away first.) Windows keeps ReplaceFileA, which keeps
// the old file's security.
int WineRenameOver(const char* tempPath, const char* path)
{
    return MoveFileExA(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
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

// An existing file: in one rename where the platform allows it; otherwise replaced with a
// backup name of ours, so that a replace that fails half way leaves the old file under a
// name we know instead of the system's own temporary file: when the file is gone then, the
// new contents take its place (or else the old ones go back). Wine's ReplaceFileA does not
// keep the attributes, so they are put back explicitly.
bool ReplaceWith(const std::string& temp, const std::string& path, DWORD attributes)
{
    if (g_pfnRenameOver) {
        for (int attempt = 0; attempt < kRenameTries; ++attempt) {
            if (g_pfnRenameOver(temp.c_str(), path.c_str())) {
                SetKeptAttributes(path, attributes);
                return true;
            }
            if (GetLastError() != ERROR_ACCESS_DENIED && GetLastError() != ERROR_SHARING_VIOLATION)
                break;
            Sleep(attempt < 10 ? 0 : 5);  // a reader has the file open for a moment
        }
    }
    std::string backup = FreeSideFile(path, SideKind::Backup);
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

// A side file that may stand for the file: whole text, in whatever encoding.
bool IsWholeCopy(const std::string& name)
{
    std::string bytes;
    if (ReadWholeFile(name, bytes) != FileRead::Read)
        return false;
    TextEncoding encoding = DetectTextEncoding(bytes);
    return IsCompleteAddressText(encoding == TextEncoding::ShiftJis ? bytes : DecodeToShiftJis(bytes, encoding));
}

bool IsBackupName(const std::string& side)
{
    return side.size() > 4 && side.compare(side.size() - 4, 4, ".bak") == 0;
}

}  // namespace

void (*g_pfnBeforeBookReplace)(const char* tempPath, const char* path) = nullptr;
int (*g_pfnReplaceFile)(const char* path, const char* tempPath, const char* backupPath) = PlatformReplaceFile;
int (*g_pfnRenameOver)(const char* tempPath, const char* path) = RunsUnderWine() ? WineRenameOver : nullptr;

CFileCommit::CFileCommit(const std::string& path, bool locked) : m_strPath(path), m_Lock(path), m_bLocked(locked)
{
}

CFileLock::Result CFileCommit::Begin(Missing missing, DWORD waitMs)
{
    CFileLock::Result result = m_bLocked ? m_Lock.Acquire(waitMs) : CFileLock::Unavailable;
    if (result == CFileLock::Held)
        Recover(missing, false);
    return result;
}

// Under the lock, every side file of ours is a leftover of a save that was cut off. A file
// left missing comes back from the newest one that is whole (the new contents, when the
// cut came between the two steps of a replace; else the old ones); the rest go.
void CFileCommit::Recover(Missing missing, bool anyName)
{
    // A file that is there is whole, old or new: nothing needs restoring, and what a cut-off
    // save left beside it goes with this save's own temporary file, or with the sweep after
    // it. One look at the file, none at names that are usually not there (each of those
    // costs a look through the whole folder under Wine).
    if (!anyName && (m_dwSeenAttributes = GetFileAttributesA(m_strPath.c_str())) != INVALID_FILE_ATTRIBUTES)
        return;
    if (!anyName && !HasOwnSideFiles(m_strPath))
        return;
    std::vector<std::string> sides = OwnSideFiles(m_strPath);
    if (sides.empty())
        return;
    bool replaced = std::any_of(sides.begin(), sides.end(), IsBackupName);
    if ((missing == Missing::Restore || replaced) && GetFileAttributesA(m_strPath.c_str()) == INVALID_FILE_ATTRIBUTES &&
        GetLastError() == ERROR_FILE_NOT_FOUND && FolderExists(PathFolder(m_strPath))) {
        for (const std::string& side : sides) {
            // (An empty temporary file without our marks was cut off as it was made.)
            bool marked = IsOwnSideFile(side) || IsBackupName(side);
            if (marked && IsWholeCopy(side) && MoveFileExA(side.c_str(), m_strPath.c_str(), MOVEFILE_WRITE_THROUGH)) {
                SetKeptAttributes(m_strPath, FILE_ATTRIBUTE_ARCHIVE);
                m_strRestoredFrom = side;
                break;
            }
        }
    }
    for (const std::string& side : sides) {
        if (side != m_strRestoredFrom) {
            SetFileAttributesA(side.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(side.c_str());
        }
    }
}

bool CFileCommit::Write(const std::function<bool(FILE*)>& write, WriteFailure* why)
{
    WriteFailure failure = WriteFailure::None;
    DWORD attributes = m_dwSeenAttributes;
    m_dwSeenAttributes = INVALID_FILE_ATTRIBUTES;  // a second write looks again
    if (attributes == INVALID_FILE_ATTRIBUTES && !m_strPath.empty())
        attributes = GetFileAttributesA(m_strPath.c_str());
    std::string temp;
    if (m_strPath.empty())
        failure = WriteFailure::Failed;
    else if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        failure = WriteFailure::ReadOnly;
    else if (SideFileName(m_strPath, SideKind::Temp).empty())
        failure = WriteFailure::NameTooLong;
    else if ((temp = FreeSideFile(m_strPath, SideKind::Temp)).empty())
        failure = WriteFailure::Failed;
    if (failure == WriteFailure::None) {
        bool ok = WriteTempFile(write, temp);
        if (ok && g_pfnBeforeBookReplace)
            g_pfnBeforeBookReplace(temp.c_str(), m_strPath.c_str());
        ok = ok && (attributes == INVALID_FILE_ATTRIBUTES ? MoveIntoPlace(temp, m_strPath)
                                                          : ReplaceWith(temp, m_strPath, attributes));
        if (!ok) {
            DeleteFileA(temp.c_str());
            failure = WriteFailure::Failed;
        }
    }
    if (why)
        *why = failure;
    return failure == WriteFailure::None;
}

bool CFileCommit::Write(const std::string& bytes, WriteFailure* why)
{
    return Write([&](FILE* file) { return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(); }, why);
}

std::string CFileCommit::Sweep(const std::string& path, Missing missing)
{
    CFileCommit commit(path);
    if (commit.m_Lock.Acquire(0) != CFileLock::Held)
        return "";
    commit.Recover(missing, true);
    return commit.m_strRestoredFrom;
}

void CFileCommit::SweepOrphan(const std::string& orphan)
{
    CFileLock lock(orphan, OrphanLockName(orphan));
    if (lock.Acquire(0) != CFileLock::Held || !IsOwnSide(orphan, SideKind::Temp))
        return;
    SetFileAttributesA(orphan.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(orphan.c_str());
}

FileRead ReadSettledFile(const std::string& path, std::string& bytes, std::string* restoredFrom)
{
    FileRead read = ReadWholeFile(path, bytes);
    if ((read == FileRead::Read && !HasOwnSideFiles(path)) || read == FileRead::Unreachable ||
        read == FileRead::Incomplete)
        return read;
    CFileCommit commit(path);
    switch (commit.Begin()) {
    case CFileLock::Held:
        // Side files beside a file that is there: the leftovers of a cut-off save, cleared
        // here (no sweep looks beside the settings file).
        commit.Recover(CFileCommit::Missing::Restore, true);
        if (restoredFrom)
            *restoredFrom = commit.RestoredFrom();
        return commit.Read(bytes);
    case CFileLock::Busy:
        // Someone has held the file for seconds: what was read is whole, a missing file may
        // only be missing for the moment.
        return read == FileRead::Read ? read : FileRead::Unreachable;
    default:
        return ReadWholeFile(path, bytes);
    }
}
