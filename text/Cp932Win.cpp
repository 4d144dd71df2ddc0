// Windows builds: code page 932 through the platform's own tables. Best-fit mappings are
// off, so a character without a code of its own is reported, never replaced.
#include <windows.h>
#include "text/Cp932.h"

char16_t PlatformCp932Decode(const unsigned char* bytes, int length)
{
    WCHAR unit[2];
    int count = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes), length,
                                    unit, 2);
    return count == 1 ? static_cast<char16_t>(unit[0]) : 0;
}

int PlatformCp932Encode(char16_t ch, char out[2])
{
    WCHAR unit = static_cast<WCHAR>(ch);
    BOOL usedDefault = FALSE;
    char bytes[4];
    int count = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes, sizeof bytes, nullptr,
                                    &usedDefault);
    if (count < 1 || count > 2 || usedDefault)
        return 0;
    out[0] = bytes[0];
    if (count == 2)
        out[1] = bytes[1];
    return count;
}
