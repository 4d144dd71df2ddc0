// A local book's AL-MAIL file on disk: its stamp (size and last write time), and writing it
// so that no failure part way ever costs the previous file. The book registry uses these
// when it saves the books; the export writes its files the same way.
#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include "store/AddrBook.h"

struct FileStamp {
    bool bExists = false;
    uint64_t nSize = 0;
    uint64_t nWriteTime = 0;
};

FileStamp ReadFileStamp(const std::string& path);

// The temporary file that a save of path writes before it replaces path. Only one save
// of a file runs at a time, so a temporary file found at the next save is a leftover.
std::string BookTempPath(const std::string& path);

// Writes the contents of book to path: into the temporary file, flushed to disk, which
// then replaces path in one step (keeping its attributes and security) or becomes it. A
// read-only file is not replaced. False, with path untouched, when any step fails.
bool WriteBookFile(CAddrBook& store, const ADTDATA* book, const std::string& path);

// Writes path the same way, with the contents that write puts into the open temporary
// file (it says whether that succeeded).
bool WriteFileSafely(const std::string& path, const std::function<bool(FILE*)>& write);

// A name beside path that no file has, for a version that must not overwrite path:
// "<name> (競合 YYYYMMDD-HHMMSS).adr".
std::string ConflictCopyPath(const std::string& path);

// Runs between the finished temporary file and the replace; tests stop a save there.
extern void (*g_pfnBeforeBookReplace)(const char* tempPath, const char* path);
