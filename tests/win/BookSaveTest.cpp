// Saves that fail on purpose, at every step of writing a book's file: the previous file must
// stay whole, the user must be told, and the changes must survive for the next save.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include <vector>
#include "BoxWatcher.h"
#include "TestFiles.h"
#include "store/AddrBook.h"
#include "files/BookFile.h"
#include "files/FileCommit.h"
#include "books/IniPath.h"
#include "store/StoreHooks.h"

namespace {

const char kOldBook[] = "既存: old@example.jp\r\n";

struct BookSaveTest : ::testing::Test {
    std::string folder = NewTestFolder();
    std::string path = folder + "book.adr";
    CAddrBook store;
    CBoxWatcher watcher{IDOK};
    ADTDATA* book = nullptr;

    void SetUp() override
    {
        std::strcpy(g_szIniPath, (folder + "velmora.ini").c_str());
        WriteFileBytes(path, kOldBook);
        book = store.AddBookFromFile("本", path.c_str());
        ASSERT_NE(nullptr, book);
        store.SetModified(store.AddData(ADT_ADDR, "新規", "new@example.jp", book, PLACE_CHILD));
    }

    void TearDown() override
    {
        g_szIniPath[0] = '\0';
        RemoveTestFolder(folder);
    }

    // Only the book and the settings file: no temporary or backup file of ours, and none of
    // the system's (a replace without a backup name leaves "rf*.tmp" under Wine).
    void ExpectNothingLeftBeside() const
    {
        EXPECT_EQ(0, FileCountIn(folder, "*.tmp")) << FolderListing(folder);
        EXPECT_EQ(0, FileCountIn(folder, "*.bak")) << FolderListing(folder);
    }

    std::string Unwritable(const std::string& file) const
    {
        return "ファイル:\n" + file + "\n\n指定されたファイルを\"w\"で開けません\n読み取り専用になっている可能性があります";
    }

