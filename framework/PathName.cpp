#include "framework/PathName.h"
#include <windows.h>

namespace {

const UINT kShiftJis = 932;

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

}  // namespace

PathParts SplitPath(const std::string& path)
{
    PathParts parts;
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':' && !IsDBCSLeadByteEx(kShiftJis, static_cast<BYTE>(path[0]))) {
        parts.drive = path.substr(0, 2);
        start = 2;
    }
    // Positions just after the last separator and at the last dot, found by whole characters.
    size_t nameStart = start;
    size_t lastDot = std::string::npos;
    for (size_t i = start; i < path.size();) {
        char c = path[i];
        if (IsDBCSLeadByteEx(kShiftJis, static_cast<BYTE>(c)) && i + 1 < path.size()) {
            i += 2;
            continue;
        }
        if (IsSeparator(c)) {
            nameStart = i + 1;
            lastDot = std::string::npos;
        } else if (c == '.') {
            lastDot = i;
        }
        ++i;
    }
    parts.dir = path.substr(start, nameStart - start);
    if (lastDot == std::string::npos) {
        parts.base = path.substr(nameStart);
    } else {
        parts.base = path.substr(nameStart, lastDot - nameStart);
        parts.ext = path.substr(lastDot);
    }
    return parts;
}

std::string PathFolder(const std::string& path)
{
    PathParts parts = SplitPath(path);
    return parts.drive + parts.dir;
}

std::string PathFileName(const std::string& path)
{
    PathParts parts = SplitPath(path);
    return parts.base + parts.ext;
}

std::string ModuleFileName(void* module)
{
    std::string name(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(static_cast<HMODULE>(module), &name[0], static_cast<DWORD>(name.size()));
        if (length == 0)
            return std::string();
        // A cut name may end a byte short of the buffer (a two-byte character that did not
        // fit), so only a name with two bytes to spare is known to be whole.
        if (length + 1 < name.size()) {
            name.resize(length);
            return name;
        }
        name.resize(name.size() * 2);
    }
}
