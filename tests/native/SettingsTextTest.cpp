// The settings file's text and its list of books: what a change leaves of a hand-edited
// file, and the three-way merge of two processes' lists.
#include <gtest/gtest.h>
#include <string>
#include "merge/BookListMerge.h"
#include "books/IniText.h"

namespace {

TEST(IniTextTest, AChangeRewritesOnlyItsOwnLine)
{
    CIniText ini("; kept by hand\r\n[AddressBook]\r\nNUM = \"2\" \r\nbook0_name=友達\r\n\r\n[config]\r\nwidth=10\r\n"
                 "[addressbook]\r\nnum=9\r\n");
    EXPECT_EQ(2, ini.IntValue("addressbook", "num"));  // first section, any case, quotes and blanks off
    EXPECT_EQ("友達", ini.Value("AddressBook", "BOOK0_NAME"));
    ini.Set("AddressBook", "num", "3");
    ini.Set("AddressBook", "book1_name", "会社");
    ini.Remove("config", "width");
    ini.Set("layout", "x", "1\r\n[AddressBook]");
    EXPECT_EQ("; kept by hand\r\n[AddressBook]\r\nnum=3\r\nbook0_name=友達\r\nbook1_name=会社\r\n\r\n[config]\r\n"
              "[addressbook]\r\nnum=9\r\n\r\n[layout]\r\nx=1  [AddressBook]\r\n",
              ini.Text());
    EXPECT_EQ(-1, CIniText("[s]\r\nn=-1x\r\n").IntValue("s", "n"));
    EXPECT_EQ(0, CIniText("[s]\r\nn=x1\r\n").IntValue("s", "n"));
}

BookListEntry Local(const std::string& name, const std::string& path)
{
    return {"local", name, path, "L" + path};
}

std::string Names(const BookList& list)
{
    std::string names;
    for (const BookListEntry& entry : list)
        names += (names.empty() ? "" : ",") + entry.name;
    return names;
}

TEST(BookListMergeTest, BothSidesAdditionsStayAndEachSidesDeletionHolds)
{
    BookList base = {Local("A", "a"), Local("B", "b"), Local("C", "c"), Local("D", "d")};
    // Ours: deleted B, renamed C, added X after A. Theirs: deleted D and C, renamed A,
    // added Y after B (which ours deleted, so Y follows A) and Z after Y.
    BookList ours = {Local("A", "a"), Local("X", "x"), Local("C2", "c"), Local("D", "d")};
    BookList theirs = {Local("A1", "a"), Local("B", "b"), Local("Y", "y"), Local("Z", "z")};
    EXPECT_EQ("A1,Y,Z,X,C2", Names(MergeBookLists(base, ours, theirs)));
    // No change on one side gives the other side exactly.
    EXPECT_EQ(Names(theirs), Names(MergeBookLists(base, base, theirs)));
    EXPECT_EQ(Names(ours), Names(MergeBookLists(base, ours, base)));
    // One book listed twice counts once.
    EXPECT_EQ("A", Names(MergeBookLists({}, {Local("A", "a"), Local("A again", "a")}, {Local("A", "a")})));
}

}  // namespace
