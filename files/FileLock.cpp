#include "files/FileLock.h"
#include <cstdio>
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

// Whether the companion file that handle holds is on its way out: deleted with the last
// handle of a holder that let go (Windows refuses new opens of it meanwhile, so a waiter
// that locked it must let go and open the file that comes next). One query of the open
// file, no second open.
bool IsGoing(HANDLE handle)
{
    FILE_STANDARD_INFO info = {};
    if (!GetFileInformationByHandleEx(handle, FileStandardInfo, &info, sizeof info))
        return false;
    return info.DeletePending || info.NumberOfLinks == 0;
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

// One try: the lock is ours only when the companion file we locked is not on its way out (a
// holder that let go may have left it to be deleted with its last handle).
CFileLock::Result CFileLock::TryOnce(DWORD& error)
{
    HANDLE handle = OpenLockFile(m_strLockPath);
    if (handle == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return Busy;
    }
    OVERLAPPED at = {};
    at.Offset = kLockOffset;
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        error = GetLastError();
        CloseHandle(handle);
        return Busy;
    }
    if (IsGoing(handle)) {
        error = ERROR_LOCK_VIOLATION;
        CloseHandle(handle);
        return Busy;
    }
    // The holder's line from the start of the file; whatever an earlier holder left after
    // its line end is never read.
    const std::string& holder = DescribeThisProcess();
    DWORD written = 0;
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
    // Closing the handle lets the lock go at once (Windows and Wine release a handle's byte
    // locks as it closes, an SMB client with its close), one call less than an unlock first;
    // the companion file goes with its last handle.
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
