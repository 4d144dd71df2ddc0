// The merge of a book with its file changed by someone else, case by case: which entry of
// theirs is which base entry, each rule of the merge, the view following it, and the base.
#include <gtest/gtest.h>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#include "RecordingView.h"
#include "StoreDump.h"
#include "TempFile.h"
#include "merge/BookBase.h"
#include "merge/BookEntries.h"
#include "merge/BookMerge.h"
#include "merge/EntryMatch.h"

namespace {

struct BookMergeTest : ::testing::Test {
    CAddrBook store;
    CRecordingView view;
    CBookBase base;
    ADTDATA* book = nullptr;
    MergeReport report;

    // The book read from base text and shown, as the registry loads it.
    void Open(const std::string& text)
    {
        store.m_pTree = nullptr;
        if (book)
            store.DeleteData(book);
        view = CRecordingView();
        book = store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
        base.Capture(text);
        base.Load(store, book);
        store.m_pTree = &view;
        store.DispList(nullptr);
        view.log.clear();
    }

    // The node at a path of names below the book ("F/a").
    ADTDATA* At(const std::string& path)
    {
        ADTDATA* node = book;
        size_t start = 0;
        while (node && start <= path.size()) {
            size_t end = path.find('/', start);
            std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
            ADTDATA* child = node->pChild;
            while (child && name != (child->psName ? child->psName : ""))
                child = child->pNext;
            node = child;
            start = end == std::string::npos ? path.size() + 1 : end + 1;
        }
        EXPECT_NE(nullptr, node) << path;
        return node;
    }

    void Edit(const std::string& path, const char* name, const char* addr)
    {
        ADTDATA* node = At(path);
        store.ReplaceName(node, name);
        store.ReplaceAddr(node, addr);
        store.UpdateLabel(node);
        store.SetModified(node);
    }

    // A drag as the tree makes it: a copy carrying the identity, the original deleted.
    void Drag(const std::string& path, const std::string& into)
    {
        ADTDATA* node = At(path);
        ADTDATA* copy = store.AddData(node->cType, node->psName, node->psAddr, At(into), PLACE_CHILD);
        copy->nBaseId = node->nBaseId;
        store.DeleteData(node);
    }

