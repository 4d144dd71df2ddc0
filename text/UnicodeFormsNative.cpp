// Native builds: normalisation by ICU.
#include <unicode/unorm2.h>
#include "text/UnicodeForms.h"

namespace {

std::u16string Normalize(const UNormalizer2* normalizer, const std::u16string& text)
{
    if (!normalizer || text.empty())
        return text;
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = static_cast<int32_t>(text.size());
    int32_t needed = unorm2_normalize(normalizer, text.data(), length, nullptr, 0, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
        return text;
    std::u16string out(static_cast<size_t>(needed), u'\0');
    status = U_ZERO_ERROR;
    unorm2_normalize(normalizer, text.data(), length, &out[0], needed, &status);
    return U_FAILURE(status) ? text : out;
}

}  // namespace

namespace UnicodeForms {

std::u16string Compose(const std::u16string& text)
{
    UErrorCode status = U_ZERO_ERROR;
    return Normalize(unorm2_getNFCInstance(&status), text);
}

std::u16string ComposeCompatible(const std::u16string& text)
{
    UErrorCode status = U_ZERO_ERROR;
    return Normalize(unorm2_getNFKCInstance(&status), text);
}

}  // namespace UnicodeForms
