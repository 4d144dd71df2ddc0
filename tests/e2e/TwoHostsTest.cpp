#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "BoxWatcher.h"
#include "FakeHost.h"
#include "PluginModule.h"
#include "PointedRegistration.h"

namespace {

const char kOldBook[] = "既存: old@example.jp\r\n";

// Runs the second host on the same plug-in folder and waits for it; its exit code.
DWORD RunSecondHost(const std::string& folder, const char* address, const char* name, const NewBook& book)
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string path = program;
    path = path.substr(0, path.find_last_of('\\') + 1) + "e2e_second_host.exe";
    // The folder goes without its closing "\", which would escape the quote after it.
    std::string command = "\"" + path + "\" \"" + folder.substr(0, folder.size() - 1) + "\" " + address + " " + name + " \"" +
                          book.name + "\" \"" + book.file + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return static_cast<DWORD>(-1);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Two hosts run the plug-in with the same settings and book, and each adds an address to
// the shared book and a book of its own. The second to save merges: the shared book holds
// both addresses, the list keeps both new books, and it says what came in.
TEST(TwoHostsTest, TheSecondToSaveKeepsTheFirstOnesAddressesAndBooks)
{
    std::string folder = NewTestFolder();
    std::string book = folder + "shared.adr";
    {
        CPluginModule plugin(folder);
        std::string ini = plugin.IniPath();
        WritePrivateProfileStringA("AddressBook", "num", "1", ini.c_str());
        WritePrivateProfileStringA("AddressBook", "book0_type", "local", ini.c_str());
        WritePrivateProfileStringA("AddressBook", "book0_name", "共有", ini.c_str());
        WritePrivateProfileStringA("AddressBook", "book0_path", book.c_str(), ini.c_str());
        WriteFileBytes(book, kOldBook);
        FakeHost::Reset();
        ASSERT_TRUE(plugin.Load());

        ASSERT_EQ(0u, RunSecondHost(folder, "child@example.jp", "子", {"子の本", folder + "child.adr"}));
        ASSERT_EQ("2", IniValue(ini, "AddressBook", "num")) << ReadFileBytes(ini);
        const std::string theirs = std::string(kOldBook) + "子: child@example.jp\r\n";
        ASSERT_EQ(theirs, ReadFileBytes(book));

        CBoxWatcher watcher;
        FakeHost::Current().pointedAddress = "parent@example.jp";
        NewBook own = {"親の本", folder + "parent.adr"};
        RegisterPointedAddress([&](int command) { return plugin.Command(command); }, "親", &own);
        plugin.Unload();

        EXPECT_EQ("3", IniValue(ini, "AddressBook", "num"));
        EXPECT_EQ("共有 子の本 親の本", IniValue(ini, "AddressBook", "book0_name") + " " +
                                           IniValue(ini, "AddressBook", "book1_name") + " " +
                                           IniValue(ini, "AddressBook", "book2_name"));
        EXPECT_EQ(folder + "child.adr", IniValue(ini, "AddressBook", "book1_path"));
        EXPECT_TRUE(FileExists(folder + "child.adr") && FileExists(folder + "parent.adr"));

        // Both addresses are in the shared book, and no copy was needed.
        EXPECT_EQ(theirs + "親: parent@example.jp\r\n", ReadFileBytes(book));
        EXPECT_EQ(0, FileCountIn(folder, "shared (競合*).adr")) << FolderListing(folder);
        ASSERT_EQ(1u, watcher.boxes.size());
        EXPECT_EQ("information", watcher.boxes[0].icon);
    }
    RemoveTestFolder(folder);
}

}  // namespace
