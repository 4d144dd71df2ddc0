#include "TestFiles.h"
#include <windows.h>
#include <cstdio>
#include "files/KeptLocks.h"

// The process id alone does not make the name new: Wine hands a finished process's id to
// the next one, and a folder that an earlier test could not remove (a child process still
// holding a file in it, a folder made inside it) would be taken over with what it holds.
std::string NewTestFolder(const std::string& name)
{
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    for (;;) {
        std::string folder = std::string(temp) + "velmora-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(counter++) + name + "\\";
        if (CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() != ERROR_ALREADY_EXISTS)
            return folder;
    }
}

namespace {

// Calls visit with the find data of every file (not folder) matching pattern in folder.
template <typename Visit>
void ForEachFile(const std::string& folder, const char* pattern, Visit visit)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            visit(found);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

std::string FolderListing(const std::string& folder)
{
    std::string names;
    ForEachFile(folder, "*", [&](const WIN32_FIND_DATAA& found) { names += std::string(found.cFileName) + " "; });
    return names;
}

int FileCountIn(const std::string& folder, const char* pattern)
{
    int count = 0;
    ForEachFile(folder, pattern, [&](const WIN32_FIND_DATAA&) { ++count; });
    return count;
}

std::vector<std::string> FilesIn(const std::string& folder, const char* pattern)
{
    std::vector<std::string> paths;
    ForEachFile(folder, pattern, [&](const WIN32_FIND_DATAA& found) { paths.push_back(folder + found.cFileName); });
    return paths;
}

std::string FirstFileIn(const std::string& folder, const char* pattern)
{
    std::vector<std::string> paths = FilesIn(folder, pattern);
    return paths.empty() ? "" : paths[0];
}

void RemoveTestFolder(const std::string& folder)
{
    CKeptLocks::LetGoAll();  // lock files this process keeps open would keep the folder
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string entry = found.cFileName;
            if (entry == "." || entry == "..")
                continue;
            std::string path = folder + entry;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {  // a link: only the link goes
                RemoveDirectoryA(path.c_str());
                DeleteFileA(path.c_str());
                continue;
            }
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTestFolder(path + "\\");
                continue;
            }
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string IniValue(const std::string& ini, const char* section, const char* key)
{
    char value[4096];
    GetPrivateProfileStringA(section, key, "(missing)", value, sizeof value, ini.c_str());
    return value;
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return "(no file)";
    int c;
    while ((c = std::fgetc(file)) != EOF)
        bytes.push_back(static_cast<char>(c));
    std::fclose(file);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
