// Whether two paths name the same file, however each is spelled (an 8.3 short name, a
// "\\?\" or "\\.\" prefix, a UNC path, another drive letter for the same folder, another
// case): the file's identity (volume serial number and file index) when it exists, the
// full path otherwise. A volume serial that cannot be trusted (0, or any serial under Wine,
// where one drive letter may span several file systems whose file indexes repeat) never
// makes two files the same: the file's full path, as the system resolves it from the open
// file, stands for it there. Every "is this the same file" of the plug-in asks here.
#pragma once
#include <string>

// The full path of path; a relative one is taken from folder (with its trailing
// separator) rather than from whatever the current folder happens to be.
std::string FullPathOf(const std::string& path, const std::string& folder);

// A text that is equal for two paths exactly when they name the same file.
std::string FileKey(const std::string& path);

bool IsSameFile(const std::string& a, const std::string& b);

// Whether the plug-in runs under Wine (whose volume serials and replace differ from Windows').
bool RunsUnderWine();

// Test seam: stands for GetFileInformationByHandle.
extern int (*g_pfnFileInformation)(void* file, void* info);
