// The lock files (CFileLock's companion files) that this process keeps open between two saves
// of a file, so that a save soon after another takes and lets go of its lock with the byte
// lock alone instead of making and deleting the lock file each time. A kept handle holds no
// lock: it is the same delete-on-close handle that the save locked through, its byte lock
// let go. So the file still goes with its last handle, however the process ends, and
// another process opens it and locks it as it would if we had closed ours.
//
// A save that waits for another holder keeps its handle between its tries too (on Windows the
// close of a delete-on-close handle puts the file on its way out while others hold it).
// A handle is kept while the file is saved again and again, and let go when the file has not
// been saved for g_nFileLockKeepMs, when its lock file is on its way out (deleted with the
// last handle of another holder: on Windows that file refuses new opens, including every
// other process's, until the handles of all who keep it are closed), and at the end of the
// plug-in (StopKeeping). Where the thread that keeps handles runs a message loop a timer looks
// at them twice a second; each save looks at the times too.
#pragma once
#include <windows.h>
#include <string>

// How long an unused lock file stays open (milliseconds); 0 keeps none.
extern DWORD g_nFileLockKeepMs;

class CKeptLocks {
public:
    // The kept handle of lockPath, now the caller's (it is no longer kept), or
    // INVALID_HANDLE_VALUE when none is kept.
    static HANDLE Take(const std::string& lockPath);
    // Keeps handle, which holds no lock, for the next save of lockPath; closes it when keeping
    // is off or a handle of lockPath is kept already.
    static void Keep(const std::string& lockPath, HANDLE handle);
    // Closes every kept handle (their lock files go unless another process holds them too).
    static void LetGoAll();
    // LetGoAll, and keeps none from now on: the plug-in's end, on the host's thread, where
    // its saves ran and its timer was set (no timer may outlive the module).
    static void StopKeeping();
    // How many handles are kept now.
    static size_t Count();
    // Whether the lock file that handle holds is on its way out: deleted with the last handle
    // of a holder that let go, or by someone's delete (one query of the open file).
    static bool IsGoing(HANDLE handle);

private:
    static void LetGoUnused(bool lookAtFiles);
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
};
