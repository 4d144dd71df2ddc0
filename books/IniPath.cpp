#include "books/IniPath.h"
#include <windows.h>
#include "files/FileIdentity.h"
#include "framework/PathName.h"

char g_szIniPath[kIniPathSize];

bool IsRelativeBookPath(const std::string& listed)
{
    if (listed.find_first_not_of(' ') == std::string::npos)
        return false;  // no name at all: nothing to resolve
    if (listed.size() >= 2 && listed[1] == ':')
        return false;
    return listed[0] != '\\' && listed[0] != '/';
}

std::string ResolveListedBookPath(const std::string& listed)
{
    std::string beside = FullPathOf(listed, PathFolder(g_szIniPath));
    if (!IsRelativeBookPath(listed) || GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES)
        return beside;
    std::string current = FullPathOf(listed, "");
    if (GetFileAttributesA(current.c_str()) != INVALID_FILE_ATTRIBUTES)
        return current;
    return listed;
}
