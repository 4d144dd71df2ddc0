// The header field texts and the texts that cross the plug-in interface.
#include <gtest/gtest.h>
#include "edmax/AddressText.h"

TEST(AddressText, SplitsAtCommasAndLineFeedsAndTrims)
{
    std::vector<std::string> entries = SplitAddressEntries(" a@x.jp ,b@y.jp\r\n\n山田 <c@z.jp>\n");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], "a@x.jp");
    EXPECT_EQ(entries[1], "b@y.jp");
    EXPECT_EQ(entries[2], "山田 <c@z.jp>");
}

TEST(AddressText, PluginListsBecomeOneLine)
{
    // To/CC/BCC come as entries each followed by a line feed, ReplyTo joined by ",".
    EXPECT_EQ(FieldTextFrom("a@x.jp\n佐藤 <b@y.jp>\n"), "a@x.jp, 佐藤 <b@y.jp>");
    EXPECT_EQ(FieldTextFrom("a@x.jp,b@y.jp"), "a@x.jp, b@y.jp");
    EXPECT_EQ(FieldTextFrom(""), "");
    EXPECT_EQ(FieldTextFrom("\n\n"), "");
}

TEST(AddressText, FieldsGoOutWithoutBlanks)
{
    EXPECT_EQ(HostTextFromField("a@x.jp, 佐藤 <b@y.jp>"), "a@x.jp,佐藤 <b@y.jp>");
    EXPECT_EQ(HostTextFromField("  , "), "");
    EXPECT_EQ(HostTextFromField("a@x.jp"), "a@x.jp");
}

TEST(AddressText, RoundTripKeepsEntries)
{
    std::string field = FieldTextFrom("表 <a@x.jp>\nソ <b@y.jp>\n");  // second bytes 0x5C
    EXPECT_EQ(SplitAddressEntries(HostTextFromField(field)),
              SplitAddressEntries("表 <a@x.jp>\nソ <b@y.jp>\n"));
}
