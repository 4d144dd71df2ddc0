#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>
#include "BoxWatcher.h"
#include "TestFiles.h"
#include "files/KeptLocks.h"
#include "store/AddrBook.h"
#include "files/BookFile.h"
#include "books/IniPath.h"

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

    struct Entry {
        const char* type;
        std::string name, path;
    };
    void WriteList(const std::vector<Entry>& entries)
    {
        std::string text = "[AddressBook]\r\nnum=" + std::to_string(entries.size()) + "\r\n";
        for (size_t i = 0; i < entries.size(); ++i) {
            std::string n = "book" + std::to_string(i) + "_";
            text += n + "type=" + entries[i].type + "\r\n" + n + "name=" + entries[i].name + "\r\n" + n + "path=" +
                    entries[i].path + "\r\n";
        }
        Write(g_szIniPath, text);
    }
    std::string Names()
    {
        std::string names;
        int count = std::atoi(Value("num").c_str());
        for (int i = 0; i < count; ++i)
            names += Value("book" + std::to_string(i) + "_name") + ",";
        return names;
    }
    std::string BookNames()
    {
        std::string names;
        for (ADTDATA* book = store.FirstBook(); book; book = book->pNext)
            names += std::string(book->psName ? book->psName : "") + ",";
        return names;
    }
};

uint64_t WriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// One file is one book, however its path is spelled: an 8.3 short name, "\\?\" and "\\.\"
// prefixes, a UNC path, another drive letter for the same folder. A second entry for it in
// the list is dropped at load (said once) and its file is not written because of it.
TEST_F(BookRegistryTest, OneFileIsOneBookHoweverItsPathIsSpelled)
{
    std::string path = folder + "a long file name.adr";
    Write(path, "Taro: t@x\r\n");
    char shortName[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameA(path.c_str(), shortName, MAX_PATH));
    std::vector<std::string> spellings = {shortName, "\\\\?\\" + path, "\\\\.\\" + path,
                                          "\\\\localhost\\c$" + path.substr(2)};
    char prefix[MAX_PATH];
    if (GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH)) {  // Z: is the whole file system
        std::string unix = prefix;
        for (char& c : unix)
            c = c == '/' ? '\\' : c;
        spellings.push_back("Z:" + unix + "\\drive_c" + path.substr(2));
    }
    WriteList({{"local", "A", path}, {"local", "A again", spellings[0]}, {"global", "G", "http://x"},
               {"local", "A once more", spellings.back()}});
    uint64_t written = WriteTime(path);
    store.LoadBooks();
    EXPECT_EQ("A,G,", BookNames());
    ASSERT_EQ(1u, watcher.boxes.size());
    EXPECT_NE(std::string::npos, watcher.boxes[0].text.find("A again")) << watcher.boxes[0].text;
    EXPECT_NE(std::string::npos, watcher.boxes[0].text.find("A once more"));
    ADTDATA* book = store.FirstBook();
    for (const std::string& spelling : spellings) {
        EXPECT_EQ(book, store.FindBookByFile(spelling)) << spelling;
        EXPECT_EQ(nullptr, store.AddBookFromFile("dup", spelling.c_str())) << spelling;
    }
    store.SaveBooks();
    EXPECT_EQ("A,G,", Names());
    EXPECT_EQ(written, WriteTime(path));
}

