// The address book window at scale, under Wine: opening it on a store of 100,000
// addresses (the tree shows them all), finding the last address (in a closed folder) and
// back once round the store, then adding a folder of 10,000 addresses to the send list.
//   bench_window [folders [addresses-per-folder [expand [tree-only]]]]
// (defaults 10, 10000, 1; with tree-only 1 or 2 the store is shown in a bare tree control,
// 2 subclassed as the window does it).
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "BenchClock.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "store/AddrBook.h"
#include "window/AddrDlg.h"

namespace {

struct CBenchApp : CWinApp {
    CBenchApp()
    {
        m_hInstance = GetModuleHandleA(nullptr);
        m_strAppName = "velmora";
    }
} theBenchApp;

CAddrBook g_Store;
CAddrDlg* g_pDialog = nullptr;
CBenchClock* g_pClock = nullptr;
ADTDATA* g_pBigFolder = nullptr;
std::string g_strLastName;

// F3 to the last address, then Shift+F3, which finds nothing else once round the store.
void MeasureFind()
{
    g_pDialog->OnFind();
    SetDlgItemTextA(g_pDialog->m_FindDlg.m_hWnd, IDC_FIND_TEXT, g_strLastName.c_str());
    g_pClock->Lap("open the find dialog");
    g_pDialog->OnFindAgain(true);
    g_pClock->Lap("find the last address (F3)");
    g_pDialog->OnFindAgain(false);
    g_pClock->Lap("find backward once round the store (Shift+F3)");
    std::printf("find: %s\n", g_pDialog->SelectedNode() && g_pDialog->SelectedNode()->psName == g_strLastName
                                   ? "the last address selected" : "WRONG NODE");
}

void CALLBACK Measure(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    g_pClock->Lap("open the window on the store");
    MeasureFind();
    g_pDialog->InsertFolderAll(SEND_TO, g_pBigFolder);
    g_pClock->Lap("add the first folder to the send list");
    int entries = static_cast<int>(SendMessageA(g_pDialog->m_SendList.m_hWnd, LVM_GETITEMCOUNT, 0, 0));
    std::printf("send list entries: %d\n", entries);
    g_pDialog->EndDialog(IDCANCEL);
}

}  // namespace

int main(int argc, char** argv)
{
    int folders = argc > 1 ? std::atoi(argv[1]) : 10;
    int perFolder = argc > 2 ? std::atoi(argv[2]) : 10000;
    bool expand = argc > 3 ? std::atoi(argv[3]) != 0 : true;
    CBenchClock clock;
    ADTDATA* book = g_Store.AddData(ADT_LOCAL_BOOK, "Bench", "bench.adr", nullptr, 0);
    for (int f = 0; f < folders; ++f) {
        std::string folderName = "Folder " + std::to_string(f);
        ADTDATA* folder = g_Store.AddData(ADT_FOLDER, folderName.c_str(), nullptr, book, PLACE_CHILD);
        if (f == 0)
            g_pBigFolder = folder;
        for (int i = 0; i < perFolder; ++i) {
            std::string name = "Person " + std::to_string(f) + "-" + std::to_string(i);
            std::string addr = "p" + std::to_string(f) + "x" + std::to_string(i) + "@example.jp";
            g_Store.AddData(ADT_ADDR, name.c_str(), addr.c_str(), folder, PLACE_CHILD);
            g_strLastName = name;
        }
    }
    book->bExpand = expand;
    g_pBigFolder->bExpand = expand;
    clock.Lap("build the store");

    if (argc > 4) {
        // The tree alone, in a plain window.
        HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_OVERLAPPEDWINDOW | TVS_HASBUTTONS | TVS_HASLINES, 0, 0,
                                    400, 400, nullptr, nullptr, nullptr, nullptr);
        CAddrTree view(g_Store);
        if (std::atoi(argv[4]) > 1)
            view.SubclassWindow(tree);
        else
            view.m_hWnd = tree;
        clock.Lap("create a tree");
        g_Store.DispList(nullptr);
        clock.Lap("show the store in it");
        return 0;
    }
    CAddrDlg dialog(nullptr, g_Store);
    g_pDialog = &dialog;
    g_pClock = &clock;
    SetTimer(nullptr, 0, USER_TIMER_MINIMUM, Measure);
    dialog.DoModal();
    clock.Lap("close the window");
    return 0;
}
