#include "files/KeptLocks.h"
#include <vector>

namespace {

struct Kept {
    std::string lockPath;
    HANDLE handle;
    DWORD since;  // when its last save let go (GetTickCount)
};

// How often the timer looks at the kept handles (milliseconds).
const UINT kLookEveryMs = 500;

SRWLOCK g_guard = SRWLOCK_INIT;
std::vector<Kept> g_kept;
UINT_PTR g_timer = 0;
DWORD g_timerThread = 0;

class CGuard {
public:
    CGuard() { AcquireSRWLockExclusive(&g_guard); }
    ~CGuard() { ReleaseSRWLockExclusive(&g_guard); }
    CGuard(const CGuard&) = delete;
    CGuard& operator=(const CGuard&) = delete;
};

// The timer goes when nothing is kept; only the thread that set it can end it.
void StopTimerIfIdle()
{
    if (g_timer && g_kept.empty() && GetCurrentThreadId() == g_timerThread) {
        KillTimer(nullptr, g_timer);
        g_timer = 0;
    }
}

}  // namespace

DWORD g_nFileLockKeepMs = 2000;

bool CKeptLocks::IsGoing(HANDLE handle)
{
    FILE_STANDARD_INFO info = {};
    if (!GetFileInformationByHandleEx(handle, FileStandardInfo, &info, sizeof info))
        return false;
    return info.DeletePending || info.NumberOfLinks == 0;
}

HANDLE CKeptLocks::Take(const std::string& lockPath)
{
    LetGoUnused(false);
    CGuard guard;
    for (auto kept = g_kept.begin(); kept != g_kept.end(); ++kept) {
        if (lstrcmpiA(kept->lockPath.c_str(), lockPath.c_str()) == 0) {
            HANDLE handle = kept->handle;
            g_kept.erase(kept);
            return handle;
        }
    }
    return INVALID_HANDLE_VALUE;
}

void CKeptLocks::Keep(const std::string& lockPath, HANDLE handle)
{
    LetGoUnused(false);
    {
        CGuard guard;
        bool kept = false;
        for (const Kept& other : g_kept)
            kept = kept || lstrcmpiA(other.lockPath.c_str(), lockPath.c_str()) == 0;
        if (g_nFileLockKeepMs > 0 && !kept) {
            g_kept.push_back({lockPath, handle, GetTickCount()});
            handle = INVALID_HANDLE_VALUE;
            if (!g_timer) {
                g_timer = SetTimer(nullptr, 0, kLookEveryMs, OnTimer);
                g_timerThread = GetCurrentThreadId();
            }
        }
    }
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

void CKeptLocks::LetGoAll()
{
    std::vector<Kept> all;
    {
        CGuard guard;
        all.swap(g_kept);
        StopTimerIfIdle();
    }
    for (const Kept& kept : all)
        CloseHandle(kept.handle);
}

void CKeptLocks::StopKeeping()
{
    g_nFileLockKeepMs = 0;
    LetGoAll();
}

size_t CKeptLocks::Count()
{
    CGuard guard;
    return g_kept.size();
}

// Closes the handles unused for the keep time, and with lookAtFiles those whose lock files
// are on their way out (a query of each: the timer's, not every save's).
void CKeptLocks::LetGoUnused(bool lookAtFiles)
{
    std::vector<HANDLE> closing;
    {
        CGuard guard;
        DWORD now = GetTickCount();
        for (size_t i = 0; i < g_kept.size();) {
            if (now - g_kept[i].since >= g_nFileLockKeepMs || (lookAtFiles && IsGoing(g_kept[i].handle))) {
                closing.push_back(g_kept[i].handle);
                g_kept.erase(g_kept.begin() + i);
            } else {
                ++i;
            }
        }
        StopTimerIfIdle();
    }
    for (HANDLE handle : closing)
        CloseHandle(handle);
}

void CALLBACK CKeptLocks::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    LetGoUnused(true);
}
