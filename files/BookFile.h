// The files of the plug-in on disk (book files, the settings file, exports): reading one
// whole so that a failed read is never taken for its end, and writing it through the one
// commit of a file (CFileCommit), so that no failure part way ever costs the previous file.
// The book registry and the settings file use these; the export writes its files the same way.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include "store/AddrBook.h"

enum class FileRead {
    Read,         // the whole file is in the bytes
    Gone,         // no such file, in a folder that is there
    Unreachable,  // the file or its folder, drive or share cannot be opened now
    Incomplete,   // the file opened but a read failed before its end
};

// Reads path whole into bytes (cleared first).
FileRead ReadWholeFile(const std::string& path, std::string& bytes);

enum class WriteFailure {
    None,
    ReadOnly,     // the file is read-only, or a folder has its name
    NameTooLong,  // no temporary name beside the file fits the length a path may have
    Failed,       // creating, writing, flushing or replacing failed
    Busy,         // another program held the file's lock for the whole wait
};

// Writes path with the contents that write puts into an open temporary file beside it (it
// says whether that succeeded), under the file's lock (CFileCommit): the temporary file is
// flushed to disk and then replaces path (keeping its attributes and security) or becomes
// it. False, with path as it was and nothing of ours left beside it, when any step fails
// or another program holds the file's lock; *why says which.
bool WriteFileSafely(const std::string& path, const std::function<bool(FILE*)>& write,
                     WriteFailure* why = nullptr);

// The same with the contents of book.
bool WriteBookFile(CAddrBook& store, const ADTDATA* book, const std::string& path, WriteFailure* why = nullptr);

// The name of the temporary file that a save of path writes first, or "" when no name
// beside path fits (SideFiles.h).
std::string BookTempPath(const std::string& path);

// A name beside path that no file has, for a version that must not overwrite path:
// "<name> (競合 YYYYMMDD-HHMMSS).adr", shorter when that would not fit; "" when nothing fits.
std::string ConflictCopyPath(const std::string& path);

// Test seam: when set, asked before each read of a file; the read fails when it answers true.
extern bool (*g_pfnFailRead)(const char* path, uint64_t offset);
