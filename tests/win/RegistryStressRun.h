// Many hosts at once on shared books and one shared settings file, with random kills: host
// processes (StressHostChild.cpp) make random additions, edits, deletions, moves, new and
// deleted books and saves, while the run kills one now and then and starts another in its
// place. The oracle, from the hosts' journals: every addition that a host saved is in the
// final files unless some host deleted that very entry (a book deleted while another host
// added to it comes back with the addition), every book that no host deleted is listed, no
// default book appeared, and nothing of ours is left beside the files but at most one side
// file per killed save (none once a host has started and saved again). window_tests makes a short run; the soak run (registry_soak stress) a long one.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include "BoxWatcher.h"
#include "TestFiles.h"
#include "books/IniPath.h"
#include "files/KeptLocks.h"
#include "framework/PathName.h"
#include "store/AddrBook.h"

class RegistryStressRun {
public:
    struct Counts {
        int hosts = 0;
        int kills = 0;
        int saves = 0;
        int additions = 0;  // additions journaled as saved, all checked
    };

    explicit RegistryStressRun(unsigned seed) : m_rng(seed), m_nSeed(seed) {}

    // hosts at once, each making steps steps; kills hosts killed (and as many started in
    // their places). False after a failure.
    bool Run(int hosts, int steps, int kills, Counts* counts = nullptr)
    {
        // (A folder kept by a failed run must not meet a later run whose process has its id.)
        std::string stamp = std::to_string(GetTickCount());
        m_folder = NewTestFolder("stress" + stamp);
        m_journals = NewTestFolder("journals" + stamp);
        std::string ini = m_folder + "velmora.ini";
        std::string list = "[AddressBook]\r\nnum=3\r\n";
        for (int i = 0; i < 3; ++i) {
            std::string file = m_folder + "共有" + std::to_string(i) + ".adr";
            WriteFileBytes(file, "Group 友人\r\n    既存" + std::to_string(i) + ": x@example.jp\r\nEnd group\r\n");
            std::string n = "book" + std::to_string(i) + "_";
            list += n + "type=local\r\n" + n + "name=共有" + std::to_string(i) + "\r\n" + n + "path=" + file + "\r\n";
            m_initial.push_back(file);
        }
        WriteFileBytes(ini, list);

        std::vector<PROCESS_INFORMATION> running;
        for (int i = 0; i < hosts; ++i)
            running.push_back(Start(ini, steps));
        int killsLeft = kills;
        while (!running.empty()) {
            std::vector<HANDLE> handles;
            for (const PROCESS_INFORMATION& p : running)
                handles.push_back(p.hProcess);
            DWORD wait = 20 + static_cast<DWORD>(Pick(300));
            DWORD which = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, wait);
            if (which < WAIT_OBJECT_0 + handles.size()) {
                size_t i = which - WAIT_OBJECT_0;
                DWORD code = 1;
                GetExitCodeProcess(running[i].hProcess, &code);
                EXPECT_EQ(0u, code) << "a host failed";
                Close(running, i);
            } else if (which == WAIT_TIMEOUT && killsLeft > 0) {
                size_t i = static_cast<size_t>(Pick(static_cast<int>(running.size())));
                TerminateProcess(running[i].hProcess, 9);
                WaitForSingleObject(running[i].hProcess, 30000);
                Close(running, i);
                --killsLeft;
                ++m_counts.kills;
                running.push_back(Start(ini, steps));
            } else if (which != WAIT_TIMEOUT) {
                ADD_FAILURE() << "waiting for the hosts failed";
                break;
            }
        }
        Check(ini);
        if (counts)
            *counts = m_counts;
        g_szIniPath[0] = '\0';
        if (::testing::Test::HasFailure()) {
            std::printf("kept for a look: %s and %s\n", m_folder.c_str(), m_journals.c_str());
        } else {
            RemoveTestFolder(m_journals);
            RemoveTestFolder(m_folder);
        }
        return !::testing::Test::HasFailure();
    }

