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
#include "store/BookFile.h"
#include "store/IniPath.h"
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
    g_pfnReplaceFile = [](const char* book, const char*, const char* backup) -> int {
        MoveFileExA(book, backup, 0);
        SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
        return 0;
    };
    store.SaveBooks();
    g_pfnReplaceFile = saved;
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
// store read it: its version stays, ours goes beside it, and the user learns where.
TEST_F(BookSaveTest, AFileChangedOnDiskIsKeptAndTheBookGoesToACopy)
{
    const char theirs[] = "既存: old@example.jp\r\n他: other@example.jp\r\n";
    WriteFileBytes(path, theirs);
    store.SaveBooks();
    EXPECT_EQ(theirs, ReadFileBytes(path));
    ASSERT_EQ(1, FileCountIn(folder, "book (競合 *).adr")) << FolderListing(folder);
    std::string copy = FirstFileIn(folder, "book (競合 *).adr");
    EXPECT_EQ(std::string(kOldBook) + "新規: new@example.jp\r\n", ReadFileBytes(copy));
    ASSERT_EQ(1u, watcher.boxes.size());
    EXPECT_EQ("ファイル:\n" + path + "\n\nは読み込んだ後に他のプログラムによって変更されています\n"
              "上書きせずに、このアドレスブックの内容を次のファイルに保存しました:\n" + copy,
              watcher.boxes[0].text);
    EXPECT_EQ("warning", watcher.boxes[0].icon);
    EXPECT_EQ(0, book->bModified);

    // Later changes of this run go to the same copy while nobody else touched it; the
    // other version is never touched.
    store.SetModified(store.AddData(ADT_ADDR, "追加", "more@example.jp", book, PLACE_CHILD));
    store.SaveBooks();
    EXPECT_EQ(theirs, ReadFileBytes(path));
    EXPECT_EQ(1, FileCountIn(folder, "book (競合 *).adr"));
    EXPECT_NE(std::string::npos, ReadFileBytes(copy).find("追加: more@example.jp"));

    // The user edits the copy, or takes it in as a book of its own: it is never written again.
    auto copies = [&] { return FilesIn(folder, "book (競合 *).adr"); };
    WriteFileBytes(copy, "利用者: mine@example.jp\r\n");
    store.SetModified(store.AddData(ADT_ADDR, "再度", "again@example.jp", book, PLACE_CHILD));
    store.SaveBooks();
    EXPECT_EQ("利用者: mine@example.jp\r\n", ReadFileBytes(copy));
    std::vector<std::string> two = copies();
    ASSERT_EQ(2u, two.size()) << FolderListing(folder);
    std::string second = two[0] == copy ? two[1] : two[0];
    ASSERT_NE(nullptr, store.AddBookFromFile("回収", second.c_str()));
    std::string recovered = ReadFileBytes(second);
    store.SetModified(store.AddData(ADT_ADDR, "三度", "third@example.jp", book, PLACE_CHILD));
    store.SaveBooks();
    EXPECT_EQ(recovered, ReadFileBytes(second));
    EXPECT_EQ(3u, copies().size());
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
