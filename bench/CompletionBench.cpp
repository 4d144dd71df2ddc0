// Completion of the manual entry at scale, under Wine: a store of N addresses (Japanese
// names, romaji addresses at twenty domains), words typed into the real field one
// character at a time. Each keystroke is timed from the WM_CHAR to the drop-down painted
// with its rows; beside it the floor, the same list control filled with the same rows and
// painted. Then the window's opening with the index built inside it, the build alone, and
// the memory of the index beside the store's own. Typing starts 2.5 s after the window
// opened, when the index's keys are sorted.
//   bench_completion N [rounds]   (the words are typed rounds times, default 4)
// prints tab-separated lines:
//   keys <TAB> N <TAB> count <TAB> median ms <TAB> p99 ms <TAB> floor median <TAB> floor p99
//        <TAB> median <TAB> p99 of the list's rows up to date (before it is painted)
//   open <TAB> N <TAB> window open ms (index built in it) <TAB> index build ms on the window's
//        thread <TAB> ms more until its keys are sorted in the background
//   memory <TAB> N <TAB> store bytes <TAB> index bytes
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include "BenchClock.h"
#include "books/IniPath.h"
#include "bench/BenchApp.h"
#include "resources/resource.h"
#include "store/AddrBook.h"
#include "store/RecipientIndex.h"
#include "window/AddrDlg.h"

namespace {

const char* const kFamily[][2] = {{"山田", "yamada"},   {"佐藤", "sato"},     {"鈴木", "suzuki"}, {"高橋", "takahashi"},
                                  {"田中", "tanaka"},   {"伊藤", "ito"},      {"渡辺", "watanabe"}, {"山本", "yamamoto"},
                                  {"中村", "nakamura"}, {"小林", "kobayashi"}, {"加藤", "kato"},   {"吉田", "yoshida"},
                                  {"山口", "yamaguchi"}, {"松本", "matsumoto"}, {"井上", "inoue"}, {"木村", "kimura"}};
const char* const kGiven[][2] = {{"太郎", "taro"}, {"花子", "hanako"}, {"一郎", "ichiro"}, {"美咲", "misaki"},
                                 {"健", "ken"},    {"陽子", "yoko"},   {"翔", "sho"},       {"愛", "ai"}};
const char* const kWords[] = {"yamada.t", "山田 太", "suzuki", "ｔａｋａｈａ", "やまぐち", "ichiro.y"};

// N addresses in 100 folders of one book, each "山田 太郎 17 <yamada.taro.17@c3.example.jp>".
void Fill(CAddrBook& store, int count)
{
    ADTDATA* book = store.AddData(ADT_LOCAL_BOOK, "ベンチ", "bench.adr", nullptr, 0);
    ADTDATA* folder = nullptr;
    for (int i = 0; i < count; ++i) {
        if (i % (count / 100 + 1) == 0)
            folder = store.AddData(ADT_FOLDER, ("部署" + std::to_string(i)).c_str(), nullptr, book, PLACE_CHILD);
        unsigned mix = static_cast<unsigned>(i) * 2654435761u;
        const char* const* family = kFamily[mix % 16];
        const char* const* given = kGiven[(mix >> 8) % 8];
        std::string name = std::string(family[0]) + " " + given[0] + " " + std::to_string(i);
        std::string addr = std::string(family[1]) + "." + given[1] + "." + std::to_string(i) + "@c" +
                           std::to_string((mix >> 16) % 20) + ".example.jp";
        store.AddData(ADT_ADDR, name.c_str(), addr.c_str(), folder, PLACE_CHILD);
    }
}

size_t StoreBytes(const CAddrBook& store)
{
    size_t bytes = 0;
    for (ADTDATA* node = store.m_Root.pChild; node; node = NextPreOrder(node, &store.m_Root)) {
        bytes += sizeof(ADTDATA);
        bytes += node->psName ? std::strlen(node->psName) + 1 : 0;
        bytes += node->psAddr ? std::strlen(node->psAddr) + 1 : 0;
    }
    return bytes;
}

struct ListSearch {
    HWND owner;
    HWND list;
};

BOOL CALLBACK FindList(HWND popup, LPARAM data)
{
    ListSearch* search = reinterpret_cast<ListSearch*>(data);
    HWND list = FindWindowExA(popup, nullptr, WC_LISTVIEWA, nullptr);
    if (GetWindow(popup, GW_OWNER) == search->owner && list)
        search->list = list;
    return TRUE;
}

HWND CompletionList(HWND window)
{
    ListSearch search = {window, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindList, reinterpret_cast<LPARAM>(&search));
    return search.list;
}

// The floor: the rows the list shows now, put into the same control again and painted.
double FillFloor(HWND list)
{
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<std::pair<std::string, std::string>> rows;
    for (int row = 0; row < count; ++row) {
        char text[512] = "", where[512] = "";
        LVITEMA item = {};
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        item.iSubItem = 1;
        item.pszText = where;
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        rows.push_back({text, where});
    }
    Clock::time_point start = Clock::now();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < rows.size(); ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = &rows[i].first[0];
        int index = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        item.iItem = index;
        item.iSubItem = 1;
        item.pszText = &rows[i].second[0];
        SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
    return MsSince(start);
}

struct Run {
    CAddrBook store;
    int count = 0;
    int rounds = 4;
    CAddrDlg* dialog = nullptr;
    Clock::time_point opening;
    double openMs = 0;
    std::vector<double> keys, floors, updates;

