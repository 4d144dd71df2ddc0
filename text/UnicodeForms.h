// Unicode normalisation through the platform: Windows' NormalizeString, ICU natively. The
// Shift-JIS encoder uses it for the few characters code page 932 cannot hold as they are:
// a kana with a combining sound mark, a compatibility form, a no-break space.
#pragma once
#include <string>

namespace UnicodeForms {

// The canonical composition (NFC) of UTF-16 text; the text itself when the platform
// cannot normalise.
std::u16string Compose(const std::u16string& text);

// The compatibility composition (NFKC): "ﬁ" is "fi", "⼭" (a Kangxi radical) is "山".
std::u16string ComposeCompatible(const std::u16string& text);

}  // namespace UnicodeForms
