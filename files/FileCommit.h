// One save of one file: the only way Velmora writes a book, the settings file or a
// conflict copy. A save takes the file's cross-process lock (CFileLock), reads what is
// there, builds the new bytes, writes them to a temporary file beside it, flushes them to
// the disk and puts them in place, and releases the lock; messages about the save are
// shown by the caller after that. The path always names a whole file: under Wine the new
// file takes the old one's name in one rename; where the platform replaces in two steps,
// a reader that finds the file missing takes the lock and reads again (ReadSettledFile).
// Leftovers of a save that a crash cut off are dealt with when the lock is next taken: a
// file left missing is restored from the newest complete side file (RestoredFrom), and
// the other side files are removed; beside a file that is there, the next save's own
// temporary file takes the leftover's name, and the sweep (Sweep) clears the rest.
#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include "files/BookFile.h"
#include "files/FileLock.h"

class CFileCommit {
public:
    explicit CFileCommit(const std::string& path, bool locked = true);
    ~CFileCommit() = default;
    CFileCommit(const CFileCommit&) = delete;
    CFileCommit& operator=(const CFileCommit&) = delete;

    // What recovery does with a file left missing beside whole side files: Restore it from
    // the newest (a listed file, or one of unknown standing), or RestoreIfReplaced, only
    // when a backup shows that the file was there (a file that no list names: a first save
    // that a crash cut off was never a save, and its temporary file just goes).
    enum class Missing { Restore, RestoreIfReplaced };

    // Takes the lock (waiting waitMs at most), then restores the file if a crashed save
    // left it missing.
    // Busy: another program held the file all that time (Holder() names it, where known).
    CFileLock::Result Begin(Missing missing = Missing::Restore, DWORD waitMs = g_nFileLockWaitMs);
    const std::string& Holder() const { return m_Lock.Holder(); }
    // The side file that Begin restored the file from, or "".
    const std::string& RestoredFrom() const { return m_strRestoredFrom; }

    // The file as it is now (under the lock no save of another process is half done).
    FileRead Read(std::string& bytes) const { return ReadWholeFile(m_strPath, bytes); }

    // Writes the contents that write puts into an open temporary file beside the file (it
    // says whether that succeeded), flushes them and puts them in place (keeping the old
    // file's attributes and security). False, with the file as it was and nothing of ours
    // left beside it, when a step fails; *why says which.
    bool Write(const std::function<bool(FILE*)>& write, WriteFailure* why = nullptr);
    bool Write(const std::string& bytes, WriteFailure* why = nullptr);

    // Clears what saves that a crash cut off left beside path under any of the side files'
    // names, unless another process is saving it right now (no wait: its side files are its
    // own then). Returns the side file that the file was restored from, or "".
    static std::string Sweep(const std::string& path, Missing missing);
    // Removes an orphan temporary file (FindLeftovers) unless its save is under way in
    // another process right now.
    static void SweepOrphan(const std::string& orphan);

    // Releases the lock (the destructor does too).
    void End() { m_Lock.Release(); }

private:
    std::string m_strPath;
    CFileLock m_Lock;
    bool m_bLocked;
    std::string m_strRestoredFrom;
    // The file's attributes as the look under the lock found them (the file there), so that
    // the write that follows under the same lock need not look again; else INVALID.
    DWORD m_dwSeenAttributes = INVALID_FILE_ATTRIBUTES;

    void Recover(Missing missing, bool anyName);
    friend FileRead ReadSettledFile(const std::string&, std::string&, std::string*);
};

// Reads path whole as ReadWholeFile does; but a file found missing, or with side files of
// ours beside it (a save under way, or one a crash cut off), is read again under its lock,
// after recovery. Never answers Gone while another process may be putting the file in
// place: when the lock cannot be had, the file is Unreachable. *restoredFrom names the side
// file that the file was restored from, if any.
FileRead ReadSettledFile(const std::string& path, std::string& bytes, std::string* restoredFrom = nullptr);

// Test seams: the first runs between the finished temporary file and the replace (tests
// stop a save there); the second stands for the replace of an existing file in two steps
// (ReplaceFileA with a backup name); the third for the replace in one rename (under Wine;
// none on Windows, where ReplaceFileA keeps the old file's security).
extern void (*g_pfnBeforeBookReplace)(const char* tempPath, const char* path);
extern int (*g_pfnReplaceFile)(const char* path, const char* tempPath, const char* backupPath);
extern int (*g_pfnRenameOver)(const char* tempPath, const char* path);
