#include "store/Sjis.h"
#include <gtest/gtest.h>
#include <cstring>

TEST(Sjis, CutNeverSplitsADoubleByteCharacter)
{
    const char* text = "ab宛先";  // a, b, then two double-byte characters
    size_t len = std::strlen(text);
    ASSERT_EQ(6u, len);
    EXPECT_EQ(6u, SjisCutLength(text, len, 10));
    EXPECT_EQ(4u, SjisCutLength(text, len, 5));
    EXPECT_EQ(2u, SjisCutLength(text, len, 3));
    EXPECT_EQ(1u, SjisCutLength(text, len, 1));
}

TEST(Sjis, TrailByteThatLooksLikeAtSignIsNotALeadByte)
{
    // Full-width space is 0x81 0x40: the trail byte is '@'.
    const char* text = "　";
    EXPECT_TRUE(IsSjisLeadByte(static_cast<unsigned char>(text[0])));
    EXPECT_EQ('@', text[1]);
}
