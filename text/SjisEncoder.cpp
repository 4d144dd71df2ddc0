#include "text/SjisEncoder.h"
#include "text/Charset.h"
#include "text/Cp932.h"

std::string CSjisEncoder::Encode(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t ch = Charset::NextUtf8(utf8, pos);
        char bytes[2];
        int length = ch <= 0xFFFF ? Cp932Encode(static_cast<char16_t>(ch), bytes) : 0;
        if (length == 0 || ch == Charset::kReplacement) {
            out.push_back('?');
            ++m_nReplaced;
            continue;
        }
        out.append(bytes, static_cast<size_t>(length));
    }
    return out;
}