private:
    std::mt19937 m_rng;
    unsigned m_nSeed;
    std::string m_folder, m_journals;
    std::vector<std::string> m_initial;
    Counts m_counts;

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    PROCESS_INFORMATION Start(const std::string& ini, int steps)
    {
        int host = m_counts.hosts++;
        char program[MAX_PATH];
        GetModuleFileNameA(nullptr, program, MAX_PATH);
        std::string folder = program;
        folder = folder.substr(0, folder.find_last_of('\\') + 1);
        std::string command = "\"" + folder + "stress_host_child.exe\" \"" + ini + "\" " +
                              std::to_string(m_nSeed * 1000 + static_cast<unsigned>(host)) + " \"" + m_journals + "j" +
                              std::to_string(host) + ".txt\" " + std::to_string(steps);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        EXPECT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
        return process;
    }

    static void Close(std::vector<PROCESS_INFORMATION>& running, size_t i)
    {
        CloseHandle(running[i].hThread);
        CloseHandle(running[i].hProcess);
        running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
    }

    static bool Holds(const std::string& text, const std::string& name)
    {
        for (size_t at = text.find(name + ":"); at != std::string::npos; at = text.find(name + ":", at + 1)) {
            if (at == 0 || text[at - 1] == ' ' || text[at - 1] == '\n')
                return true;
        }
        return false;
    }

    std::vector<std::string> ListedPaths(const std::string& ini, std::string* names)
    {
        std::vector<std::string> paths;
        int count = std::atoi(IniValue(ini, "AddressBook", "num").c_str());
        for (int i = 0; i < count; ++i) {
            std::string n = "book" + std::to_string(i) + "_";
            paths.push_back(IniValue(ini, "AddressBook", (n + "path").c_str()));
            *names += IniValue(ini, "AddressBook", (n + "name").c_str()) + ",";
        }
        return paths;
    }

    void Check(const std::string& ini)
    {
        std::set<std::string> deleted, deletedBooks, newBooks;
        std::vector<std::pair<std::string, std::string>> added;
        for (int host = 0; host < m_counts.hosts; ++host) {
            std::ifstream journal(m_journals + "j" + std::to_string(host) + ".txt", std::ios::binary);
            std::string line;
            while (std::getline(journal, line)) {
                if (line.size() < 1)
                    continue;
                std::string rest = line.size() > 2 ? line.substr(2) : "";
                switch (line[0]) {
                case 'S': ++m_counts.saves; break;
                case 'D': deleted.insert(rest); break;
                case 'X': deletedBooks.insert(rest); break;
                case 'N': newBooks.insert(rest); break;
                case 'A': {
                    size_t tab = rest.find('\t');
                    if (tab != std::string::npos)
                        added.push_back({rest.substr(0, tab), rest.substr(tab + 1)});
                    break;
                }
                default: break;
                }
            }
        }
        // A killed save may leave one side file of ours beside its file; a new host's start
        // and save restores what they left missing and clears the rest.
        std::map<std::string, int> sides;
        for (const std::string& side : FilesIn(m_folder, "*.velmora*"))
            ++sides[side.substr(0, side.rfind(".velmora"))];
        for (const auto& file : sides)
            EXPECT_EQ(1, file.second) << file.first << ": " << FolderListing(m_folder);
        EXPECT_LE(static_cast<int>(sides.size()), m_counts.kills) << FolderListing(m_folder);
        std::strcpy(g_szIniPath, ini.c_str());
        {
            CBoxWatcher boxes{IDOK};
            CAddrBook store;
            store.LoadBooks();
            store.SaveBooks();
        }
        CKeptLocks::LetGoAll();  // as the plug-in does at its end
        std::string names;
        std::vector<std::string> listed = ListedPaths(ini, &names);
        EXPECT_EQ(0, FileCountIn(m_folder, "*.velmora*")) << FolderListing(m_folder);
        EXPECT_EQ(std::string::npos, names.find("標準アドレス帳")) << names;
        std::string all;
        for (const std::string& path : listed)
            all += "\n" + ReadFileBytes(path);
        auto isListed = [&](const std::string& file) {
            for (const std::string& path : listed) {
                if (lstrcmpiA(path.c_str(), file.c_str()) == 0)
                    return true;
            }
            return false;
        };
        std::set<std::string> books(m_initial.begin(), m_initial.end());
        books.insert(newBooks.begin(), newBooks.end());
        for (const std::string& file : books) {
            if (!deletedBooks.count(file)) {
                EXPECT_TRUE(isListed(file)) << file << " is not listed: " << names;
            }
        }
        for (const auto& addition : added) {
            if (deleted.count(addition.second))
                continue;
            ++m_counts.additions;
            EXPECT_TRUE(Holds(all, addition.second))
                << addition.second << " saved to " << addition.first << " is lost; the file is "
                << (isListed(addition.first) ? "listed" : "not listed") << " in " << FolderListing(m_folder) << "; it holds:\n" << ReadFileBytes(addition.first);
        }
    }
};
