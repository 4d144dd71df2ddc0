#include "store/Sjis.h"

size_t SjisCutLength(const char* text, size_t len, size_t maxLen)
{
    if (len <= maxLen)
        return len;
    size_t i = 0;
    while (i < maxLen) {
        size_t step = (IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < len) ? 2 : 1;
        if (i + step > maxLen)
            break;
        i += step;
    }
    return i;
}
