// Velmora's own files beside a file it writes, and the one place that knows their names:
// the temporary file a save writes first ("<file>.velmora.tmp"), the backup name under
// which a replace that must go in two steps parks the old file ("<file>.velmora.bak") and
// the lock's companion file ("<file>.velmora.lock"); when those would be too long for a
// path, "~vm<8 hex digits of the path's hash>" names in the same folder. Temporary files carry the hidden and
// system attributes: a file of such a name without them is someone else's and is never
// touched, unless it is empty (a save cut off as it made the file). A backup is the old file itself under our name (it keeps its own attributes). CFileCommit and CFileLock use these; recovery (RecoverFile) too.
#pragma once
#include <string>
#include <vector>

enum class SideKind { Temp, Backup, Lock };

// The attempt'th name of a side file of kind beside path (attempt 1 is the usual one,
// later ones stand aside for a user's file in the way); "" when no name fits.
std::string SideFileName(const std::string& path, SideKind kind, int attempt = 1);

// A name of kind beside path that is free now; a leftover of ours in the way is removed.
std::string FreeSideFile(const std::string& path, SideKind kind);

// The temporary and backup files of ours beside path now, newest first (a temporary file
// before a backup of the same time: it holds the later contents).
std::vector<std::string> OwnSideFiles(const std::string& path);

// Whether a temporary or backup file of ours stands beside path under its usual name (a
// save under way, or one that a crash cut off).
bool HasOwnSideFiles(const std::string& path);

// What saves that a crash cut off left in one folder (with its trailing separator).
struct Leftovers {
    // The files beside which temporary or backup files of ours stand, under any of their
    // names. The shorter "~vm" names do not tell their file: it is looked for among the
    // files in the folder and the known paths (those that may be missing, as listed books).
    std::vector<std::string> targets;
    // Temporary files of ours under the usual shorter name whose file is neither there nor
    // known, with no backup beside them: a first save of a file that no list names, cut
    // off (a backup would say a replace was, and without the file's name it stays).
    std::vector<std::string> orphans;
};
Leftovers FindLeftovers(const std::string& folder, const std::vector<std::string>& known);

// The lock's companion file of the file whose temporary file is orphan (FindLeftovers).
std::string OrphanLockName(const std::string& orphan);

// Whether name is a side file of ours of kind: a backup by its name; a temporary file by its
// marks, or empty (cut off as it was made).
bool IsOwnSide(const std::string& name, SideKind kind);

// Whether name carries the marks of a side file of ours.
bool IsOwnSideFile(const std::string& name);

// Whether path fits the length that the "A" file functions take.
bool PathFits(const std::string& path);