    // After a failed save: the old file whole, the user told once, nothing left over, and the
    // changes still waiting; the next save, with the fault gone, writes them.
    void ExpectFailedSaveThenRecovery(const std::function<void()>& removeFault)
    {
        ASSERT_EQ(1u, watcher.boxes.size());
        EXPECT_EQ(Unwritable(path), watcher.boxes[0].text);
        EXPECT_EQ(1, book->bModified);
        removeFault();
        EXPECT_EQ(kOldBook, ReadFileBytes(path));
        ExpectNothingLeftBeside();
        store.SaveBooks();
        EXPECT_EQ(1u, watcher.boxes.size());
        EXPECT_EQ(std::string(kOldBook) + "新規: new@example.jp\r\n", ReadFileBytes(path));
        EXPECT_EQ(0, book->bModified);
    }
};

// Files of someone else at the temporary file's name (a user's own file, a folder) are never
// touched: the save takes another name.
TEST_F(BookSaveTest, AUsersFileAtTheTemporaryNameIsLeftAlone)
{
    std::string temp = BookTempPath(path);
    WriteFileBytes(temp, "mine");
    CreateDirectoryA((path + ".velmora-2.tmp").c_str(), nullptr);
    store.SaveBooks();
    EXPECT_TRUE(watcher.boxes.empty());
    EXPECT_EQ(std::string(kOldBook) + "新規: new@example.jp\r\n", ReadFileBytes(path));
    EXPECT_EQ("mine", ReadFileBytes(temp));
    EXPECT_EQ(0u, GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(1, FileCountIn(folder, "*.tmp")) << FolderListing(folder);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((path + ".velmora-2.tmp").c_str()));
}

// A replace that moved the old file to the backup name and then failed (as ReplaceFile may,
// with ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) must not lose the book: the new contents take
// the book file's place, and no backup or temporary file stays behind.
TEST_F(BookSaveTest, AReplaceThatFailsHalfWayStillLeavesTheBookFile)
{
    int (*saved)(const char*, const char*, const char*) = g_pfnReplaceFile;
    int (*savedRename)(const char*, const char*) = g_pfnRenameOver;
    g_pfnRenameOver = nullptr;  // the replace in two steps, as on Windows
    g_pfnReplaceFile = [](const char* book, const char*, const char* backup) -> int {
        MoveFileExA(book, backup, 0);
        SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
        return 0;
    };
    store.SaveBooks();
    g_pfnReplaceFile = saved;
    g_pfnRenameOver = savedRename;
    EXPECT_TRUE(watcher.boxes.empty());
    EXPECT_EQ(std::string(kOldBook) + "新規: new@example.jp\r\n", ReadFileBytes(path));
    EXPECT_EQ(0, book->bModified);
    ExpectNothingLeftBeside();
}

// A book whose path leaves no room for "<file>.velmora.tmp" saves through a shorter name in
// the same folder; when even that does not fit, the warning says what really failed.
TEST_F(BookSaveTest, ALongPathSavesThroughAShorterTemporaryName)
{
    std::string room(MAX_PATH - 1 - folder.size() - 8, 'n');
    std::string longPath = folder + room + ".adr";
    ASSERT_GT((longPath + ".velmora.tmp").size(), static_cast<size_t>(MAX_PATH - 1));
    WriteFileBytes(longPath, kOldBook);
    ADTDATA* longBook = store.AddBookFromFile("長い", longPath.c_str());
    ASSERT_NE(nullptr, longBook);
    store.SetModified(store.AddData(ADT_ADDR, "新規", "new@example.jp", longBook, PLACE_CHILD));
    store.SaveBooks();
    EXPECT_TRUE(watcher.boxes.empty());
    EXPECT_EQ(std::string(kOldBook) + "新規: new@example.jp\r\n", ReadFileBytes(longPath));
    ExpectNothingLeftBeside();

    std::string deep = folder + std::string(MAX_PATH - 10 - folder.size(), 'd') + "\\";
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    ADTDATA* fullBook = store.AddData(ADT_LOCAL_BOOK, "満杯", (deep + "a.adr").c_str(), nullptr, 0);
    store.SetModified(store.AddData(ADT_ADDR, "新規", "new@example.jp", fullBook, PLACE_CHILD));
    store.SaveBooks();
    RemoveDirectoryA(deep.c_str());
    ASSERT_EQ(1u, watcher.boxes.size());
    EXPECT_NE(std::string::npos, watcher.boxes[0].text.find("名前が長すぎる")) << watcher.boxes[0].text;
    EXPECT_EQ(1, fullBook->bModified);
}

TEST_F(BookSaveTest, AWriteThatStopsPartWayKeepsTheOldFile)
{
    StoreHooks saved = g_StoreHooks;
    g_StoreHooks.write = [](const void* data, size_t size, FILE* file) -> size_t {
        return StoreFileWrite(data, size > 4 ? 4 : size, file);  // the disk fills up
    };
    store.SaveBooks();
    g_StoreHooks = saved;
    ExpectFailedSaveThenRecovery([] {});
}

TEST_F(BookSaveTest, AFileLockedByAnotherProgramIsNotReplaced)
{
    HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    store.SaveBooks();
    ExpectFailedSaveThenRecovery([&] { CloseHandle(lock); });
}

TEST_F(BookSaveTest, AReplacedFileKeepsItsAttributes)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    store.SaveBooks();
    EXPECT_TRUE(watcher.boxes.empty());
    EXPECT_NE(0u, GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(std::string(kOldBook) + "新規: new@example.jp\r\n", ReadFileBytes(path));
}

// Another program (or another instance with the same settings) wrote the file after this
// store read it, even keeping its size and time: both sides' changes are merged into the
// file and the tree, and the user learns what came in. No copy is made.
TEST_F(BookSaveTest, AFileChangedOnDiskIsMergedWithTheBook)
{
    FILETIME time;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    const char theirs[] = "既存: new@example.jp\r\n";  // the same size: an edit in place
    ASSERT_EQ(sizeof kOldBook, sizeof theirs);
    WriteFileBytes(path, theirs);
    file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);

