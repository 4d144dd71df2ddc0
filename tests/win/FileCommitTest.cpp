// The commit of a file between processes: a save waits for another process's save of the
// same file and names it when it waits too long; a reader never takes a file that a save
// has away for a moment for a missing or empty one; a save that a kill cut off between the
// two steps of a replace is restored at the next start, and the user is told; the messages
// of a save come after its files are let go.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include "BoxWatcher.h"
#include "TestFiles.h"
#include "books/IniPath.h"
#include "files/FileCommit.h"
#include "files/FileLock.h"
#include "files/KeptLocks.h"
#include "files/SideFiles.h"
#include "store/AddrBook.h"

namespace {

const char kOldBook[] = "既存: old@example.jp\r\n";
const char kChildBook[] = "既存: old@example.jp\r\n子: child@example.jp\r\n";

// book_save_child.exe stopped at a point of its save (see BookSaveChild.cpp) until Kill.
class CStoppedChild {
public:
    CStoppedChild(const std::string& book, const char* where)
    {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        m_hReady = CreateEventA(&inherit, TRUE, FALSE, nullptr);
        char program[MAX_PATH];
        GetModuleFileNameA(nullptr, program, MAX_PATH);
        std::string folder = program;
        folder = folder.substr(0, folder.find_last_of('\\') + 1);
        std::string command = "\"" + folder + "book_save_child.exe\" \"" + book + "\" " +
                              std::to_string(reinterpret_cast<uintptr_t>(m_hReady)) + " " + where;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        EXPECT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &m_Process));
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_hReady, 30000)) << "the child never stopped " << where;
    }
    ~CStoppedChild() { Kill(); }

    void Kill()
    {
        if (!m_Process.hProcess)
            return;
        TerminateProcess(m_Process.hProcess, 9);
        WaitForSingleObject(m_Process.hProcess, 30000);
        CloseHandle(m_Process.hThread);
        CloseHandle(m_Process.hProcess);
        CloseHandle(m_hReady);
        m_Process = {};
    }

private:
    HANDLE m_hReady = nullptr;
    PROCESS_INFORMATION m_Process = {};
};

// What book_save_child.exe "try" says of the lock of book: 0 when it took it, 6 when
// another process held it.
DWORD ChildTriesTheLock(const std::string& book)
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string folder = program;
    folder = folder.substr(0, folder.find_last_of('\\') + 1);
    std::string command = "\"" + folder + "book_save_child.exe\" \"" + book + "\" 0 try";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 99;
    DWORD code = 98;
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

struct FileCommitTest : ::testing::Test {
    std::string folder = NewTestFolder();
    std::string book = folder + "本.adr";
    std::string ini = folder + "本.adr.ini";
    DWORD savedWait = g_nFileLockWaitMs;
    DWORD savedKeep = g_nFileLockKeepMs;

    // This process keeps no lock file open after a save, so that a listing shows what the
    // saves and the recovery left.
    void SetUp() override
    {
        g_nFileLockWaitMs = 400;
        g_nFileLockKeepMs = 0;
        WriteFileBytes(book, kOldBook);
        WriteFileBytes(ini, "[AddressBook]\r\nnum=1\r\nbook0_type=local\r\nbook0_name=本\r\nbook0_path=" + book + "\r\n");
        std::strcpy(g_szIniPath, ini.c_str());
    }
    void TearDown() override
    {
        g_nFileLockWaitMs = savedWait;
        g_nFileLockKeepMs = savedKeep;
        g_szIniPath[0] = '\0';
        RemoveTestFolder(folder);
    }
    std::string BookNames(CAddrBook& store)
    {
        std::string names;
        for (ADTDATA* node = store.FirstBook(); node; node = node->pNext)
            names += std::string(node->psName) + ",";
        return names;
    }
};

// Another process is in the middle of saving the book: this save waits, then gives up with
// a message that names the file and the program, and keeps its changes for the next save,
// which writes them once the other process is gone (the system let its lock go).
TEST_F(FileCommitTest, ASaveWaitsForAnotherProcessAndNamesItWhenItWaitsTooLong)
{
    CAddrBook store;
    store.LoadBooks();
    ADTDATA* own = store.FirstBook();
    store.SetModified(store.AddData(ADT_ADDR, "親", "parent@example.jp", own, PLACE_CHILD));
    CBoxWatcher watcher{IDOK};
    CStoppedChild child(book, "before-replace");
    DWORD start = GetTickCount();
    store.SaveBooks();
    EXPECT_GE(GetTickCount() - start, 300u);
    ASSERT_EQ(1u, watcher.boxes.size());
    EXPECT_NE(std::string::npos, watcher.boxes[0].text.find(book)) << watcher.boxes[0].text;
    EXPECT_NE(std::string::npos, watcher.boxes[0].text.find("book_save_child.exe")) << watcher.boxes[0].text;
    EXPECT_EQ(1, own->bModified);
    EXPECT_EQ(kOldBook, ReadFileBytes(book));

    child.Kill();
    store.SaveBooks();
    EXPECT_EQ(1u, watcher.boxes.size());
    EXPECT_EQ(std::string(kOldBook) + "親: parent@example.jp\r\n", ReadFileBytes(book));
    EXPECT_EQ(0, own->bModified);
    EXPECT_EQ("本.adr 本.adr.ini ", FolderListing(folder));
}

