// Velmora's own files beside a file it writes, and the one place that knows their names:
// the temporary file a save writes first ("<file>.velmora.tmp"), the backup name under
// which a replace that must go in two steps parks the old file ("<file>.velmora.bak") and
// the lock's companion file ("<file>.velmora.lock"); when those would be too long for a
// path, "~vm<8 hex digits>" names in the same folder. Temporary files carry the hidden and
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

// The files in folder (with its trailing separator) beside which temporary or backup files
// of ours stand, under any of their names: whatever saves that a crash cut off left there.
std::vector<std::string> LeftoverTargets(const std::string& folder);

// Whether name carries the marks of a side file of ours.
bool IsOwnSideFile(const std::string& name);

// Whether path fits the length that the "A" file functions take.
bool PathFits(const std::string& path);
