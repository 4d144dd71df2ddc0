// Long random runs of the book registry against real files: books added on new files and
// imported from existing ones (a book's own file under another spelling must be refused),
// addresses added and deleted, books deleted, saves with a book file held by another
// program, and restarts (save, then a new store loads the settings) with a file that fails
// to read. After every clean save each book file holds its book and the settings list is
// the store's books, no file listed twice; a restart brings back every book as it was, and
// a book held at a start keeps its place in the list. window_tests makes a short run; the
// soak run a long one.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>
#include "BoxWatcher.h"
#include "TestFiles.h"
#include "store/AddrBook.h"
#include "files/BookFile.h"
#include "files/FileIdentity.h"
#include "books/IniPath.h"
#include "tests/native/StoreDump.h"

class RandomRegistryRun {
public:
    explicit RandomRegistryRun(unsigned seed) : m_rng(seed) {}

    // False after the first failure.
    bool Run(long steps)
    {
        m_folder = NewTestFolder();
        std::strcpy(g_szIniPath, (m_folder + "velmora.ini").c_str());
        m_store.reset(new CAddrBook);
        m_store->LoadBooks();
        for (long step = 0; step < steps && !::testing::Test::HasFailure(); ++step) {
            m_lastOp.clear();
            Step();
            if (::testing::Test::HasFailure())
                ADD_FAILURE() << "after step " << step << ": " << m_lastOp;
        }
        m_store.reset();
        g_szIniPath[0] = '\0';
        RemoveTestFolder(m_folder);
        return !::testing::Test::HasFailure();
    }

private:
    std::unique_ptr<CAddrBook> m_store;
    std::mt19937 m_rng;
    std::string m_folder;
    std::string m_lastOp;
    CBoxWatcher m_boxes{IDOK};
    int m_counter = 0;

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    ADTDATA* RandomBook(bool localOnly)
    {
        std::vector<ADTDATA*> books;
        for (ADTDATA* book = m_store->FirstBook(); book; book = book->pNext) {
            if (!localOnly || book->cType == ADT_LOCAL_BOOK)
                books.push_back(book);
        }
        return books.empty() ? nullptr : books[Pick(static_cast<int>(books.size()))];
    }

    void Step()
    {
        int books = 0;
        for (ADTDATA* book = m_store->FirstBook(); book; book = book->pNext)
            ++books;
        if (books > 12)
            DeleteBook();  // a dozen books say as much as a hundred, and cost far less
        switch (Pick(12)) {
        case 0: case 1: case 2: AddAddress(); break;
        case 3: DeleteAddress(); break;
        case 4: NewBook(); break;
        case 5: Import(); break;
        case 6: DeleteBook(); break;
        case 7: case 8: Save(); break;
        case 9: SaveWithAHeldFile(); break;
        case 10: Restart(false); break;
        default: Restart(true); break;
        }
    }

    void AddAddress()
    {
        ADTDATA* book = RandomBook(true);
        if (!book)
            return;
        m_lastOp = "add to " + CAddrBook::FormatLabel(book);
        std::string name = "宛" + std::to_string(m_counter++);
        m_store->SetModified(m_store->AddData(ADT_ADDR, name.c_str(), "a@example.jp", book, PLACE_CHILD));
    }

    void DeleteAddress()
    {
        ADTDATA* book = RandomBook(true);
        if (!book || !book->pChild)
            return;
        m_lastOp = "delete in " + CAddrBook::FormatLabel(book);
        m_store->SetModified(book);
        m_store->DeleteData(book->pChild);
    }

    void NewBook()
    {
        m_lastOp = "new book";
        ADTDATA* book = nullptr;
        if (Pick(4)) {
            std::string name = "本" + std::to_string(m_counter++);
            book = m_store->AddData(ADT_LOCAL_BOOK, name.c_str(), m_store->ProposeBookFile(m_folder).c_str(), nullptr, 0);
        } else {
            book = m_store->AddData(ADT_GLOBAL_BOOK, "共有", "ldap://example.jp/", nullptr, 0);
        }
        book->bModified = 1;
    }

    // A file of nobody's becomes a book; a book's own file, by its short name, is refused.
    void Import()
    {
        std::string path = m_folder + "imported file " + std::to_string(m_counter++) + ".adr";
        m_lastOp = "import " + path;
        std::string text;
        for (int i = Pick(4); i >= 0; --i, ++m_counter)
            text += "人" + std::to_string(m_counter) + ": p" + std::to_string(m_counter) + "@example.jp\r\n";
        WriteFileBytes(path, text);
        ASSERT_NE(nullptr, m_store->AddBookFromFile("取込", path.c_str()));
        ADTDATA* book = RandomBook(true);
        char shortName[MAX_PATH];
        if (book && GetShortPathNameA(book->psAddr, shortName, MAX_PATH)) {
            EXPECT_EQ(nullptr, m_store->AddBookFromFile("二重", shortName)) << shortName;
        }
    }

