// Files as other programs leave them: a book file cut short or re-saved in another encoding
// by someone else, settings files in the encodings Windows editors write, relative book
// paths of earlier versions, listed files that are no address files, and file identity on
// volumes whose serial number says nothing.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include "BoxWatcher.h"
#include "TestFiles.h"
#include "books/IniPath.h"
#include "files/FileIdentity.h"
#include "store/AddrBook.h"

namespace {

const char kBook[] = "Group Friends\r\n    A: a@x\r\n    B: b@x\r\nEnd group\r\n太郎: taro@x\r\n花子: hanako@x\r\n";

std::string Utf8(const std::string& sjis, bool bom)
{
    int wide = MultiByteToWideChar(932, 0, sjis.data(), static_cast<int>(sjis.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(932, 0, sjis.data(), static_cast<int>(sjis.size()), &text[0], wide);
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, &out[0], size, nullptr, nullptr);
    return (bom ? "\xEF\xBB\xBF" : "") + out;
}

std::string Utf16(const std::string& sjis, bool bigEndian)
{
    int wide = MultiByteToWideChar(932, 0, sjis.data(), static_cast<int>(sjis.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(932, 0, sjis.data(), static_cast<int>(sjis.size()), &text[0], wide);
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t ch : text) {
        char high = static_cast<char>(ch >> 8), low = static_cast<char>(ch & 0xFF);
        out += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

struct BookFilesTest : ::testing::Test {
    std::string folder = NewTestFolder();
    std::string ini = folder + "velmora.ini";
    CBoxWatcher watcher{IDOK};

    void SetUp() override { std::strcpy(g_szIniPath, ini.c_str()); }
    void TearDown() override
    {
        g_szIniPath[0] = '\0';
        RemoveTestFolder(folder);
    }
    std::string List(const std::string& entries, int count)
    {
        return "[AddressBook]\r\nnum=" + std::to_string(count) + "\r\n" + entries;
    }
    std::string Entry(int i, const std::string& name, const std::string& path)
    {
        std::string n = "book" + std::to_string(i) + "_";
        return n + "type=local\r\n" + n + "name=" + name + "\r\n" + n + "path=" + path + "\r\n";
    }
    std::string Names(CAddrBook& store)
    {
        std::string names;
        for (ADTDATA* book = store.FirstBook(); book; book = book->pNext)
            names += std::string(book->psName) + ",";
        return names;
    }
};

// Someone else rewrote the book file after this run read it. A file cut mid-line or inside
// a folder is no list of deletions: this run's book goes to a conflict copy and the file
// stays as it is. A file with a byte-order mark or re-saved in UTF-8 or UTF-16 is read as its
// text: only what really changed comes in, and the book is written back in Shift-JIS.
TEST_F(BookFilesTest, ACutOrReEncodedFileIsNeverMergedByteByByte)
{
    const std::string added = "次郎: jiro@x\r\n";
    const std::string ours = "三郎: saburo@x\r\n";
    struct Case {
        const char* what;
        std::string theirs;
        bool copy;
    } cases[] = {
        {"cut mid-line", std::string(kBook).substr(0, 60), true},
        {"cut inside a folder", "Group Friends\r\n    A: a@x\r\n", true},
        {"UTF-8 with BOM", Utf8(std::string(kBook) + added, true), false},
        {"UTF-8", Utf8(std::string(kBook) + added, false), false},
        {"UTF-16 LE", Utf16(std::string(kBook) + added, false), false},
        {"UTF-16 BE", Utf16(std::string(kBook) + added, true), false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = folder + "b" + std::to_string(n++) + ".adr";
        WriteFileBytes(path, kBook);
        CAddrBook store;
        ADTDATA* book = store.AddBookFromFile("本", path.c_str());
        ASSERT_NE(nullptr, book);
        store.SetModified(store.AddData(ADT_ADDR, "三郎", "saburo@x", book, PLACE_CHILD));
        WriteFileBytes(path, c.theirs);
        watcher.boxes.clear();
        store.SaveBooks();
        ASSERT_EQ(1u, watcher.boxes.size());
        if (c.copy) {
            EXPECT_EQ("warning", watcher.boxes[0].icon);
            EXPECT_EQ(c.theirs, ReadFileBytes(path));
            EXPECT_EQ(std::string(kBook) + ours, ReadFileBytes(book->psAddr));
            EXPECT_EQ(1u, store.HeldBooks().size());
        } else {
            EXPECT_EQ("information", watcher.boxes[0].icon);
            EXPECT_NE(std::string::npos, watcher.boxes[0].text.find("1")) << watcher.boxes[0].text;
            EXPECT_EQ(std::string(kBook) + added + ours, ReadFileBytes(path));
        }
    }
}

// A settings file saved by an editor as UTF-16 (either order) or UTF-8 with a byte-order
// mark lists its books as the profile functions read them, and stays in its encoding.
TEST_F(BookFilesTest, SettingsInTheEncodingsOfWindowsEditorsKeepTheirBooksAndEncoding)
{
    std::string book = folder + "住所録.adr";
    WriteFileBytes(book, kBook);
    std::string text = List(Entry(0, "住所録", book), 1);
    std::string encodings[] = {Utf16(text, false), Utf16(text, true), Utf8(text, true)};
    for (const std::string& bytes : encodings) {
        SCOPED_TRACE(bytes.substr(0, 2));
        WriteFileBytes(ini, bytes);
        CAddrBook store;
        store.LoadBooks();
        EXPECT_EQ("住所録,", Names(store));
        store.AddData(ADT_GLOBAL_BOOK, "共有", "ldap://x/", nullptr, 0);
        store.SaveBooks();
        std::string saved = ReadFileBytes(ini);
        EXPECT_EQ(bytes.substr(0, 2), saved.substr(0, 2));
        EXPECT_EQ("2", IniValue(ini, "AddressBook", "num"));
        EXPECT_EQ("住所録", IniValue(ini, "AddressBook", "book0_name"));
        EXPECT_EQ("共有", IniValue(ini, "AddressBook", "book1_name"));
    }
    EXPECT_TRUE(watcher.boxes.empty());
}

// Earlier versions wrote relative book paths and opened them from the current folder: such
// a book loads from there when it is not beside the plug-in, and one found nowhere is held
// (its entry kept as it was), never dropped. A listed vCard or CSV file is held too, with
// a word that points to the import, and is never written.
TEST_F(BookFilesTest, RelativePathsAndForeignFilesAreHeldNotDropped)
{
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    std::string elsewhere = NewTestFolder("cwd");
    SetCurrentDirectoryA(elsewhere.c_str());
    WriteFileBytes(elsewhere + "old.adr", kBook);
    const std::string vcard = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:x\r\nEMAIL:x@y\r\nEND:VCARD\r\n";
    const std::string csv = "name,mail\r\nx,x@y\r\n";
    WriteFileBytes(folder + "p.vcf", vcard);
    WriteFileBytes(folder + "p.csv", csv);
    WriteFileBytes(ini, List(Entry(0, "旧", "old.adr") + Entry(1, "無", "nowhere.adr") +
                                 Entry(2, "名刺", folder + "p.vcf") + Entry(3, "表", folder + "p.csv"),
                             4));
    {
        CAddrBook store;
        store.LoadBooks();
        EXPECT_EQ("旧,", Names(store));
        EXPECT_STREQ((elsewhere + "old.adr").c_str(), store.FirstBook()->psAddr);
        ASSERT_EQ(3u, watcher.boxes.size());
        EXPECT_NE(std::string::npos, watcher.boxes[1].text.find("インポート")) << watcher.boxes[1].text;
        store.SetModified(store.AddData(ADT_ADDR, "新", "new@x", store.FirstBook(), PLACE_CHILD));
        store.SaveBooks();
    }
    SetCurrentDirectoryA(current);
    EXPECT_EQ("4", IniValue(ini, "AddressBook", "num"));
    EXPECT_EQ("nowhere.adr", IniValue(ini, "AddressBook", "book1_path"));
    EXPECT_EQ("表", IniValue(ini, "AddressBook", "book3_name"));
    EXPECT_EQ(vcard, ReadFileBytes(folder + "p.vcf"));
    EXPECT_EQ(csv, ReadFileBytes(folder + "p.csv"));
    EXPECT_EQ(std::string(kBook) + "新: new@x\r\n", ReadFileBytes(elsewhere + "old.adr"));
    RemoveTestFolder(elsewhere);
}

// Where the volume serial is 0 (every drive under some Wine set-ups), two files with the
// same file index on two drives are two files; one file under two spellings stays one.
TEST_F(BookFilesTest, AVolumeSerialOfZeroNeverMakesTwoFilesTheSame)
{
    std::string a = folder + "long name a.adr", b = folder + "long name b.adr";
    WriteFileBytes(a, kBook);
    WriteFileBytes(b, kBook);
    char shortName[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameA(a.c_str(), shortName, MAX_PATH));
    int (*saved)(void*, void*) = g_pfnFileInformation;
    g_pfnFileInformation = [](void* file, void* info) -> int {
        auto* data = static_cast<BY_HANDLE_FILE_INFORMATION*>(info);
        if (!GetFileInformationByHandle(static_cast<HANDLE>(file), data))
            return 0;
        data->dwVolumeSerialNumber = 0;
        data->nFileIndexHigh = 0;
        data->nFileIndexLow = 7;
        return 1;
    };
    EXPECT_FALSE(IsSameFile(a, b));
    EXPECT_TRUE(IsSameFile(a, shortName));
    WriteFileBytes(ini, List(Entry(0, "A", a) + Entry(1, "B", b), 2));
    CAddrBook store;
    store.LoadBooks();
    g_pfnFileInformation = saved;
    EXPECT_EQ("A,B,", Names(store));
    EXPECT_TRUE(watcher.boxes.empty());
}

}  // namespace
