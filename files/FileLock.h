// The cross-process lock of one file that Velmora writes (a book, the settings file, a
// conflict copy). Every save holds it from the read that a merge starts from until the new
// file is in place (CFileCommit), and a reader that finds the file missing takes it before
// it believes that. It is a byte-range lock (LockFileEx) on a companion file beside the
// file, "<file>.velmora.lock": byte-range locks hold between processes on one machine, on
// an SMB share between machines, and under Wine between any two processes (Wine maps them
// to POSIX locks). The system releases the lock when its holder ends, however it ends, and
// the companion file is opened delete-on-close, so it goes with its last handle. The holder
// writes who it is into the companion file, so that a waiter can name it. Between two saves
// of a file soon after each other the process keeps the companion file open, unlocked
// (CKeptLocks), so that a save does not make and delete it each time.
#pragma once
#include <windows.h>
#include <string>

// How long a save waits for another holder (milliseconds): a few seconds, shorter in tests.
extern DWORD g_nFileLockWaitMs;

class CFileLock {
public:
    enum Result {
        Held,         // this object holds the lock
        Busy,         // another process held it for the whole wait; Holder() names it
        Unavailable,  // no lock can be made beside the file (its folder is not there or is read-only)
    };

    explicit CFileLock(const std::string& path);
    // The lock whose companion file is lockPath (of a file whose name is not known).
    CFileLock(const std::string& path, const std::string& lockPath);
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    // Takes the lock, waiting at most waitMs for another holder to let go.
    Result Acquire(DWORD waitMs = g_nFileLockWaitMs);
    void Release();
    bool IsHeld() const { return m_hLock != INVALID_HANDLE_VALUE; }
    // After Busy: the program that holds the lock ("EdMax.exe (プロセス 1234, PC名)"), or "".
    const std::string& Holder() const { return m_strHolder; }

private:
    std::string m_strPath;
    std::string m_strLockPath;
    std::string m_strHolder;
    HANDLE m_hLock = INVALID_HANDLE_VALUE;

    Result TryOnce(DWORD& error);
    std::string ReadHolder() const;
};
