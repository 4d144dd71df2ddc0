// Picking the mail address under the pointer out of the body text.
#include <gtest/gtest.h>
#include "edmax/MailAddressFinder.h"

namespace {
const std::wstring kText = L"宛先は taro.yamada+ml@example.co.jp です。\r\n"
                           L"山田 <hanako@example.jp> まで。 mail me: jiro@example.jp.\r\n"
                           L"<not an address> @ alone x@ @y";
size_t At(const wchar_t* needle, size_t offset = 0)
{
    return kText.find(needle) + offset;
}
}  // namespace

TEST(MailAddressFinder, RunOfAddressCharacters)
{
    EXPECT_EQ(FindMailAddressAt(kText, At(L"taro")), "taro.yamada+ml@example.co.jp");
    EXPECT_EQ(FindMailAddressAt(kText, At(L"@example.co")), "taro.yamada+ml@example.co.jp");
    EXPECT_EQ(FindMailAddressAt(kText, At(L".jp ", 2)), "taro.yamada+ml@example.co.jp");
}

TEST(MailAddressFinder, BracketsIncludingTheBracketsThemselves)
{
    EXPECT_EQ(FindMailAddressAt(kText, At(L"<hanako")), "hanako@example.jp");
    EXPECT_EQ(FindMailAddressAt(kText, At(L"hanako", 3)), "hanako@example.jp");
    EXPECT_EQ(FindMailAddressAt(kText, At(L"> まで")), "hanako@example.jp");
}

TEST(MailAddressFinder, SentenceFullStopIsNotPartOfIt)
{
    EXPECT_EQ(FindMailAddressAt(kText, At(L"jiro")), "jiro@example.jp");
}

TEST(MailAddressFinder, NothingWhereThereIsNoAddress)
{
    EXPECT_EQ(FindMailAddressAt(kText, At(L"宛先")), "");
    EXPECT_EQ(FindMailAddressAt(kText, At(L" です")), "");
    EXPECT_EQ(FindMailAddressAt(kText, At(L"山田")), "");
    EXPECT_EQ(FindMailAddressAt(kText, At(L"not")), "");
    EXPECT_EQ(FindMailAddressAt(kText, At(L"@ alone")), "");
    EXPECT_EQ(FindMailAddressAt(kText, At(L"x@")), "");
    EXPECT_EQ(FindMailAddressAt(kText, At(L"@y")), "");
    EXPECT_EQ(FindMailAddressAt(kText, kText.size()), "");
    EXPECT_EQ(FindMailAddressAt(L"", 0), "");
}

TEST(MailAddressFinder, BracketsDoNotReachAcrossLines)
{
    std::wstring text = L"<a\r\nb@c.jp>";
    EXPECT_EQ(FindMailAddressAt(text, 4), "b@c.jp");
    EXPECT_EQ(FindMailAddressAt(text, 0), "");
}
