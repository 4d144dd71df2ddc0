// Files and folders of one test: a fresh folder under the temporary folder, whole-file
// reads and writes, and settings values as the profile functions see them.
#pragma once
#include <string>
#include <vector>

// A new, empty folder under the temporary folder (never one that stood there before), with
// its trailing separator; the name that ends it may hold Japanese characters.
std::string NewTestFolder(const std::string& name = "");

// Removes a folder with everything in it, read-only files too.
void RemoveTestFolder(const std::string& folder);

// The names of the files in a folder, separated by blanks.
std::string FolderListing(const std::string& folder);
int FileCountIn(const std::string& folder, const char* pattern = "*");
// The paths of the files in folder that match pattern; the first of them, or "".
std::vector<std::string> FilesIn(const std::string& folder, const char* pattern);
std::string FirstFileIn(const std::string& folder, const char* pattern);

// A settings value, or "(missing)" when the key is absent.
std::string IniValue(const std::string& ini, const char* section, const char* key);

// "(no file)" when the file cannot be read.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
