#include <gtest/gtest.h>
#include <string>
#include "RecordingView.h"
#include "StoreDump.h"
#include "TempFile.h"
#include "store/AddrBook.h"
#include "store/StoreHooks.h"

namespace {

struct AddrFileTest : ::testing::Test {
    CAddrBook store;
    CTempFile file;
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);

    // Reads bytes into the book and returns the book as "B[...]".
    std::string Read(const std::string& bytes)
    {
        file.Write(bytes);
        FILE* in = std::fopen(file.Path().c_str(), "rb");
        EXPECT_EQ(in, store.ReadList(book, in));
        std::fclose(in);
        return DumpStore(store);
    }

    std::string Write(ADTDATA* first, int depth = 0)
    {
        FILE* out = std::fopen(file.Path().c_str(), "wb");
        EXPECT_EQ(0, store.WriteList(first, out, depth));
        std::fclose(out);
        return file.Read();
    }
};

TEST_F(AddrFileTest, WriterFormsReadBackAndWriteAgain)
{
    EXPECT_EQ("B[Friends[Taro <taro@x, …>],Hanako <>]",
              Read("Group Friends\r\n    Taro: taro@x,jiro@y\r\nEnd group\r\nHanako:\r\n"));
    ADTDATA* friends = book->pChild;
    EXPECT_EQ(ADT_FOLDER, friends->cType);
    EXPECT_STREQ("taro@x,jiro@y", friends->pChild->psAddr);
    EXPECT_EQ(nullptr, friends->pNext->psAddr);
    EXPECT_EQ("10,20", Keys(book));
    EXPECT_EQ(0, book->bModified);
    EXPECT_EQ(0, friends->bModified);

    EXPECT_EQ("Group Friends\r\n    Taro: taro@x,jiro@y\r\nEnd group\r\nHanako: \r\n", Write(book->pChild));
}

TEST_F(AddrFileTest, KeywordsIgnoreAsciiCase)
{
    EXPECT_EQ("B[A[x <1>],b[y <2>],c[z <3>]]",
              Read("GROUP A\nx: 1\nEND GROUP\ngroup b\ny: 2\nEnd Group\ngRoUp c\nz: 3\nend group\n"));
}

TEST_F(AddrFileTest, AnEndLineWithTwoBlanksIsSkipped)
{
    EXPECT_EQ("B[A[x <1>,y <2>]]", Read("Group A\nx: 1\nEnd  group\ny: 2\n"));
}

TEST_F(AddrFileTest, KeywordsNeedABlankTabOrLineEndAfterThem)
{
    // "Groupware" and "End groups" are addresses, not a folder start and end.
    EXPECT_EQ("B[Groupware <g@x>,G[End groups <e@x>,\tTab[],[]]]",
              Read("Groupware: g@x\nGroup G\nEnd groups: e@x\nGroup\tTab\nEnd group\nGroup\nEnd group trailing words\n"));
    EXPECT_EQ(nullptr, book->pChild->pNext->pChild->pNext->pNext->psName);  // "Group" alone
}

TEST_F(AddrFileTest, BlanksAndColonsSplitAsTheReaderSays)
{
    Read("  Taro  :   a@x, b@y\n:nameless@x\nNoText:\nTwo: a:b\n\tTabbed: t@x\nno colon here\n\n");
    const ADTDATA* node = book->pChild;
    EXPECT_STREQ("Taro  ", node->psName);
    EXPECT_STREQ("a@x, b@y", node->psAddr);
    node = node->pNext;
    EXPECT_EQ(nullptr, node->psName);
    EXPECT_STREQ("nameless@x", node->psAddr);
    node = node->pNext;
    EXPECT_STREQ("NoText", node->psName);
    EXPECT_EQ(nullptr, node->psAddr);
    node = node->pNext;
    EXPECT_STREQ("a:b", node->psAddr);
    node = node->pNext;
    EXPECT_STREQ("\tTabbed", node->psName);
    EXPECT_EQ(nullptr, node->pNext);
    EXPECT_EQ(5, book->nChild);
}

TEST_F(AddrFileTest, ATopLevelEndLineIsSkippedAndReadingGoesOn)
{
    EXPECT_EQ("B[a <1>,b <2>,F[c <3>],d <4>]",
              Read("a: 1\nEnd group\nb: 2\nGroup F\nc: 3\nEnd group\nEnd group\nd: 4\n"));
}

