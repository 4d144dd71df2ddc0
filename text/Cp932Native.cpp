// Native builds: code page 932 through glibc's iconv ("CP932").
#include <iconv.h>
#include "text/Cp932.h"

namespace {

bool Convert(iconv_t converter, const char* in, size_t inLength, char* out, size_t& outLength)
{
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char* input = const_cast<char*>(in);
    char* output = out;
    size_t room = outLength;
    if (iconv(converter, &input, &inLength, &output, &room) == static_cast<size_t>(-1) || inLength != 0)
        return false;
    outLength -= room;
    return true;
}

}  // namespace

char16_t PlatformCp932Decode(const unsigned char* bytes, int length)
{
    // One converter each way for the life of the process; the store runs on one thread.
    static iconv_t decoder = iconv_open("UTF-16LE", "CP932");
    unsigned char unit[4];
    size_t size = sizeof unit;
    if (!Convert(decoder, reinterpret_cast<const char*>(bytes), static_cast<size_t>(length),
                 reinterpret_cast<char*>(unit), size) || size != 2)
        return 0;
    return static_cast<char16_t>(unit[0] | (unit[1] << 8));
}

int PlatformCp932Encode(char16_t ch, char out[2])
{
    static iconv_t encoder = iconv_open("CP932", "UTF-16LE");
    const char unit[2] = {static_cast<char>(ch & 0xFF), static_cast<char>(ch >> 8)};
    char bytes[4];
    size_t size = sizeof bytes;
    if (!Convert(encoder, unit, sizeof unit, bytes, size) || size == 0 || size > 2)
        return 0;
    out[0] = bytes[0];
    if (size == 2)
        out[1] = bytes[1];
    return static_cast<int>(size);
}
