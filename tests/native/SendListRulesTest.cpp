#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "store/AddrBook.h"
#include "window/SendListRules.h"
#include "ImportHelper.h"

using namespace SendListRules;

namespace {

using Texts = std::vector<std::string>;

TEST(SendListRules, AddressKeyIsTheBracketedPartOrTheTextWithoutSpaces)
{
    EXPECT_EQ("a@x", AddressKey("Taro <a@x>"));
    EXPECT_EQ(" a@x ", AddressKey("Taro < a@x >"));
    EXPECT_EQ("", AddressKey("<>"));
    EXPECT_EQ("a@x", AddressKey(" a @ x "));
    EXPECT_EQ("", AddressKey("   "));
    EXPECT_EQ("a>b<c", AddressKey("a>b<c"));  // ">" before "<": no brackets
    // Full-width spaces go; a character whose trail byte is 0x40 ("@") stays whole.
    EXPECT_EQ("山田a@x", AddressKey("山田　a@x"));
    EXPECT_EQ("ァ", AddressKey("ァ"));  // 0x83 0x40
    EXPECT_EQ(511u, AddressKey(std::string(600, 'k')).size());
    EXPECT_EQ(510u, AddressKey(std::string(508, 'k') + "宛宛").size());
}

TEST(SendListRules, SortKeyTakesTypeAndFirstThreeBytes)
{
    EXPECT_EQ(0x01616263, SortKey(SEND_TO, "abcd"));
    EXPECT_EQ(0x03610000, SortKey(SEND_BCC, "a"));
    EXPECT_EQ(0x04000000, SortKey(SEND_REPLYTO, ""));
    EXPECT_EQ(0x0288B690, SortKey(SEND_CC, "宛先"));  // bytes count unsigned
    EXPECT_LT(SortKey(SEND_TO, "zzz"), SortKey(SEND_BCC, "a"));
}

TEST(SendListRules, DuplicatesAreFoundByKeyWithinTheirKind)
{
    std::string toEntry = std::string(Prefix(SEND_TO)) + "N <a@x>";
    EXPECT_TRUE(BlocksNewEntry(toEntry, SEND_CC, "a@x"));
    EXPECT_FALSE(BlocksNewEntry(toEntry, SEND_REPLYTO, "a@x"));
    std::string replyEntry = std::string(Prefix(SEND_REPLYTO)) + "a@x";
    EXPECT_TRUE(BlocksNewEntry(replyEntry, SEND_REPLYTO, "a@x"));
    EXPECT_FALSE(BlocksNewEntry(replyEntry, SEND_TO, "a@x"));
    // The key is found in the prefix too, and the empty key everywhere.
    EXPECT_TRUE(BlocksNewEntry("[CC] b@y", SEND_TO, "CC"));
    EXPECT_TRUE(BlocksNewEntry("[CC] b@y", SEND_BCC, ""));
    EXPECT_TRUE(BlocksNewEntry("[宛先] longa@x", SEND_TO, "a@x"));
    // A key never matches from the middle of a double-byte character: ァ is 0x83 0x40.
    EXPECT_FALSE(ContainsText("[宛先] ァx", "@x"));
    EXPECT_TRUE(ContainsText("[宛先] ァ@x", "@x"));
}

TEST(SendListRules, HostTextsCutAtLineFeedsAndUnquotedCommas)
{
    EXPECT_EQ((Texts{"a@x", "b@y"}), SplitHostText("a@x\nb@y\n"));
    EXPECT_EQ((Texts{"a@x\r", "b@y\r"}), SplitHostText("a@x\r\nb@y\r\n"));
    EXPECT_EQ((Texts{"a@x", " b@y", "c@z"}), SplitHostText(",,a@x,, b@y\n\n,c@z,"));
    EXPECT_EQ((Texts{"\"Yamada, Taro\" <t@x>", "h@y"}), SplitHostText("\"Yamada, Taro\" <t@x>,h@y"));
    // An unclosed quote ends at the line's end.
    EXPECT_EQ((Texts{"\"open, a@x", "b@y", "c@z"}), SplitHostText("\"open, a@x\nb@y,c@z"));
    EXPECT_EQ((Texts{"表示<a@x>", "ソフト"}), SplitHostText("表示<a@x>,ソフト"));
    EXPECT_TRUE(SplitHostText("").empty());
}

TEST(SendListRules, ManualTextKeepsSpacesAndCommasAloneStayWhole)
{
    EXPECT_EQ((Texts{"a@x", " b@y"}), SplitManualText("a@x, b@y"));
    EXPECT_EQ((Texts{",,,"}), SplitManualText(",,,"));
    EXPECT_EQ((Texts{"a@x"}), SplitManualText(",,a@x,"));
    EXPECT_EQ((Texts{"\"Yamada, Taro\" <t@x>"}), SplitManualText("\"Yamada, Taro\" <t@x>"));
    EXPECT_EQ((Texts{"a\nb"}), SplitManualText("a\nb"));
}

TEST(SendListRules, NodesGiveNameAndAddressOrEachListedAddress)
{
    CAddrBook store;
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
    auto add = [&](const char* name, const char* addr) {
        return store.AddData(ADT_ADDR, name, addr, book, PLACE_CHILD);
    };
    EXPECT_EQ((Texts{"N <a@x>"}), NodeEntries(add("N", "a@x")));
    EXPECT_EQ((Texts{"a@x"}), NodeEntries(add("", "a@x")));  // no name: the address alone
    EXPECT_EQ((Texts{"a@x", "b@y"}), NodeEntries(add("N", "a@x, b@y")));
    EXPECT_EQ((Texts{"a@x"}), NodeEntries(add("N", "a@x,word")));
    EXPECT_EQ((Texts{"a@x"}), NodeEntries(add("N", "  a@x,")));
    EXPECT_EQ((Texts{"a@x  ", "", "b@y"}), NodeEntries(add("N", "a@x  ,,  b@y")));
    // The "@" test walks characters: ァ (0x83 0x40) holds no "@".
    EXPECT_EQ((Texts{"a@x"}), NodeEntries(add("N", "a@x,ァ")));
    EXPECT_TRUE(NodeEntries(add("N", "")).empty());
    EXPECT_TRUE(NodeEntries(nullptr).empty());
    std::string longName(600, 'n');
    EXPECT_EQ(511u, NodeEntries(add(longName.c_str(), "a@x"))[0].size());
}

// A display name with a header special goes to the send list and to the host in quotes,
// and the host text reads back as the same one recipient: "Yamada, Taro" as Thunderbird
// exports it, a quote, a full stop, a "<" in the name.
TEST(SendListRules, DisplayNamesWithSpecialsGoQuotedAndStayOneRecipient)
{
    CAddrBook store;
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
    CContactImporter importer(store, book);
    importer.AddAll(ReadContacts(SampleBytes("thunderbird-en-utf8.csv"), ImportFormat::Csv));
    auto add = [&](const char* name, const char* addr) {
        return store.AddData(ADT_ADDR, name, addr, book, PLACE_CHILD);
    };
    const std::pair<const ADTDATA*, std::string> cases[] = {
        {book->pChild, "\"Yamada, Taro\" <taro@example.jp>"},
        {add("Say \"Hi\"", "hi@x"), "\"Say \\\"Hi\\\"\" <hi@x>"},
        {add("John Q. Public", "jq@x"), "\"John Q. Public\" <jq@x>"},
        {add("a <b>, c\\d", "ab@x"), "\"a <b>, c\\\\d\" <ab@x>"},
        {add("\"Yamada, Taro\"", "yt@x"), "\"Yamada, Taro\" <yt@x>"},
        {add("山田 太郎", "yamada@x"), "山田 太郎 <yamada@x>"},
        {add("ソ表示ァ", "so@x"), "ソ表示ァ <so@x>"},  // trail bytes 0x5C and 0x40 are no specials
    };
    for (const auto& [node, entry] : cases) {
        EXPECT_EQ((Texts{entry}), NodeEntries(node));
        HeaderTexts texts = BuildHeaderTexts({std::string(Prefix(SEND_CC)) + entry});
        EXPECT_EQ((Texts{entry}), SplitHostText(texts.cc));
        EXPECT_EQ(std::string(node->psAddr), AddressKey(entry));
    }
}

TEST(SendListRules, HeaderTextsFollowTheEntriesInOrder)
{
    HeaderTexts texts = BuildHeaderTexts({"[宛先] N <a@x>", "[宛先] b@y", "[CC] c@z", "[ReplyTo] r@x",
                                          "[ReplyTo] s@y", "no prefix", "[BCC]x@y"});
    EXPECT_EQ("N <a@x>\nb@y\n", texts.to);
    EXPECT_EQ("c@z\n", texts.cc);
    EXPECT_EQ("", texts.bcc);
    EXPECT_EQ("r@x,s@y", texts.replyTo);
    EXPECT_EQ("", BuildHeaderTexts({"[宛先] a@x"}).replyTo);
}

}  // namespace