TEST_F(AddrFileTest, AnUnterminatedFolderEndsAtTheEndOfTheFile)
{
    EXPECT_EQ("B[F[G[a <1>]]]", Read("Group F\nGroup G\na: 1"));
}

TEST_F(AddrFileTest, LineEndsAreCrLfOrLfAndALastLineKeepsItsText)
{
    Read("a: 1\r\nb: 2\rx\nc: 3\r");
    EXPECT_STREQ("1", book->pChild->psAddr);
    EXPECT_STREQ("2\rx", book->pChild->pNext->psAddr);
    EXPECT_STREQ("3\r", book->pChild->pNext->pNext->psAddr);
}

TEST_F(AddrFileTest, LongLinesAndNamesAreReadWhole)
{
    std::string name(5000, 'n');
    std::string text(20000, 'a');
    Read(name + ": " + text + "\r\nGroup " + name + "\r\nEnd group\r\n");
    EXPECT_EQ(name, book->pChild->psName);
    EXPECT_EQ(text, book->pChild->psAddr);
    EXPECT_EQ(name, book->pChild->pNext->psName);
    EXPECT_EQ(2, book->nChild);
}

TEST_F(AddrFileTest, ShiftJisTextPassesThroughByteForByte)
{
    // 表 ends in 0x5C and ソ in 0x5C too; ｱ is one byte. Nothing is converted.
    Read("Group 表示\n    ソフト ｱ: 宛先@x\nEnd group\n");
    EXPECT_STREQ("表示", book->pChild->psName);
    EXPECT_STREQ("ソフト ｱ", book->pChild->pChild->psName);
    EXPECT_EQ("Group 表示\r\n    ソフト ｱ: 宛先@x\r\nEnd group\r\n", Write(book->pChild));
}

TEST_F(AddrFileTest, NestedFoldersIndentFourBlanksPerLevelAtAnyDepth)
{
    Read("Group A\nGroup B\nx: 1\nEnd group\nEnd group\ny: 2\n");
    EXPECT_EQ("Group A\r\n    Group B\r\n        x: 1\r\n    End group\r\nEnd group\r\ny: 2\r\n",
              Write(book->pChild));
    EXPECT_EQ("        Group A\r\n            Group B\r\n                x: 1\r\n            End group\r\n"
              "        End group\r\n        y: 2\r\n",
              Write(book->pChild, 2));

    // Far deeper than the writer's old 63-level indentation buffer, and back.
    const int depth = 300;
    std::string deep;
    for (int i = 0; i < depth; ++i)
        deep += "Group L" + std::to_string(i) + "\n";
    deep += "leaf: l@x\n";
    CAddrBook other;
    ADTDATA* target = other.AddData(ADT_LOCAL_BOOK, "D", "d.adr", nullptr, 0);
    file.Write(deep);
    FILE* in = std::fopen(file.Path().c_str(), "rb");
    other.ReadList(target, in);
    std::fclose(in);
    std::string written = Write(target->pChild);
    std::string leaf = std::string((depth - 1) * 4, ' ') + "Group L" + std::to_string(depth - 1) +
                       "\r\n" + std::string(depth * 4, ' ') + "leaf: l@x\r\n" +
                       std::string((depth - 1) * 4, ' ') + "End group\r\n";
    EXPECT_NE(std::string::npos, written.find(leaf));
    EXPECT_EQ("    End group\r\nEnd group\r\n", written.substr(written.size() - 26));
}

TEST_F(AddrFileTest, AShownBookShowsWhatIsReadIntoItOnceLevelByLevel)
{
    CRecordingView view;
    store.m_pTree = &view;
    store.DispList(nullptr);
    store.AddData(ADT_ADDR, "old", "o@x", book, PLACE_CHILD);
    view.log.clear();
    Read("Group G\r\n    a: a@x\r\nEnd group\r\nb: b@x\r\n");
    EXPECT_EQ("B[old <o@x>,G[a <a@x>],b <b@x>]", view.Dump());
    EXPECT_EQ((std::vector<std::string>{
                  "insert B/G data=03000014 img=-1/-1",
                  "insert B/b <b@x> data=0400001E img=0/1",
                  "insert B/G/a <a@x> data=0400000A img=0/1",
              }),
              view.log);
    view.log.clear();
    Read("");
    EXPECT_TRUE(view.log.empty());
    store.m_pTree = nullptr;
}

