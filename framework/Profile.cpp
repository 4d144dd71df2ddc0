#include "framework/Profile.h"
#include <windows.h>

std::string ReadProfileString(const char* section, const char* key, const char* file)
{
    std::string value(260, '\0');
    for (;;) {
        DWORD length = GetPrivateProfileStringA(section, key, "", &value[0],
                                                static_cast<DWORD>(value.size()), file);
        // A value that filled the buffer may have been cut: read again with more room.
        if (length + 1 < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(value.size() * 2);
    }
}
