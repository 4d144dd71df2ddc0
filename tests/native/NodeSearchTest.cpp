#include "store/NodeSearch.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Home[Friends[Taro <taro@example.jp>,Sub[Jiro <jiro@example.jp>]],Hanako <hanako@mail.jp>]
// | Work[Boss <boss@work.jp>]
struct NodeSearchTest : ::testing::Test {
    CAddrBook store;
    ADTDATA* home = store.AddData(ADT_LOCAL_BOOK, "Home", "C:\\books\\taro.adr", nullptr, 0);
    ADTDATA* friends = store.AddData(ADT_FOLDER, "Friends", nullptr, home, PLACE_CHILD);
    ADTDATA* taro = store.AddData(ADT_ADDR, "Taro", "taro@example.jp", friends, PLACE_CHILD);
    ADTDATA* sub = store.AddData(ADT_FOLDER, "Sub", nullptr, friends, PLACE_CHILD);
    ADTDATA* jiro = store.AddData(ADT_ADDR, "Jiro", "jiro@example.jp", sub, PLACE_CHILD);
    ADTDATA* hanako = store.AddData(ADT_ADDR, "Hanako", "hanako@mail.jp", home, PLACE_CHILD);
    ADTDATA* work = store.AddData(ADT_GLOBAL_BOOK, "Work", "http://work.jp/", nullptr, 0);
    ADTDATA* boss = store.AddData(ADT_ADDR, "Boss", "boss@work.jp", work, PLACE_CHILD);

    // "Name" of the match, with "+" when the walk wrapped; "-" for none.
    std::string Find(ADTDATA* from, const char* pattern, FindScope scope, bool forward)
    {
        FindResult result = FindNode(store, from, pattern, scope, forward);
        if (!result.node)
            return "-";
        return std::string(result.node->psName) + (result.wrapped ? "+" : "");
    }
};

TEST(ContainsText, MatchesWholeCharactersAndIgnoresOnlyAsciiCase)
{
    EXPECT_TRUE(ContainsText("Yamada Taro", "tARO"));
    EXPECT_TRUE(ContainsText("山田太郎", "太郎"));
    EXPECT_FALSE(ContainsText("Taro", ""));
    EXPECT_FALSE(ContainsText(nullptr, "a"));
    // "ャ" is 0x83 0x83 and "ア" 0x83 0x41: the bytes of "ア" stand in "ャA" across a boundary.
    EXPECT_FALSE(ContainsText("ャA", "ア"));
    EXPECT_TRUE(ContainsText("ャA", "a"));
    // Trail bytes are no letters: "ア" (trail 'A') holds no "a", "ソ" (trail '\\') no "\\".
    EXPECT_FALSE(ContainsText("ア", "a"));
    EXPECT_FALSE(ContainsText("ソ", "\\"));
    // Full-width letters keep their case.
    EXPECT_FALSE(ContainsText("ＴＡＲＯ", "ｔａｒｏ"));
    // A text cut inside a character is read to its end, never past it.
    EXPECT_FALSE(ContainsText("ab\x83", "\x83\x41"));
}

TEST_F(NodeSearchTest, ScopeChoosesNamesAddressTextsOrBoth)
{
    EXPECT_EQ("Taro", Find(nullptr, "taro", FIND_NAME, true));
    EXPECT_EQ("Boss", Find(nullptr, "WORK.jp", FIND_ADDRESS, true));
    EXPECT_EQ("-", Find(nullptr, "Friends", FIND_ADDRESS, true));
    EXPECT_EQ("Work", Find(nullptr, "work", FIND_BOTH, true));
    // A book's file path or URL is no address text.
    EXPECT_EQ("Taro", Find(nullptr, "taro", FIND_ADDRESS, true));
    EXPECT_EQ("-", Find(nullptr, "http", FIND_BOTH, true));
}

TEST_F(NodeSearchTest, WalksInTreeOrderBothWaysAndWrapsOnce)
{
    EXPECT_EQ("Jiro", Find(taro, "ro", FIND_NAME, true));
    EXPECT_EQ("Taro+", Find(jiro, "ro", FIND_NAME, true));
    EXPECT_EQ("Taro", Find(jiro, "ro", FIND_NAME, false));
    EXPECT_EQ("Jiro+", Find(taro, "ro", FIND_NAME, false));
    EXPECT_EQ("Jiro", Find(nullptr, "ro", FIND_NAME, false));
    // The only match is the start: found again after a whole round.
    EXPECT_EQ("Hanako+", Find(hanako, "hanako", FIND_NAME, true));
    EXPECT_EQ("Hanako+", Find(hanako, "hanako", FIND_NAME, false));
    EXPECT_EQ("-", Find(boss, "nobody", FIND_BOTH, true));
    EXPECT_EQ("-", Find(boss, "nobody", FIND_BOTH, false));
}

TEST_F(NodeSearchTest, BackwardWalkIsTheForwardWalkReversed)
{
    std::vector<ADTDATA*> forward, backward;
    for (ADTDATA* node = store.FirstBook(); node; node = NextPreOrder(node, &store.m_Root))
        forward.push_back(node);
    for (ADTDATA* node = LastPreOrder(store); node; node = PrevPreOrder(node))
        backward.insert(backward.begin(), node);
    EXPECT_EQ((std::vector<ADTDATA*>{home, friends, taro, sub, jiro, hanako, work, boss}), forward);
    EXPECT_EQ(forward, backward);
}

}  // namespace