    std::string Merge(const std::string& theirs)
    {
        report = MergeBook(store, book, base, theirs);
        std::string out;
        DumpNode(book, out);
        return out;
    }
};

// "0 - 2": for each entry of other, the base entry it is matched to, "-" for an addition.
std::string Matched(const std::string& base, const std::string& other)
{
    CBookEntries baseEntries = CBookEntries::Parse(base);
    CBookEntries otherEntries = CBookEntries::Parse(other);
    baseEntries.Link();
    otherEntries.Link();
    std::vector<int> match = MatchEntries(baseEntries, otherEntries);
    std::string out;
    for (int b : match)
        out += (out.empty() ? "" : " ") + (b < 0 ? std::string("-") : std::to_string(b));
    return out;
}

TEST(EntryMatchTest, EntriesAreKnownByPlaceNameAndTextThenByMovesThenByEdits)
{
    const char* twoFolders = "Group F\n    T: 1\nEnd group\nGroup G\n    T: 2\nEnd group\n";
    struct Case {
        const char* base;
        const char* other;
        const char* expected;
    } cases[] = {
        // Equal entries pair in order, whatever was added before them.
        {"a: 1\na: 1\n", "a: 1\n", "0"},
        {"a: 1\na: 1\n", "b: 2\na: 1\na: 1\n", "- 0 1"},
        {"a: 1\nb: 2\na: 1\n", "a: 1\na: 1\n", "0 2"},
        // A changed text or a changed name keeps the entry; both changed make a new one.
        {"a: 1\nb: 2\n", "a: 9\nb: 2\n", "0 1"},
        {"a: 1\nb: 2\n", "z: 1\nb: 2\n", "0 1"},
        {"a: 1\nb: 2\n", "z: 9\nb: 2\n", "- 1"},
        // A renamed folder keeps its contents; a moved address or folder is found anywhere.
        {"Group F\n    x: 1\nEnd group\n", "Group G\n    x: 1\nEnd group\n", "0 1"},
        {"Group F\n    x: 1\nEnd group\nGroup G\nEnd group\n", "Group F\nEnd group\nGroup G\n    x: 1\nEnd group\n",
         "0 2 1"},
        {"Group F\n    Group S\n        x: 1\n    End group\nEnd group\n", "Group F\nEnd group\nGroup S\n    x: 1\nEnd group\n",
         "0 1 2"},
        // Folders of one name go by what they hold; a moved entry is never taken for an edit.
        {"Group G\n    T: 1\nEnd group\nGroup G\n    T: 2\nEnd group\n",
         "Group G\n    T: 2\nEnd group\nGroup G\n    T: 1\nEnd group\n", "2 3 0 1"},
        {twoFolders, "Group F\n    T: 2\nEnd group\nGroup G\n    T: 1\nEnd group\n", "0 3 2 1"},
        // Kinds never mix: a folder named as an address was is new.
        {"a: 1\n", "Group a: 1\nEnd group\n", "-"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Matched(c.base, c.other)) << c.base << "---\n" << c.other;
}

TEST_F(BookMergeTest, AdditionsOnBothSidesStandWhereTheirNeighboursPutThem)
{
    Open("a: 1\nb: 2\nc: 3\nGroup F\nEnd group\n");
    store.AddData(ADT_ADDR, "x", "9", At("a"), PLACE_AFTER);
    store.AddData(ADT_ADDR, "f", "8", At("F"), PLACE_CHILD);
    EXPECT_EQ("B[a <1>,x <9>,b <2>,y <7>,z <6>,c <3>,F[f <8>,g <5>],w <4>]",
              Merge("a: 1\nb: 2\ny: 7\nz: 6\nc: 3\nGroup F\n    g: 5\nEnd group\nw: 4\n"));
    EXPECT_EQ(4, report.nAdded);
    EXPECT_TRUE(report.conflicts.empty());

    // The same entry added on both sides in the same place is there once.
    Open("a: 1\n");
    store.AddData(ADT_ADDR, "n", "5", At("a"), PLACE_AFTER);
    EXPECT_EQ("B[a <1>,n <5>]", Merge("a: 1\nn: 5\n"));
    EXPECT_EQ(0, report.nAdded);
}

TEST_F(BookMergeTest, AOneSidedDeletionOrEditWinsAndADeletedEntryEditedElsewhereStays)
{
    const char* text = "a: 1\nb: 2\nc: 3\nd: 4\n";
    Open(text);
    store.DeleteData(At("a"));
    Edit("b", "b", "20");
    EXPECT_EQ("B[b <20>,c <30>]", Merge("a: 1\nb: 2\nc: 30\n"));  // theirs deleted d, edited c
    EXPECT_EQ(1, report.nDeleted);
    EXPECT_EQ(1, report.nEdited);

    Open(text);
    store.DeleteData(At("a"));  // ours deletes what theirs edited, ours edits what theirs deleted
    Edit("b", "bee", "2");
    EXPECT_EQ("B[A <1>,bee <2>,c <3>,d <4>]", Merge("A: 1\nc: 3\nd: 4\n"));
    EXPECT_TRUE(report.conflicts.empty());
}

// Two copies of one address: one side edits a copy, the other edits a copy alike and deletes
// the other copy. Which copy each side edited cannot be told apart, so the edit made on both
// sides arrives once, whichever copy was edited and whichever side is in memory.
TEST_F(BookMergeTest, ACopyEditedAlikeOnBothSidesArrivesOnceWhicheverSideIsInMemory)
{
    const char* text = "x: t\nx: t\n";
    for (bool first : {false, true}) {
        SCOPED_TRACE(first);
        Open(text);
        ADTDATA* copy = first ? book->pChild : book->pChild->pNext;
        store.ReplaceAddr(copy, "u");
        store.UpdateLabel(copy);
        store.SetModified(copy);
        EXPECT_EQ("B[x <u>]", Merge("x: u\n"));

        Open(text);
        store.DeleteData(first ? book->pChild->pNext : book->pChild);
        Edit("x", "x", "u");
        EXPECT_EQ("B[x <u>]", Merge(first ? "x: u\nx: t\n" : "x: t\nx: u\n"));
    }

    // One side renames both copies, the other renames one alike: where a side's rename reads
    // as an addition (a copy renamed and another kept, before it), the rename arrives once.
    Open(text);
    Edit("x", "c", "t");
    Edit("x", "b", "t");
    EXPECT_EQ("B[c <t>,b <t>]", Merge("c: t\nx: t\n"));
    Open(text);
    Edit("x", "c", "t");
    EXPECT_EQ("B[c <t>,b <t>]", Merge("c: t\nb: t\n"));

    // Three copies: one side renames one, the other renames one alike and edits another.
    Open("x: t\nx: t\nx: t\n");
    Edit("x", "y", "t");
    store.ReplaceAddr(book->pChild->pNext->pNext, "v");
    EXPECT_EQ("B[y <t>,x <t>,x <v>]", Merge("x: t\nx: t\ny: t\n"));

    // Both sides add a copy and rename it and one more alike; the other side renames the
    // last copy too. An addition alike on both sides is one addition, not one side's rename.
    Open(text);
    store.AddData(ADT_ADDR, "y", "t", book->pChild, PLACE_BEFORE);
    Edit("x", "m", "t");
    EXPECT_EQ("B[y <t>,m <t>,y <t>]", Merge("y: t\nm: t\ny: t\n"));

    // Ours edits two copies, theirs edits one of them alike (read as an addition) and adds
    // ours' other edit in a folder: the edits pair by folder, and each arrives once.
    Open("a: 1\nx: t\nx: t\nGroup F\nEnd group\nx: t\n");
    store.ReplaceAddr(book->pChild->pNext->pNext, "e1");
    store.ReplaceAddr(At("F")->pNext, "e2");
    EXPECT_EQ("B[x <e2>,x <t>,F[x <e1>],x <e1>]", Merge("x: e2\nx: t\nGroup F\n    x: e1\nEnd group\nx: t\n"));
}

// Both sides rename a folder; one copies it (with its address) to the end, the other moves
// it down and adds a second copy of the address in it. The other side's folder reads as an
// addition, and is the rename both made, not the copy: every address that either side added
// arrives, whichever side is in memory.
TEST_F(BookMergeTest, AFolderRenamedOnBothSidesAndCopiedOnOneKeepsWhatEachSideAdded)
{
    const char* text = "a: 1\nGroup F\n    t: h\nEnd group\nc: 2\n";
    Open(text);
    Edit("F", "G", nullptr);
    store.AddData(ADT_ADDR, "t", "h", store.AddData(ADT_FOLDER, "G", nullptr, book, PLACE_CHILD), PLACE_CHILD);
    EXPECT_EQ("B[a <1>,c <2>,G[t <h>],G[t <h>,t <h>]]", Merge("a: 1\nc: 2\nGroup G\n    t: h\n    t: h\nEnd group\n"));

    Open(text);
    Edit("F", "G", nullptr);
    store.MoveData(At("G"), At("c"), PLACE_AFTER);
    store.AddData(ADT_ADDR, "t", "h", At("G"), PLACE_CHILD);
    EXPECT_EQ("B[a <1>,c <2>,G[t <h>],G[t <h>,t <h>]]",
              Merge("a: 1\nGroup G\n    t: h\nEnd group\nc: 2\nGroup G\n    t: h\nEnd group\n"));
}

TEST_F(BookMergeTest, AnEntryEditedDifferentlyOnBothSidesKeepsBothVersionsAndIsReported)
{
    Open("Group F\n    a: 1\n    b: 2\nEnd group\n");
    Edit("F/a", "a", "10");
    Edit("F/b", "b", "20");
    EXPECT_EQ("B[F[a <10>,a <11>,b <20>]]", Merge("Group F\n    a: 11\n    b: 20\nEnd group\n"));
    ASSERT_EQ(1u, report.conflicts.size());
    EXPECT_EQ("F", report.conflicts[0].strFolder);
    EXPECT_EQ("a <10>", report.conflicts[0].strOurs);
    EXPECT_EQ("a <11>", report.conflicts[0].strTheirs);
    std::string message = report.Describe("B");
    EXPECT_NE(std::string::npos, message.find("F/a <10>")) << message;
    EXPECT_NE(std::string::npos, message.find("a <11>")) << message;
    EXPECT_NE(std::string::npos, message.find("[ B ]")) << message;

    // Merged again with the same file, the book stays as it is: theirs' version is the
    // file's own entry now, ours' an addition.
    view.log.clear();
    EXPECT_EQ("B[F[a <10>,a <11>,b <20>]]", Merge("Group F\n    a: 11\n    b: 20\nEnd group\n"));
    EXPECT_FALSE(report.Changed());
    EXPECT_TRUE(view.log.empty());
}

TEST_F(BookMergeTest, AFolderDeletedOnOneSideKeepsWhatTheOtherSideAddedOrEditedInIt)
{
    const char* text = "Group F\n    a: 1\n    b: 2\nEnd group\nc: 3\n";
    Open(text);
    store.AddData(ADT_ADDR, "n", "9", At("F"), PLACE_CHILD);
    EXPECT_EQ("B[F[n <9>],c <3>]", Merge("c: 3\n"));

    Open(text);
    store.DeleteData(At("F"));
    EXPECT_EQ("B[F[b <20>],c <3>]", Merge("Group F\n    a: 1\n    b: 20\nEnd group\nc: 3\n"));

    // A move into a folder deleted elsewhere keeps the folder with what was moved in.
    Open(text);
    Drag("c", "F");
    EXPECT_EQ("B[F[c <3>]]", Merge("c: 3\n"));
}

TEST_F(BookMergeTest, MovesAndReordersOnOneSideAreApplied)
{
    const char* text = "Group F\n    a: 1\nEnd group\nGroup G\nEnd group\nb: 2\nc: 3\nd: 4\n";
    Open(text);
    store.AddData(ADT_ADDR, "x", "9", At("c"), PLACE_AFTER);
    EXPECT_EQ("B[d <4>,c <3>,x <9>,F[],G[a <1>],b <2>]",
              Merge("d: 4\nc: 3\nGroup F\nEnd group\nGroup G\n    a: 1\nEnd group\nb: 2\n"));

    // Ours moved and reordered, theirs added and edited: both apply.
    Open(text);
    Drag("F/a", "G");
    store.MoveData(At("d"), At("b"), PLACE_BEFORE);
    EXPECT_EQ("B[F[y <5>],G[a <10>],d <4>,b <2>,c <3>]",
              Merge("Group F\n    a: 10\n    y: 5\nEnd group\nGroup G\nEnd group\nb: 2\nc: 3\nd: 4\n"));

    // A folder emptied onto the top level elsewhere: its untouched contents go along.
    Open("Group G\n    a: 1\n    b: 2\n    c: 3\nEnd group\n");
    EXPECT_EQ("B[a <1>,b <2>,c <3>]", Merge("a: 1\nb: 2\nc: 3\n"));

    // Ours put F into G, theirs G into F: the loop is opened by taking back theirs' move.
    Open(text);
    ADTDATA* f = At("F");
    store.DetachData(f);
    store.AttachData(f, At("G"), PLACE_CHILD);
    EXPECT_EQ("B[G[F[a <1>]],b <2>,c <3>,d <4>]",
              Merge("Group F\n    a: 1\n    Group G\n    End group\nEnd group\nb: 2\nc: 3\nd: 4\n"));
}

// Two folders alike with a copy each: theirs emptied one (its copy dragged to the top level)
// and renamed the other, or moved a copy to the top of the other folder. Ours made no change,
// so the merge is theirs: no copy stays where theirs took it from.
TEST_F(BookMergeTest, CopiesTheirsMovedArriveWhereTheyMovedThemWhenOursMadeNoChange)
{
    Open("Group F\n    a: 1\nEnd group\nGroup F\n    a: 1\nEnd group\n");
    EXPECT_EQ("B[F[],G[a <1>],a <1>]", Merge("Group F\nEnd group\nGroup G\n    a: 1\nEnd group\na: 1\n"));

    Open("Group F\n    h: 1\nEnd group\nGroup F\n    h: 1\n    a: 2\nEnd group\na: 2\n");
    EXPECT_EQ("B[F[],G[a <2>,h <1>],a <2>]", Merge("Group F\nEnd group\nGroup G\n    a: 2\n    h: 1\nEnd group\na: 2\n"));
}

// The merge touches only what changes: untouched items keep their handles (so selection,
// expansion and scroll stay), a reorder re-sorts the level, and nothing else is sent.
TEST_F(BookMergeTest, TheViewFollowsItemByItem)
{
    Open("Group F\n    a: 1\n    b: 2\n    c: 3\nEnd group\nd: 4\ne: 5\n");
    ADTDATA* f = At("F");
    f->bExpand = 1;
    HTREEITEM kept = At("F/a")->hItem;
    EXPECT_EQ("B[F[c <3>,a <1>,b <20>,n <6>],e <5>]",
              Merge("Group F\n    c: 3\n    a: 1\n    b: 20\n    n: 6\nEnd group\ne: 5\n"));
    EXPECT_EQ(kept, At("F/a")->hItem);
    EXPECT_EQ(f, At("F"));
    EXPECT_EQ((std::vector<std::string>{
                  "delete B/d <4>",
                  "text B/F/b <2> -> b <20>",
                  "data B/F/c <3> 04000005",
                  "insert B/F/n <6> data=0400001E img=0/1",
                  "sort B/F",
              }),
              view.log);
    EXPECT_EQ("B[F[c <3>,a <1>,b <20>,n <6>],e <5>]", view.Dump());
    EXPECT_EQ(1, book->bModified);
}

TEST_F(BookMergeTest, WithoutABaseBothSidesAreAddedTogether)
{
    book = store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
    ADTDATA* f = store.AddData(ADT_FOLDER, "F", nullptr, book, PLACE_CHILD);
    store.AddData(ADT_ADDR, "a", "1", f, PLACE_CHILD);
    EXPECT_EQ("B[F[a <1>,b <2>],c <3>]", Merge("Group F\n    a: 1\n    b: 2\nEnd group\nc: 3\n"));
    EXPECT_TRUE(base.Holds("Group F\n    a: 1\n    b: 2\nEnd group\nc: 3\n"));
}

// text read into a new book of store through a file, as a start reads a book.
static ADTDATA* ReadThroughFile(CAddrBook& store, const std::string& text)
{
    CTempFile file;
    file.Write(text);
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
    FILE* in = std::fopen(file.Path().c_str(), "rb");
    store.ReadList(book, in);
    std::fclose(in);
    return book;
}

TEST(BookBaseTest, LoadingTheBaseMakesTheNodesReadListMakes)
{
    std::string text = std::string("Group A\r\n  Taro:  t@x,u@y\r\n\tTab: 1\r\nGroupware: 2\r\nEnd group\r\nEnd group\r\n") +
                       ": nameless\r\nnoColon\r\n  GROUP  \r\n    end group \r\nlast: 3\r" + std::string(1, '\x1A') + "gone: 4\n";
    CAddrBook read;
    ADTDATA* readBook = ReadThroughFile(read, text);

    CAddrBook loaded;
    ADTDATA* loadedBook = loaded.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
    CBookBase base;
    base.Capture(text);
    CRecordingView readView;
    CRecordingView loadedView;
    read.m_pTree = &readView;
    loaded.m_pTree = &loadedView;
    base.Load(loaded, loadedBook);
    read.DispList(readBook->pChild);
    EXPECT_EQ(DumpStore(read), DumpStore(loaded));
    EXPECT_EQ(readView.log, loadedView.log);
    EXPECT_EQ(Keys(readBook), Keys(loadedBook));
    EXPECT_EQ(0, loadedBook->bModified);
    int entry = 0;
    for (ADTDATA* node = loadedBook->pChild; node; node = NextPreOrder(node, loadedBook))
        EXPECT_EQ(entry++, base.EntryOf(node->nBaseId));
    read.m_pTree = nullptr;
    loaded.m_pTree = nullptr;
}

// The base reads its bytes by a short way of its own: random texts of the pieces that the
// reader's rules turn on read as ReadList reads them.
TEST(BookBaseTest, RandomTextsLoadAsReadListReadsThem)
{
    static const char* const pieces[] = {"Group", "group", "GROUP", "End group", "end  group", "Endgroup", "e", "g",
                                         "Gx", " ", "  ", "\t", ":", "name", "t@x", "\r", "\r\n", "\n", "\n", "\x1A"};
    std::mt19937 rng(7);
    for (int round = 0; round < 400; ++round) {
        std::string text;
        for (int i = std::uniform_int_distribution<int>(0, 40)(rng); i > 0; --i)
            text += pieces[std::uniform_int_distribution<int>(0, 19)(rng)];
        CAddrBook read;
        ReadThroughFile(read, text);
        CAddrBook loaded;
        CBookBase base;
        base.Capture(text);
        base.Load(loaded, loaded.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0));
        ASSERT_EQ(DumpStore(read), DumpStore(loaded)) << text;
    }
}

TEST(BookBaseTest, TheBaseKnowsItsBytesAndOnlyItsOwnIds)
{
    CBookBase base;
    EXPECT_FALSE(base.Holds(""));
    base.Capture("a: 1\nb: 2\n");
    EXPECT_TRUE(base.Holds("a: 1\nb: 2\n"));
    EXPECT_FALSE(base.Holds("a: 1\nb: 3\n")) << "a change that keeps the size is a change";
    EXPECT_EQ(HashBookBytes("a: 1\nb: 2\n"), base.Hash());
    EXPECT_NE(HashBookBytes("a: 1\nb: 2\n"), HashBookBytes("a: 1\nb: 3\n"));
    EXPECT_EQ(-1, base.EntryOf(0));
    EXPECT_EQ(1, base.EntryOf(base.IdOf(1)));
    CBookBase other;
    other.Capture("a: 1\nb: 2\n");
    EXPECT_EQ(-1, base.EntryOf(other.IdOf(0))) << "another base's ids name nothing here";
    uint32_t old = base.IdOf(0);
    base.Capture("a: 1\nb: 2\n");
    EXPECT_EQ(-1, base.EntryOf(old)) << "nor do the ids of an older base";
}

// After a write the nodes take the ids of what was written: by place when the book reads
// back as it is, by the matching rule when the file cannot hold it as it is.
TEST(BookBaseTest, StampingAfterAWriteNamesEveryNodeByItsEntry)
{
    CAddrBook store;
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "B", "b.adr", nullptr, 0);
    ADTDATA* folder = store.AddData(ADT_FOLDER, "F", nullptr, book, PLACE_CHILD);
    ADTDATA* a = store.AddData(ADT_ADDR, "a", "1", folder, PLACE_CHILD);
    ADTDATA* b = store.AddData(ADT_ADDR, "b", "2", book, PLACE_CHILD);
    CBookBase base;
    base.Capture(CAddrBook::FormatList(book->pChild, 0));
    base.Stamp(book);
    EXPECT_EQ((std::vector<int>{0, 1, 2}),
              (std::vector<int>{base.EntryOf(folder->nBaseId), base.EntryOf(a->nBaseId), base.EntryOf(b->nBaseId)}));

    // A name that reads back as a folder start changes the shape of what is read.
    ADTDATA* odd = store.AddData(ADT_ADDR, "Group x", "3", book, PLACE_CHILD);
    base.Capture(CAddrBook::FormatList(book->pChild, 0));
    base.Stamp(book);
    EXPECT_EQ((std::vector<int>{0, 1, 2, -1}), (std::vector<int>{base.EntryOf(folder->nBaseId), base.EntryOf(a->nBaseId),
                                                                base.EntryOf(b->nBaseId), base.EntryOf(odd->nBaseId)}));
}

}  // namespace
