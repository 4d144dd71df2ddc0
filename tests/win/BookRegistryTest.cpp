#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include "BoxWatcher.h"
#include "TestFiles.h"
#include "store/AddrBook.h"
#include "store/IniPath.h"

namespace {

const char kSection[] = "AddressBook";

struct BookRegistryTest : ::testing::Test {
    std::string folder;
    CAddrBook store;
    CBoxWatcher watcher{IDOK};

    void SetUp() override
    {
        folder = NewTestFolder();
        std::strcpy(g_szIniPath, (folder + "velmora.ini").c_str());
    }

    void TearDown() override
    {
        g_szIniPath[0] = '\0';
        RemoveTestFolder(folder);
    }

    std::string Value(const std::string& key) { return IniValue(g_szIniPath, kSection, key.c_str()); }
    std::string Read(const std::string& path) { return ReadFileBytes(path); }
    void Write(const std::string& path, const std::string& bytes) { WriteFileBytes(path, bytes); }
    int FileCount() { return FileCountIn(folder); }

    ADTDATA* LocalBook(const char* name, const std::string& file)
    {
        return store.AddData(ADT_LOCAL_BOOK, name, (folder + file).c_str(), nullptr, 0);
    }
};

TEST_F(BookRegistryTest, ModifiedLocalBooksAreRewrittenOthersNot)
{
    Write(folder + "a.adr", "old a\n");
    Write(folder + "b.adr", "old b\n");
    ADTDATA* a = store.AddBookFromFile("A", (folder + "a.adr").c_str());
    store.AddBookFromFile("B", (folder + "b.adr").c_str());
    ADTDATA* folderNode = store.AddData(ADT_FOLDER, "友人", nullptr, a, PLACE_CHILD);
    store.SetModified(store.AddData(ADT_ADDR, "Taro", "t@x,u@y", folderNode, PLACE_CHILD));

    store.SaveBooks();
    EXPECT_EQ("Group 友人\r\n    Taro: t@x,u@y\r\nEnd group\r\n", Read(folder + "a.adr"));
    EXPECT_EQ("old b\n", Read(folder + "b.adr"));
    EXPECT_EQ(0, a->bModified);
    EXPECT_EQ(3, FileCount()) << FolderListing(folder);  // ini, a, b and nothing left over from the replacement
    EXPECT_EQ("2", Value("num"));
    EXPECT_EQ("A", Value("book0_name"));
    EXPECT_EQ(folder + "b.adr", Value("book1_path"));
    EXPECT_TRUE(watcher.boxes.empty());
}

TEST_F(BookRegistryTest, AReadOnlyFileIsNotReplacedAndTheBookStaysModifiedUntilItsFileIsWritten)
{
    std::string path = folder + "ro.adr";
    Write(path, "x: y\n");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    WritePrivateProfileStringA(kSection, "num", "1", g_szIniPath);
    WritePrivateProfileStringA(kSection, "book0_type", "local", g_szIniPath);
    WritePrivateProfileStringA(kSection, "book0_name", "RO", g_szIniPath);
    WritePrivateProfileStringA(kSection, "book0_path", path.c_str(), g_szIniPath);
    store.LoadBooks();
    ADTDATA* book = store.FirstBook();
    ASSERT_NE(nullptr, book);
    EXPECT_EQ(1, book->bReadOnly);
    EXPECT_STREQ("y", book->pChild->psAddr);

    store.SetModified(store.AddData(ADT_ADDR, "new", "n@x", book, PLACE_CHILD));
    store.SaveBooks();
    ASSERT_EQ(1u, watcher.boxes.size());
    EXPECT_EQ("ファイル:\n" + path + "\n\n指定されたファイルを\"w\"で開けません\n読み取り専用になっている可能性があります",
              watcher.boxes[0].text);
    EXPECT_EQ("warning", watcher.boxes[0].icon);
    EXPECT_EQ(nullptr, watcher.boxes[0].owner);
    EXPECT_EQ("x: y\n", Read(path));
    EXPECT_EQ(1, book->bModified);

    store.SaveBooks();  // tried again, and told again
    EXPECT_EQ(2u, watcher.boxes.size());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    store.SaveBooks();  // the user made the file writable: nothing was lost
    EXPECT_EQ(2u, watcher.boxes.size());
    EXPECT_EQ("x: y\r\nnew: n@x\r\n", Read(path));
    EXPECT_EQ(0, book->bModified);
}

TEST_F(BookRegistryTest, AFileThatCannotBeCreatedWarnsAndKeepsTheOtherBooks)
{
    ADTDATA* lost = LocalBook("Lost", "no-such-folder\\lost.adr");
    ADTDATA* kept = LocalBook("Kept", "kept.adr");
    store.SetModified(lost);
    store.SetModified(kept);
    store.SaveBooks();
    ASSERT_EQ(1u, watcher.boxes.size());
    EXPECT_NE(std::string::npos, watcher.boxes[0].text.find("no-such-folder\\lost.adr"));
    EXPECT_EQ("", Read(folder + "kept.adr"));
    EXPECT_EQ("2", Value("num"));
}

TEST_F(BookRegistryTest, DeletingABookShiftsTheListAndLeavesOldKeysBeyondNum)
{
    LocalBook("One", "1.adr");
    ADTDATA* two = LocalBook("Two", "2.adr");
    store.AddData(ADT_GLOBAL_BOOK, "Three", "http://three", nullptr, 0);
    store.SaveBooks();
    EXPECT_EQ("3", Value("num"));

    store.DeleteData(two);
    store.SaveBooks();
    EXPECT_EQ("2", Value("num"));
    EXPECT_EQ("One", Value("book0_name"));
    EXPECT_EQ("Three", Value("book1_name"));
    EXPECT_EQ("global", Value("book1_type"));
    EXPECT_EQ("http://three", Value("book1_path"));
    EXPECT_EQ("Three", Value("book2_name"));
}

TEST_F(BookRegistryTest, GlobalBooksNeverWriteAFile)
{
    ADTDATA* global = store.AddData(ADT_GLOBAL_BOOK, "G", (folder + "g.adr").c_str(), nullptr, 0);
    store.SetModified(store.AddData(ADT_ADDR, "a", "a@x", global, PLACE_CHILD));
    store.SaveBooks();
    EXPECT_EQ("(no file)", Read(folder + "g.adr"));
    EXPECT_EQ(0, global->bModified);
    EXPECT_EQ("global", Value("book0_type"));
}

TEST_F(BookRegistryTest, ABookWithoutNameOrPathWritesNoValue)
{
    WritePrivateProfileStringA(kSection, "book0_name", "stale", g_szIniPath);
    store.AddData(ADT_GLOBAL_BOOK, "", "", nullptr, 0);
    store.SaveBooks();
    EXPECT_EQ("(missing)", Value("book0_name"));
    EXPECT_EQ("(missing)", Value("book0_path"));
    EXPECT_EQ("global", Value("book0_type"));
}

TEST_F(BookRegistryTest, ProposedFilesAreNeverTakenOnDiskOrByABook)
{
    DWORD now = static_cast<DWORD>(std::time(nullptr));
    for (DWORD s = now; s < now + 4; ++s) {
        char name[16];
        std::snprintf(name, sizeof name, "%08lX.adr", static_cast<unsigned long>(s));
        Write(folder + name, "");
    }
    std::string first = store.ProposeBookFile(folder);
    EXPECT_EQ("(no file)", Read(first));
    char expected[16];
    std::snprintf(expected, sizeof expected, "%08lX.adr", static_cast<unsigned long>(now + 4));
    EXPECT_GE(first.substr(folder.size()), std::string(expected));

    store.AddData(ADT_LOCAL_BOOK, "New", first.c_str(), nullptr, 0);
    std::string second = store.ProposeBookFile(folder);
    EXPECT_NE(first, second);
    EXPECT_EQ(folder.size() + 12, second.size());
}

TEST_F(BookRegistryTest, WithoutASettingsPathNothingIsReadOrWritten)
{
    g_szIniPath[0] = '\0';
    store.LoadBooks();
    EXPECT_EQ(nullptr, store.FirstBook());
    LocalBook("A", "a.adr")->bModified = 1;
    store.SaveBooks();
    EXPECT_EQ(0, FileCount());
}

}  // namespace