    void DeleteBook()
    {
        ADTDATA* book = RandomBook(false);
        if (!book || !book->pNext)
            return;  // the last book stays: a list without books starts with the default book
        m_lastOp = "delete book " + CAddrBook::FormatLabel(book);
        m_store->DeleteData(book);
    }

    std::string Contents(const ADTDATA* book)
    {
        // (msvcrt's tmpfile runs out of names in a long run.)
        FILE* file = std::fopen((m_folder + "contents").c_str(), "w+b");
        if (!file) {
            ADD_FAILURE() << "no scratch file";
            return "";
        }
        m_store->WriteList(book->pChild, file, 0);
        std::string bytes(static_cast<size_t>(std::ftell(file)), '\0');
        std::rewind(file);
        size_t read = std::fread(&bytes[0], 1, bytes.size(), file);
        std::fclose(file);
        bytes.resize(read);
        return bytes;
    }

    std::vector<std::string> Listed()
    {
        std::vector<std::string> listed;
        int count = std::atoi(IniValue(g_szIniPath, "AddressBook", "num").c_str());
        for (int i = 0; i < count; ++i)
            listed.push_back(IniValue(g_szIniPath, "AddressBook", ("book" + std::to_string(i) + "_path").c_str()));
        return listed;
    }

    // Every book file holds its book; the list is the store's books (or, right after a start
    // that held a book, the list as it was before), each file once.
    void Save(const std::vector<std::string>* expected = nullptr)
    {
        m_lastOp = "save";
        m_store->SaveBooks();
        std::vector<std::string> books;
        for (ADTDATA* book = m_store->FirstBook(); book; book = book->pNext) {
            books.push_back(book->psAddr ? book->psAddr : "");
            if (book->cType != ADT_LOCAL_BOOK)
                continue;
            EXPECT_EQ(0, book->bModified);
            EXPECT_EQ(Contents(book), ReadFileBytes(book->psAddr)) << book->psAddr;
        }
        std::vector<std::string> listed = Listed();
        EXPECT_EQ(expected ? *expected : books, listed);
        std::vector<std::string> keys;
        for (const std::string& path : listed) {
            if (path.find(':') != 1)
                continue;  // a global book's URL
            std::string key = FileKey(path);
            if (std::find(keys.begin(), keys.end(), key) != keys.end())
                ADD_FAILURE() << path << " is listed twice";
            keys.push_back(key);
        }
    }

    // Another program holds one book's file: that book stays changed, the others are saved.
    void SaveWithAHeldFile()
    {
        ADTDATA* held = RandomBook(true);
        if (!held || GetFileAttributesA(held->psAddr) == INVALID_FILE_ATTRIBUTES)
            return;
        m_lastOp = "save while " + std::string(held->psAddr) + " is held";
        bool changed = held->bModified != 0;
        HANDLE lock = CreateFileA(held->psAddr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        m_store->SaveBooks();
        CloseHandle(lock);
        EXPECT_EQ(changed ? 1 : 0, held->bModified);
        Save();
    }

    // The plug-in ends (saving) and starts again; with a fault, one book file fails to read
    // at the start: it is held in its place in the list and comes back, whole, at the next
    // start without the fault.
    void Restart(bool withFault)
    {
        m_lastOp = withFault ? "restart with a read fault" : "restart";
        Save();
        std::string before = DumpStore(*m_store);
        std::vector<std::string> listed = Listed();
        static std::string failing;
        ADTDATA* book = withFault ? RandomBook(true) : nullptr;
        failing = book ? book->psAddr : "";
        std::string failingBook;
        if (book)
            DumpNode(book, failingBook);
        g_pfnFailRead = [](const char* path, uint64_t) { return IsSameFile(path, failing); };
        m_store.reset(new CAddrBook);
        m_store->LoadBooks();
        g_pfnFailRead = nullptr;
        if (book) {
            EXPECT_EQ(1u, m_store->HeldBooks().size());
            Save(&listed);
            m_store.reset(new CAddrBook);
            m_store->LoadBooks();
        }
        EXPECT_EQ(before, DumpStore(*m_store));
    }
};
