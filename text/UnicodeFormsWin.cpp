// Windows builds: NormalizeString, which kernel32 exports from Windows Vista on and
// normaliz.dll on older systems; it is looked up, so the plug-in loads without it.
#include <windows.h>
#include "text/UnicodeForms.h"

namespace {

using NormalizeFunction = int(WINAPI*)(int form, LPCWSTR source, int sourceLength, LPWSTR target, int targetLength);

const int kNormalizationC = 1;
const int kNormalizationKC = 5;

NormalizeFunction FindNormalize()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel ? GetProcAddress(kernel, "NormalizeString") : nullptr;
    if (!found) {
        HMODULE library = LoadLibraryA("normaliz.dll");
        found = library ? GetProcAddress(library, "NormalizeString") : nullptr;
    }
    return reinterpret_cast<NormalizeFunction>(reinterpret_cast<void*>(found));
}

std::u16string Normalize(int form, const std::u16string& text)
{
    static const NormalizeFunction normalize = FindNormalize();
    if (!normalize || text.empty())
        return text;
    const WCHAR* source = reinterpret_cast<const WCHAR*>(text.data());
    int length = static_cast<int>(text.size());
    // The first answer is an estimate; a second try takes what the function asks for.
    for (int room = normalize(form, source, length, nullptr, 0), attempt = 0; room > 0 && attempt < 2; ++attempt) {
        std::u16string out(static_cast<size_t>(room), u'\0');
        int written = normalize(form, source, length, reinterpret_cast<WCHAR*>(&out[0]), room);
        if (written > 0) {
            out.resize(static_cast<size_t>(written));
            return out;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            break;
        room = -written;
    }
    return text;
}

}  // namespace

namespace UnicodeForms {

std::u16string Compose(const std::u16string& text)
{
    return Normalize(kNormalizationC, text);
}

std::u16string ComposeCompatible(const std::u16string& text)
{
    return Normalize(kNormalizationKC, text);
}

}  // namespace UnicodeForms