// A book whose file cannot be reached at start (a missing drive, share or folder, a file
// another program holds, a read that fails half way) keeps its entry in its place, so it is
// back when its file is; a file gone from a folder that is there was deleted and is dropped.
TEST_F(BookRegistryTest, UnreachableBooksKeepTheirEntriesAndDeletedOnesAreDropped)
{
    Write(folder + "a.adr", "Taro: t@x\r\n");
    Write(folder + "locked.adr", "Locked: l@x\r\n");
    std::string half = std::string(100000, ';') + "\r\nHalf: h@x\r\n";
    Write(folder + "half.adr", half);
    WriteList({{"local", "A", folder + "a.adr"},
               {"local", "USB", "R:\\books\\usb.adr"},
               {"local", "NAS", "\\\\nosuchserver\\share\\nas.adr"},
               {"local", "Folder", folder + "gone\\f.adr"},
               {"local", "Deleted", folder + "deleted.adr"},
               {"local", "Locked", folder + "locked.adr"},
               {"local", "Half", folder + "half.adr"}});
    HANDLE lock = CreateFileA((folder + "locked.adr").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    g_pfnFailRead = [](const char* path, uint64_t offset) { return offset > 0 && std::strstr(path, "half.adr"); };
    store.LoadBooks();
    g_pfnFailRead = nullptr;
    EXPECT_EQ("A,", BookNames());
    EXPECT_EQ(6u, watcher.boxes.size());
    EXPECT_TRUE(store.IsBookFile(folder + "half.adr"));  // held: no new book may take it

    store.SetModified(store.AddData(ADT_ADDR, "Jiro", "j@x", store.FirstBook(), PLACE_CHILD));
    store.SaveBooks();
    EXPECT_EQ("A,USB,NAS,Folder,Locked,Half,", Names());
    EXPECT_EQ(half, Read(folder + "half.adr"));
    CloseHandle(lock);

    CAddrBook next;
    next.LoadBooks();
    EXPECT_EQ(9u, watcher.boxes.size());  // the three still missing
    std::string loaded;
    for (ADTDATA* book = next.FirstBook(); book; book = book->pNext)
        loaded += std::string(book->psName) + ",";
    EXPECT_EQ("A,Locked,Half,", loaded);
}

// The settings file is written only when its text changed, whole, keeping what a hand edit
// put there; a write that fails (another program holds the file) is reported once and
// done at a later save. A file that cannot be read at start is never replaced in that run.
TEST_F(BookRegistryTest, TheSettingsFileIsWrittenWholeOnlyWhenChangedAndNeverAfterAFailedRead)
{
    Write(folder + "a.adr", "");
    std::string text = "; 手で書いたメモ\r\n[AddressBook]\r\nnum=1\r\nbook0_type=local\r\nbook0_name=A\r\nbook0_path=" +
                       folder + "a.adr\r\n\r\n[other]\r\nkept=1\r\n";
    Write(g_szIniPath, text);
    uint64_t written = WriteTime(g_szIniPath);
    store.LoadBooks();
    store.SaveBooks();
    EXPECT_EQ(written, WriteTime(g_szIniPath));

    LocalBook("B", "b.adr")->bModified = 1;
    HANDLE lock = CreateFileA(g_szIniPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    store.SaveBooks();
    store.SaveBooks();
    EXPECT_EQ(1u, watcher.boxes.size());
    EXPECT_NE(std::string::npos, watcher.boxes[0].text.find("設定ファイル"));
    CloseHandle(lock);
    EXPECT_EQ(text, Read(g_szIniPath));
    store.SaveBooks();
    EXPECT_EQ("A,B,", Names());
    std::string now = Read(g_szIniPath);
    EXPECT_EQ(0u, now.find("; 手で書いたメモ\r\n[AddressBook]\r\nnum=2\r\n"));
    EXPECT_NE(std::string::npos, now.find("[other]\r\nkept=1\r\n"));
    EXPECT_EQ(0, FileCountIn(folder, "*.tmp"));

    lock = CreateFileA(g_szIniPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CAddrBook blind;
    blind.LoadBooks();
    CloseHandle(lock);
    EXPECT_EQ(nullptr, blind.FirstBook());  // no default book in its place
    EXPECT_EQ(2u, watcher.boxes.size());
    blind.AddData(ADT_LOCAL_BOOK, "New", (folder + "new.adr").c_str(), nullptr, 0);
    blind.SaveBooks();
    EXPECT_EQ(now, Read(g_szIniPath));
}

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
    CKeptLocks::LetGoAll();  // the lock files kept for the next save go (as at the plug-in's end)
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
    // Neither save had anything to say (a message here names why a list was not written).
    EXPECT_EQ(0u, watcher.boxes.size()) << (watcher.boxes.empty() ? "" : watcher.boxes[0].text);
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
