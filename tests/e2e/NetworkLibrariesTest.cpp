// The system's network libraries come into the host's process only when a global book is
// updated: not when the plug-in loads, nor when its window opens.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include "BoxWatcher.h"
#include "FakeHost.h"
#include "PluginModule.h"
#include "UiScript.h"

namespace {

const char kWindowCaption[] = "アドレス帳 - Velmora 1.0";
const int kClose = 1004;
const int kBookUpdate = 32779;
const int kToolbar = 59392;
const char* const kNetworkLibraries[] = {"credui.dll", "crypt32.dll", "secur32.dll",
                                         "winhttp.dll", "wldap32.dll", "ws2_32.dll"};

// The names of the modules of this process, in lower case.
std::vector<std::string> LoadedModules()
{
    std::vector<std::string> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (snapshot == INVALID_HANDLE_VALUE)
        return names;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
        std::string name = entry.szModule;
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(tolower(c)); });
        names.push_back(name);
    }
    CloseHandle(snapshot);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> NetworkLibrariesIn(const std::vector<std::string>& modules)
{
    std::vector<std::string> found;
    for (const char* library : kNetworkLibraries) {
        if (std::find(modules.begin(), modules.end(), library) != modules.end())
            found.push_back(library);
    }
    return found;
}

std::string Joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += name + " ";
    return text;
}

TEST(NetworkLibrariesTest, LoadOnlyWhenAGlobalBookIsUpdated)
{
    std::string folder = NewTestFolder("");
    // A global book on a port of this machine where nothing listens: the update fails at
    // once, after it has needed the network.
    std::ofstream(folder + "velmora.ini") << "[AddressBook]\r\nnum=1\r\nbook0_type=global\r\nbook0_name=net\r\n"
                                             "book0_path=http://127.0.0.1:1/book.vcf\r\n";
    FakeHost::Reset();
    CPluginModule plugin(folder);
    ASSERT_TRUE(plugin.Load());
    std::vector<std::string> atLoad = LoadedModules();
    std::vector<std::string> withWindow, afterUpdate;
    std::string error;
    CUiScript::Run([&] { return plugin.Event(1503, 1, nullptr); },
                   [&](CUiScript& ui) {
                       HWND window = ui.WaitForWindow("#32770", kWindowCaption);
                       ASSERT_NE(nullptr, window);
                       withWindow = LoadedModules();
                       PostMessageA(window, WM_COMMAND, MAKEWPARAM(kBookUpdate, BN_CLICKED),
                                    reinterpret_cast<LPARAM>(GetDlgItem(window, kToolbar)));
                       HWND box = ui.WaitForWindowWhere(CBoxWatcher::IsMessageBox, 60000);
                       ASSERT_NE(nullptr, box);
                       error = CBoxWatcher::Describe(box).text;
                       afterUpdate = LoadedModules();
                       PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                       ui.WaitFor([&] { return !IsWindow(box); });
                       CUiScript::Click(window, kClose);
                       ui.WaitFor([&] { return !IsWindow(window); });
                   });
    std::printf("modules after load: %s\nwith the window open: %s\nafter the update: %s\n", Joined(atLoad).c_str(),
                Joined(withWindow).c_str(), Joined(afterUpdate).c_str());
    EXPECT_NE(std::string::npos, error.find("接続を拒否されました")) << error;  // the libraries were all there
    EXPECT_TRUE(NetworkLibrariesIn(atLoad).empty()) << Joined(NetworkLibrariesIn(atLoad));
    EXPECT_FALSE(withWindow.empty());
    EXPECT_TRUE(NetworkLibrariesIn(withWindow).empty()) << Joined(NetworkLibrariesIn(withWindow));
    EXPECT_EQ(6u, NetworkLibrariesIn(afterUpdate).size()) << Joined(afterUpdate);
    plugin.Unload();
    RemoveTestFolder(folder);
}

}  // namespace