TEST_F(AddrFileTest, EmptyFoldersAndNamelessNodesWrite)
{
    store.AddData(ADT_FOLDER, "", nullptr, book, PLACE_CHILD);
    store.AddData(ADT_ADDR, "", "a@x", book, PLACE_CHILD);
    EXPECT_EQ("Group \r\nEnd group\r\n: a@x\r\n", Write(book->pChild));
    EXPECT_EQ("", Write(nullptr));
    EXPECT_EQ(0, store.WriteList(book->pChild, nullptr, 0));
    EXPECT_EQ(nullptr, store.ReadList(book, nullptr));
}

TEST_F(AddrFileTest, WrittenBooksReadBackToTheSameTree)
{
    ADTDATA* f = store.AddData(ADT_FOLDER, "家族", nullptr, book, PLACE_CHILD);
    store.AddData(ADT_ADDR, "父", "papa@x", f, PLACE_CHILD);
    ADTDATA* g = store.AddData(ADT_FOLDER, "Sub Folder", nullptr, f, PLACE_CHILD);
    store.AddData(ADT_ADDR, "Mixed Case", "m@x, n@y", g, PLACE_CHILD);
    store.AddData(ADT_FOLDER, "Empty", nullptr, f, PLACE_CHILD);
    store.AddData(ADT_ADDR, "Top", "", book, PLACE_CHILD);
    std::string before = DumpStore(store);
    std::string bytes = Write(book->pChild);

    CAddrBook copy;
    ADTDATA* target = copy.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
    FILE* in = std::fopen(file.Path().c_str(), "rb");
    copy.ReadList(target, in);
    std::fclose(in);
    EXPECT_EQ(before, DumpStore(copy));
    EXPECT_EQ(bytes, Write(target->pChild));
}

}  // namespace

namespace {

TEST_F(AddrFileTest, ACtrlZEndsTheFile)
{
    EXPECT_EQ("B[a <1>,b <2>]", Read("a: 1\r\nb: 2\x1A\r\nc: 3\r\n"));
}

// Whatever a damaged file holds, it loads, and what was read writes back and reads back
// to the same tree.
TEST_F(AddrFileTest, MalformedFilesLoadAndRoundTrip)
{
    const std::string cases[] = {
        "End group\r\nEnd group\r\nGroup A\r\nGroup B\r\nx: 1\r\n",               // unbalanced groups
        "big: " + std::string(1 << 20, 'x') + "\r\nnext: 2\r\n",                 // a 1 MB line
        std::string("n\0ul: a\0b\r\nafter: 3\r\n", 22),                          // NUL bytes
        "lead\x82: a@x\x82\r\nGroup \x9F\r\nname: b@y\x81\nEnd group\r\n",         // lead bytes at line ends
        "\x1A",                                                                    // only the end mark
    };
    for (const std::string& bytes : cases) {
        CAddrBook first;
        ADTDATA* a = first.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
        file.Write(bytes);
        FILE* in = std::fopen(file.Path().c_str(), "rb");
        first.ReadList(a, in);
        std::fclose(in);
        std::string once = Write(a->pChild);

        CAddrBook second;
        ADTDATA* b = second.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
        in = std::fopen(file.Path().c_str(), "rb");
        second.ReadList(b, in);
        std::fclose(in);
        EXPECT_EQ(DumpStore(first), DumpStore(second)) << bytes.substr(0, 40);
        EXPECT_EQ(once, Write(b->pChild)) << bytes.substr(0, 40);
    }
}

TEST_F(AddrFileTest, AShortWriteIsReportedNotTakenForAWholeFile)
{
    store.AddData(ADT_ADDR, "a", "a@x", book, PLACE_CHILD);
    store.AddData(ADT_ADDR, "b", "b@x", book, PLACE_CHILD);
    StoreHooks saved = g_StoreHooks;
    g_StoreHooks.write = [](const void*, size_t, FILE*) -> size_t { return 0; };
    FILE* out = std::fopen(file.Path().c_str(), "wb");
    EXPECT_EQ(-1, store.WriteList(book->pChild, out, 0));
    std::fclose(out);
    g_StoreHooks = saved;
}

}  // namespace
