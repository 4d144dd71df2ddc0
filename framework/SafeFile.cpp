#include "framework/SafeFile.h"
#include <windows.h>
#include <io.h>
#include "framework/PathName.h"

namespace {

// Closes the file after its contents have reached the disk.
bool FlushAndClose(FILE* file)
{
    bool ok = std::fflush(file) == 0 && !std::ferror(file);
    ok = ok && FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))));
    return std::fclose(file) == 0 && ok;
}

}  // namespace

bool WriteFileSafely(const std::string& path, const std::function<bool(FILE*)>& write)
{
    std::string folder = PathFolder(path);
    char temp[MAX_PATH];
    if (!GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "vlm", 0, temp))
        return false;
    FILE* file = std::fopen(temp, "wb");
    bool ok = file && write(file);
    if (file)
        ok = FlushAndClose(file) && ok;
    if (ok && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        ok = ReplaceFileA(path.c_str(), temp, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    else if (ok)
        ok = MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileA(temp);
    return ok;
}