    static Run* s_pRun;
    static void CALLBACK OnIdle(HWND, UINT, UINT_PTR timer, DWORD)
    {
        if (!IsWindowVisible(s_pRun->dialog->m_hWnd))
            return;
        KillTimer(nullptr, timer);
        s_pRun->openMs = MsSince(s_pRun->opening);
        // A user starts typing a moment after the window opened: by then the index's keys
        // are sorted (until they are, a lookup reads the whole folded text).
        Sleep(2500);
        s_pRun->TypeWords();
        SendMessageA(s_pRun->dialog->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
    }

    void TypeWords()
    {
        HWND window = dialog->m_hWnd;
        HWND field = GetDlgItem(window, IDC_MANUAL_ENTRY);
        SetFocus(field);
        for (int round = 0; round < rounds; ++round) {
            for (const char* word : kWords) {
                SetWindowTextA(field, "");
                wchar_t wide[64];
                int length = MultiByteToWideChar(932, 0, word, -1, wide, 64) - 1;
                for (int i = 0; i < length; ++i) {
                    Clock::time_point start = Clock::now();
                    SendMessageW(field, WM_CHAR, wide[i], 1);
                    updates.push_back(MsSince(start));
                    HWND list = CompletionList(window);
                    if (list && IsWindowVisible(list))
                        UpdateWindow(list);
                    keys.push_back(MsSince(start));
                    if (list && IsWindowVisible(list))
                        floors.push_back(FillFloor(list));
                }
            }
        }
    }

    void Open()
    {
        CAddrDlg window(nullptr, store);
        dialog = &window;
        s_pRun = this;
        opening = Clock::now();
        SetTimer(nullptr, 0, USER_TIMER_MINIMUM, OnIdle);
        window.DoModal();
        dialog = nullptr;
    }
};
Run* Run::s_pRun = nullptr;

// The bytes of every heap block in use, with the heap's own overhead of each block.
size_t PrivateBytes()
{
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    size_t bytes = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        PROCESS_HEAP_ENTRY entry = {};
        HeapLock(heaps[i]);
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                bytes += entry.cbData + entry.cbOverhead;
        }
        HeapUnlock(heaps[i]);
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv)
{
    Run run;
    run.count = argc > 1 ? std::atoi(argv[1]) : 100000;
    run.rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 4);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "velmora-completion-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::snprintf(g_szIniPath, sizeof g_szIniPath, "%svelmora.ini", folder.c_str());

    size_t before = PrivateBytes();
    Fill(run.store, run.count);
    size_t storePrivate = PrivateBytes() - before;
    run.Open();

    // The build alone, on the same store, and what it holds.
    CPickCounts picks;
    CRecipientIndex index(run.store, picks);
    before = PrivateBytes();
    Clock::time_point start = Clock::now();
    index.Attach();
    double buildMs = MsSince(start);
    start = Clock::now();
    index.WaitBuilt();
    double sortMs = MsSince(start);
    size_t indexPrivate = PrivateBytes() - before;

    std::printf("keys\t%d\t%zu\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\n", run.count, run.keys.size(),
                Percentile(run.keys, 0.5), Percentile(run.keys, 0.99), Percentile(run.floors, 0.5),
                Percentile(run.floors, 0.99), Percentile(run.updates, 0.5), Percentile(run.updates, 0.99));
    std::printf("open\t%d\t%.1f\t%.1f\t%.1f\n", run.count, run.openMs, buildMs, sortMs);
    std::printf("memory\t%d\t%zu\t%zu\t%zu\t%zu\n", run.count, StoreBytes(run.store), index.MemoryBytes(), storePrivate,
                indexPrivate);
    DeleteFileA((folder + "velmora.ini").c_str());
    DeleteFileA((folder + "velmora.picks").c_str());
    RemoveDirectoryA(folder.c_str());
    return 0;
}