// A kill between the two steps of a replace leaves the book file missing, the old contents
// under one side file and the new under another. A start meanwhile holds the book (never
// dropped, never empty); the next start restores the new contents, says so, and leaves
// nothing of ours beside the book. The same for the settings file: a start while it is
// away makes no default book and writes nothing; the next one restores it.
TEST_F(FileCommitTest, AFileAwayBetweenTwoRenamesIsNeverTakenForMissingAndIsRestoredAfterAKill)
{
    for (const char* where : {"between-renames", "settings"}) {
        SCOPED_TRACE(where);
        bool settings = std::string(where) == "settings";
        std::string file = settings ? ini : book;
        CBoxWatcher watcher{IDOK};
        CStoppedChild child(book, where);
        ASSERT_FALSE(FileExists(file));
        {
            CAddrBook store;
            store.LoadBooks();
            EXPECT_EQ("", BookNames(store));
            EXPECT_EQ(1u, watcher.boxes.size());
            store.SaveBooks();
            EXPECT_FALSE(FileExists(file));
        }
        child.Kill();
        watcher.boxes.clear();
        CAddrBook store;
        store.LoadBooks();
        EXPECT_EQ(settings ? "本,子の共有," : "本,", BookNames(store));
        ASSERT_EQ(1u, watcher.boxes.size());
        EXPECT_EQ("information", watcher.boxes[0].icon);
        EXPECT_NE(std::string::npos, watcher.boxes[0].text.find(file)) << watcher.boxes[0].text;
        EXPECT_NE(std::string::npos, watcher.boxes[0].text.find(".velmora.tmp")) << watcher.boxes[0].text;
        EXPECT_EQ(settings ? kOldBook : kChildBook, ReadFileBytes(book));
        EXPECT_EQ("本.adr 本.adr.ini ", FolderListing(folder));
        WriteFileBytes(book, kOldBook);
    }
}

// Leftovers beside a file that no list names. A first save of a new book killed before its
// file was in place leaves its temporary file: a start while that save still holds the file
// leaves it alone; after the kill the next start clears it and says nothing (the book was
// never saved). A kill between the two steps of a replace of a file no longer listed (its
// book deleted from the list meanwhile) leaves it missing: the next start restores it from
// the new contents, and says so. (A kill as a save made its temporary file leaves it empty,
// without our marks: that goes too.)
TEST_F(FileCommitTest, LeftoversBesideAFileThatNoListNamesAreClearedOrRestoredAtStart)
{
    WriteFileBytes(book + ".velmora.tmp", "");
    CAddrBook().LoadBooks();
    EXPECT_EQ("本.adr 本.adr.ini ", FolderListing(folder));
    std::string other = folder + "外.adr";
    for (const char* where : {"first-save", "between-renames"}) {
        SCOPED_TRACE(where);
        bool firstSave = std::string(where) == "first-save";
        if (!firstSave)
            WriteFileBytes(other, kOldBook);
        CBoxWatcher watcher{IDOK};
        CStoppedChild child(other, where);
        {
            CAddrBook store;
            store.LoadBooks();
            store.SaveBooks();
            EXPECT_TRUE(FileExists(other + ".velmora.tmp"));
        }
        child.Kill();
        CAddrBook store;
        store.LoadBooks();
        EXPECT_EQ("本,", BookNames(store));
        if (firstSave) {
            EXPECT_EQ(0u, watcher.boxes.size());
            EXPECT_EQ("本.adr 本.adr.ini ", FolderListing(folder));
        } else {
            ASSERT_EQ(1u, watcher.boxes.size());
            EXPECT_NE(std::string::npos, watcher.boxes[0].text.find(other)) << watcher.boxes[0].text;
            EXPECT_EQ(kChildBook, ReadFileBytes(other));
            EXPECT_EQ("外.adr 本.adr 本.adr.ini ", FolderListing(folder));
        }
        DeleteFileA(other.c_str());
    }
}