    store.SaveBooks();
    EXPECT_EQ(std::string(theirs) + "新規: new@example.jp\r\n", ReadFileBytes(path));
    EXPECT_STREQ("new@example.jp", book->pChild->psAddr);
    ASSERT_EQ(1u, watcher.boxes.size());
    EXPECT_EQ("information", watcher.boxes[0].icon);
    EXPECT_NE(std::string::npos, watcher.boxes[0].text.find("本")) << watcher.boxes[0].text;
    EXPECT_EQ(0, FileCountIn(folder, "book (競合*).adr"));
    EXPECT_EQ(0, book->bModified);
}

// When the file can no longer be merged (it is no address file any more, someone emptied
// it, or it cannot be read to its end), this run's version goes to a copy that becomes the
// book's file, listed as "<name> (競合)", and the user is told; the other file is never
// written. An unreadable or emptied file keeps its own entry in the list.
TEST_F(BookSaveTest, AFileThatCannotBeMergedLeavesTheBookToAListedCopy)
{
    const std::string ours = std::string(kOldBook) + "新規: new@example.jp\r\n";
    const char* kinds[] = {"BEGIN:VCARD\r\nFN:x\r\nEND:VCARD\r\n", "", "unreadable"};
    for (const char* theirs : kinds) {
        SCOPED_TRACE(theirs);
        CAddrBook run;
        std::string file = folder + "b" + std::to_string(watcher.boxes.size()) + ".adr";
        WriteFileBytes(file, kOldBook);
        ADTDATA* own = run.AddBookFromFile("本", file.c_str());
        run.SetModified(run.AddData(ADT_ADDR, "新規", "new@example.jp", own, PLACE_CHILD));
        bool unreadable = std::string(theirs) == "unreadable";
        WriteFileBytes(file, unreadable ? std::string(kOldBook) + "他: x@example.jp\r\n" : theirs);
        static std::string failing;
        failing = unreadable ? file : "";
        g_pfnFailRead = [](const char* read, uint64_t) { return failing == read; };
        size_t before = watcher.boxes.size();
        run.SaveBooks();
        g_pfnFailRead = nullptr;
        ASSERT_EQ(before + 1, watcher.boxes.size());
        EXPECT_EQ("warning", watcher.boxes.back().icon);
        EXPECT_STREQ("本 (競合)", own->psName);
        EXPECT_NE(file, own->psAddr);
        EXPECT_EQ(ours, ReadFileBytes(own->psAddr));
        EXPECT_NE(std::string::npos, watcher.boxes.back().text.find(own->psAddr));
        bool kept = unreadable || !*theirs;  // an emptied file may still be someone's book
        EXPECT_EQ(kept ? 1u : 0u, run.HeldBooks().size());
        EXPECT_EQ(kept ? "2" : "1", IniValue(g_szIniPath, "AddressBook", "num"));
        EXPECT_EQ(0, own->bModified);
    }
}

// A save cut off between the finished temporary file and the replace (the process was
// killed): the book reads back as before, and the next save clears the leftover.
TEST_F(BookSaveTest, ASaveKilledBeforeTheReplaceLeavesTheOldFile)
{
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetHandleInformation(ready, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string child = std::string(program).substr(0, std::string(program).find_last_of('\\') + 1) +
                        "book_save_child.exe";
    std::string command = "\"" + child + "\" \"" + path + "\" " +
                          std::to_string(reinterpret_cast<uintptr_t>(ready));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                               &process));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 30000)) << "the child never reached the replace";
    TerminateProcess(process.hProcess, 9);
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(ready);

    EXPECT_EQ(kOldBook, ReadFileBytes(path));
    EXPECT_TRUE(FileExists(BookTempPath(path)));
    book->bModified = 0;  // this run has nothing to write: the leftover goes all the same
    store.SaveBooks();
    EXPECT_FALSE(FileExists(BookTempPath(path)));
    EXPECT_EQ(kOldBook, ReadFileBytes(path));
}

}  // namespace
