// Two processes keep one book: each loads it, edits it (adds, edits, renames, deletes,
// drag-style moves) and saves, in every order of loading and saving. The file always ends
// as the merge of both, without a conflict copy, and the one that saved last shows it.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include "BookEdits.h"
#include "BoxWatcher.h"
#include "TestFiles.h"
#include "books/IniPath.h"

namespace {

const char kBase[] = "Group 友人\r\n    太郎: taro@x\r\n    花子: hanako@x\r\nEnd group\r\n次郎: jiro@x\r\n三郎: saburo@x\r\n";
const char kParentAdds[] = "add:四郎=shiro@x>";
const char kParentEdits[] = "text:太郎=taro@new;move:三郎>友人";
const char kChildEdits[] = "del:花子;rename:次郎=次郎さん;add:五郎=goro@x>友人";
const char kMerged[] = "Group 友人\r\n    三郎: saburo@x\r\n    太郎: taro@new\r\n    五郎: goro@x\r\nEnd group\r\n"
                       "次郎さん: jiro@x\r\n四郎: shiro@x\r\n";

// The other process: started with its script, it loads and waits for Go().
class CChild {
public:
    CChild(const std::string& ini, const char* script)
    {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        m_hLoaded = CreateEventA(&inherit, TRUE, FALSE, nullptr);
        m_hGo = CreateEventA(&inherit, TRUE, FALSE, nullptr);
        char program[MAX_PATH];
        GetModuleFileNameA(nullptr, program, MAX_PATH);
        std::string path = program;
        std::string command = "\"" + path.substr(0, path.find_last_of('\\') + 1) + "book_edit_child.exe\" \"" + ini +
                              "\" \"" + script + "\" " + std::to_string(reinterpret_cast<uintptr_t>(m_hLoaded)) + " " +
                              std::to_string(reinterpret_cast<uintptr_t>(m_hGo));
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        m_bStarted = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &m_Process);
        EXPECT_TRUE(m_bStarted);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_hLoaded, 30000));
    }
    ~CChild()
    {
        CloseHandle(m_hLoaded);
        CloseHandle(m_hGo);
    }

    // Lets it edit and save, and waits for it to end; its exit code.
    DWORD Go()
    {
        DWORD code = static_cast<DWORD>(-1);
        if (!m_bStarted)
            return code;
        SetEvent(m_hGo);
        WaitForSingleObject(m_Process.hProcess, 60000);
        GetExitCodeProcess(m_Process.hProcess, &code);
        CloseHandle(m_Process.hThread);
        CloseHandle(m_Process.hProcess);
        return code;
    }

private:
    HANDLE m_hLoaded = nullptr;
    HANDLE m_hGo = nullptr;
    PROCESS_INFORMATION m_Process = {};
    bool m_bStarted = false;
};

TEST(TwoWritersTest, EveryOrderOfTwoSavesGivesTheSameMerge)
{
    for (int order = 0; order < 3; ++order) {
        SCOPED_TRACE(order);
        std::string folder = NewTestFolder();
        std::string book = folder + "共有.adr";
        std::string ini = folder + "velmora.ini";
        WriteFileBytes(book, kBase);
        WriteFileBytes(ini, "[AddressBook]\r\nnum=1\r\nbook0_type=local\r\nbook0_name=共有\r\nbook0_path=" + book + "\r\n");
        std::strcpy(g_szIniPath, ini.c_str());
        CBoxWatcher boxes{IDOK};
        {
            CAddrBook parent;
            std::string all = std::string(kParentAdds) + ";" + kParentEdits;
            if (order == 2) {
                // The parent saves part of its work before the child loads, the rest after.
                parent.LoadBooks();
                ApplyEdits(parent, parent.FirstBook(), kParentAdds);
                parent.SaveBooks();
                EXPECT_EQ(0u, CChild(ini, kChildEdits).Go());
                ApplyEdits(parent, parent.FirstBook(), kParentEdits);
                parent.SaveBooks();
            } else {
                CChild child(ini, kChildEdits);
                parent.LoadBooks();
                ApplyEdits(parent, parent.FirstBook(), all);
                if (order == 1)
                    parent.SaveBooks();
                EXPECT_EQ(0u, child.Go());
                if (order == 0)
                    parent.SaveBooks();
            }
            EXPECT_EQ(kMerged, ReadFileBytes(book));
            EXPECT_EQ(0, FileCountIn(folder, "*競合*")) << FolderListing(folder);
            if (order != 1) {  // the parent saved last: its tree shows the merge
                EXPECT_NE(nullptr, FindInBook(parent.FirstBook(), "次郎さん"));
            }
        }
        g_szIniPath[0] = '\0';
        RemoveTestFolder(folder);
    }
}

// One host deletes the book while the other adds to it, in both orders of saving: the
// book stays listed (or comes back) with the addition, and the host that kept or brought
// it back says so.
TEST(TwoWritersTest, ABookDeletedInOneHostWhileTheOtherAddedToItStaysWithTheAddition)
{
    for (int childFirst = 0; childFirst < 2; ++childFirst) {
        SCOPED_TRACE(childFirst);
        std::string folder = NewTestFolder();
        std::string book = folder + "共有.adr";
        std::string other = folder + "予備.adr";
        std::string ini = folder + "velmora.ini";
        WriteFileBytes(book, kBase);
        WriteFileBytes(other, "");
        WriteFileBytes(ini, "[AddressBook]\r\nnum=2\r\nbook0_type=local\r\nbook0_name=共有\r\nbook0_path=" + book +
                                "\r\nbook1_type=local\r\nbook1_name=予備\r\nbook1_path=" + other + "\r\n");
        std::strcpy(g_szIniPath, ini.c_str());
        CBoxWatcher boxes{IDOK};
        {
            CAddrBook parent;
            if (childFirst) {
                CChild child(ini, "delbook:");
                parent.LoadBooks();
                ApplyEdits(parent, parent.FirstBook(), kParentAdds);
                EXPECT_EQ(0u, child.Go());
                parent.SaveBooks();
                ASSERT_NE(nullptr, parent.FirstBook());
                EXPECT_STREQ("共有", parent.FirstBook()->psName);
                bool told = false;
                for (const SeenBox& box : boxes.boxes)
                    told = told || box.text.find("共有") != std::string::npos;
                EXPECT_TRUE(told) << "the user is told that the book stays";
            } else {
                parent.LoadBooks();
                ApplyEdits(parent, parent.FirstBook(), kParentAdds);
                CChild child(ini, "delbook:");
                parent.SaveBooks();
                EXPECT_EQ(0u, child.Go());
            }
        }
        std::string settings = ReadFileBytes(ini);
        EXPECT_NE(std::string::npos, settings.find("book0_name=共有")) << settings;
        EXPECT_NE(std::string::npos, settings.find("num=2")) << settings;
        EXPECT_NE(std::string::npos, ReadFileBytes(book).find("四郎: shiro@x"));
        // A host started afterwards lists the book with the addition.
        CAddrBook later;
        later.LoadBooks();
        ASSERT_NE(nullptr, later.FirstBook());
        EXPECT_NE(nullptr, FindInBook(later.FirstBook(), "四郎"));
        g_szIniPath[0] = '\0';
        RemoveTestFolder(folder);
    }
}

}  // namespace