// A path too long for "<file>.velmora.tmp" has its side files under shorter "~vm…" names
// in the same folder, which do not tell their file; the sweep at start ties them to it as
// it does the long names. Beside a file that no list names (its book deleted meanwhile)
// they stay while another process holds the file and go once it is gone; so does the
// temporary file of a killed first save of a new book, whose file is not there.
TEST_F(FileCommitTest, LeftoversUnderTheShortNamesOfLongPathsAreSweptAtStart)
{
    // Long enough for the shorter names, short enough for the child's own settings file.
    std::string stem = folder + std::string(249 - folder.size() - 5, 'n');
    std::string kept = stem + "1.adr", fresh = stem + "2.adr";
    std::string temp = SideFileName(kept, SideKind::Temp), backup = SideFileName(kept, SideKind::Backup);
    ASSERT_EQ(folder + "~vm", temp.substr(0, folder.size() + 3));
    WriteFileBytes(kept, kOldBook);
    WriteFileBytes(temp, kChildBook);
    SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    WriteFileBytes(backup, kOldBook);
    CBoxWatcher watcher{IDOK};
    {
        CStoppedChild holder(kept, "hold");
        CStoppedChild firstSave(fresh, "first-save");
        CAddrBook().LoadBooks();
        EXPECT_TRUE(FileExists(temp));
        EXPECT_TRUE(FileExists(backup));
        EXPECT_TRUE(FileExists(SideFileName(fresh, SideKind::Temp)));
    }
    CAddrBook().LoadBooks();
    EXPECT_EQ(kOldBook, ReadFileBytes(kept));
    EXPECT_FALSE(FileExists(fresh));
    EXPECT_EQ(0, FileCountIn(folder, "~vm*")) << FolderListing(folder);
    EXPECT_TRUE(watcher.boxes.empty());
}

// A process keeps a file's lock file open between two saves, unlocked: another process's
// save meanwhile neither waits nor says a word; a lock taken through the kept file keeps
// other processes out until it is let go; and once the processes have ended, killed or
// not, no lock file stays; nor does it stay for long beside a host that no longer saves.
TEST_F(FileCommitTest, ALockFileKeptOpenBetweenSavesLocksOnlyDuringASaveAndGoesWithItsProcesses)
{
    g_nFileLockKeepMs = 60000;
    CBoxWatcher watcher{IDOK};
    CStoppedChild child(book, "saved");
    EXPECT_TRUE(FileExists(book + ".velmora.lock")) << FolderListing(folder);
    {
        CAddrBook store;
        store.LoadBooks();
        ADTDATA* own = store.FirstBook();
        store.SetModified(store.AddData(ADT_ADDR, "親", "parent@example.jp", own, PLACE_CHILD));
        store.SaveBooks();
        EXPECT_EQ(0u, watcher.boxes.size());
        EXPECT_EQ(std::string(kChildBook) + "親: parent@example.jp\r\n", ReadFileBytes(book));
        EXPECT_EQ(2u, CKeptLocks::Count());  // the book's and the settings file's
        {
            CFileLock lock(book);
            ASSERT_EQ(CFileLock::Held, lock.Acquire(0));
            EXPECT_EQ(1u, CKeptLocks::Count());  // the book's is locked through its kept handle
            EXPECT_EQ(6u, ChildTriesTheLock(book));
        }
        EXPECT_EQ(0u, ChildTriesTheLock(book));
        child.Kill();
    }
    EXPECT_EQ(2u, CKeptLocks::Count());
    CKeptLocks::LetGoAll();
    EXPECT_EQ("本.adr 本.adr.child.ini 本.adr.ini ", FolderListing(folder));

    // A host that only runs its window after a save lets the lock file go after the keep time.
    g_nFileLockKeepMs = 200;
    CFileLock(book).Acquire(0);
    EXPECT_EQ(1u, CKeptLocks::Count());
    for (DWORD start = GetTickCount(); GetTickCount() - start < 1500 && CKeptLocks::Count() > 0;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    EXPECT_EQ(0u, CKeptLocks::Count());
    EXPECT_EQ("本.adr 本.adr.child.ini 本.adr.ini ", FolderListing(folder));
}

// The message about a merge comes once the merged book is in its file and the file's lock
// is free again.
TEST_F(FileCommitTest, TheMergeMessageComesAfterTheWriteAndTheLock)
{
    CAddrBook first, second;
    first.LoadBooks();
    second.LoadBooks();
    second.SetModified(second.AddData(ADT_ADDR, "二", "two@example.jp", second.FirstBook(), PLACE_CHILD));
    second.SaveBooks();
    first.SetModified(first.AddData(ADT_ADDR, "一", "one@example.jp", first.FirstBook(), PLACE_CHILD));
    CBoxWatcher watcher{IDOK};
    std::string fileThen;
    bool lockFree = false;
    watcher.onBox = [&](const SeenBox&) {
        fileThen = ReadFileBytes(book);
        CFileLock lock(book);
        DWORD wait = g_nFileLockWaitMs;
        g_nFileLockWaitMs = 0;
        lockFree = lock.Acquire() == CFileLock::Held;
        g_nFileLockWaitMs = wait;
    };
    first.SaveBooks();
    ASSERT_EQ(1u, watcher.boxes.size());
    EXPECT_EQ("information", watcher.boxes[0].icon);
    EXPECT_EQ(std::string(kOldBook) + "二: two@example.jp\r\n一: one@example.jp\r\n", fileThen);
    EXPECT_TRUE(lockFree);
}

}  // namespace
