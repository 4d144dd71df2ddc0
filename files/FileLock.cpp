#include "files/FileLock.h"
#include <cstdio>
#include "files/KeptLocks.h"
#include "files/SideFiles.h"
#include "framework/PathName.h"

namespace {

// The locked byte lies far past the holder's text, so that the text stays readable while
// the lock is held (Windows' byte-range locks keep readers out of the range they cover).
const DWORD kLockOffset = 0x40000000;
const DWORD kOpenShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE OpenLockFile(const std::string& name)
{
    return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, kOpenShare, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

bool NameInFolder(const std::string& name)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(name.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    return true;
}

// "EdMax.exe (プロセス 1234, PC名)": what a waiter shows of the holder.
std::string DescribeProcess()
{
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD size = sizeof computer;
    GetComputerNameA(computer, &size);
    return PathFileName(module) + " (プロセス " + std::to_string(GetCurrentProcessId()) + ", " + computer + ")\r\n";
}

const std::string& DescribeThisProcess()
{
    static const std::string self = DescribeProcess();
    return self;
}

}  // namespace

DWORD g_nFileLockWaitMs = 5000;

CFileLock::CFileLock(const std::string& path)
    : m_strPath(path), m_strLockPath(SideFileName(path, SideKind::Lock))
{
}

CFileLock::CFileLock(const std::string& path, const std::string& lockPath) : m_strPath(path), m_strLockPath(lockPath)
{
}

CFileLock::~CFileLock()
{
    Release();
}

// One try, through the handle kept from this process's last save of the file if there is
// one, else through a new one: the lock is ours only when the companion file we locked is
// not on its way out (deleted with the last handle of a holder that let go: Windows refuses
// new opens of it meanwhile, so a waiter that locked it must let go and open the file that
// comes next).
CFileLock::Result CFileLock::TryOnce(DWORD& error)
{
    HANDLE handle = CKeptLocks::Take(m_strLockPath);
    bool kept = handle != INVALID_HANDLE_VALUE;
    if (!kept)
        handle = OpenLockFile(m_strLockPath);
    if (handle == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return Busy;
    }
    OVERLAPPED at = {};
    at.Offset = kLockOffset;
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        error = GetLastError();
        // A handle that another holder keeps out stays for the next try (on Windows its close
        // would put the file on its way out, and every other opener would have to wait for
        // all who keep it); a kept one that fails otherwise (a share that went away) goes,
        // and the file is opened anew at once.
        if (error == ERROR_LOCK_VIOLATION) {
            CKeptLocks::Keep(m_strLockPath, handle);
            return Busy;
        }
        CloseHandle(handle);
        return kept ? TryOnce(error) : Busy;
    }
    if (CKeptLocks::IsGoing(handle)) {
        error = ERROR_LOCK_VIOLATION;
        CloseHandle(handle);
        return kept ? TryOnce(error) : Busy;
    }
    // The holder's line from the start of the file; whatever an earlier holder left after
    // its line end is never read.
    const std::string& holder = DescribeThisProcess();
    DWORD written = 0;
    SetFilePointer(handle, 0, nullptr, FILE_BEGIN);
    WriteFile(handle, holder.data(), static_cast<DWORD>(holder.size()), &written, nullptr);
    m_hLock = handle;
    return Held;
}

CFileLock::Result CFileLock::Acquire(DWORD waitMs)
{
    m_strHolder.clear();
    if (IsHeld())
        return Held;
    if (m_strLockPath.empty())
        return Unavailable;
    DWORD start = GetTickCount();
    DWORD pause = 1;
    for (;;) {
        DWORD error = 0;
        if (TryOnce(error) == Held)
            return Held;
        // A folder that is not there, or where nothing may be created, has no lock to wait for.
        // (A companion file on its way out refuses opens, and on Windows even a look at its
        // attributes, until its last handle goes: its name in the folder says it is there.)
        bool noFile = error == ERROR_ACCESS_DENIED && !NameInFolder(m_strLockPath);
        if (error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_NETPATH || error == ERROR_INVALID_NAME ||
            error == ERROR_WRITE_PROTECT || error == ERROR_FILENAME_EXCED_RANGE ||
            (noFile && error == ERROR_ACCESS_DENIED))
            return Unavailable;
        if (GetTickCount() - start >= waitMs)
            break;
        Sleep(pause);
        pause = pause < 32 ? pause * 2 : 50;
    }
    m_strHolder = ReadHolder();
    return Busy;
}

void CFileLock::Release()
{
    if (!IsHeld())
        return;
    // The handle stays open for the next save of the file (CKeptLocks), its lock let go;
    // unless its file is on its way out (kept, it would keep every other opener out on
    // Windows): then closing it lets the lock go (Windows and Wine release a handle's byte
    // locks as it closes, an SMB client with its close) and the file goes with its last
    // handle.
    OVERLAPPED at = {};
    at.Offset = kLockOffset;
    if (UnlockFileEx(m_hLock, 0, 1, 0, &at) && !CKeptLocks::IsGoing(m_hLock))
        CKeptLocks::Keep(m_strLockPath, m_hLock);
    else
        CloseHandle(m_hLock);
    m_hLock = INVALID_HANDLE_VALUE;
}

std::string CFileLock::ReadHolder() const
{
    HANDLE handle = CreateFileA(m_strLockPath.c_str(), GENERIC_READ, kOpenShare, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return "";
    char text[512];
    DWORD read = 0;
    if (!ReadFile(handle, text, sizeof text - 1, &read, nullptr))
        read = 0;
    CloseHandle(handle);
    std::string holder(text, read);
    size_t end = holder.find_first_of("\r\n");
    return holder.substr(0, end);
}
