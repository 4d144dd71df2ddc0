// The address book window at scale, under Wine: every user action on a book of N addresses
// in ten folders, each beside its floor, the bare controls of the same dialog template
// doing the same comctl32 work (CBareWindow) or raw file I/O, measured in the same run.
//   bench_window N [repeats]          (repeats 1 to 3, default 3)
// prints, per action, the median of the repeats:
//   row <TAB> action <TAB> N <TAB> action ms <TAB> floor ms
// and the memory the book of N addresses takes as it is opened, and its nodes, names and
// addresses alone (without the base kept for a merge):
//   memory <TAB> N <TAB> book bytes <TAB> file bytes <TAB> nodes <TAB> nodes and texts bytes
//   basememory <TAB> N <TAB> bytes of the merge's base of the same file <TAB> file bytes
// bench/run turns the rows of several N into one table.
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include "BareWindow.h"
#include "BenchClock.h"
#include "BenchBook.h"
#include "bench/BenchApp.h"
#include "resources/resource.h"
#include "store/AddrBook.h"
#include "books/IniPath.h"
#include "merge/BookBase.h"
#include "window/AddrDlg.h"
#include "window/SendEntries.h"

namespace {

const char kBookName[] = "ベンチ";
const int kCreated = 100;

double Time(const std::function<void()>& work)
{
    Clock::time_point start = Clock::now();
    work();
    return MsSince(start);
}

// Samples by action, in the order the actions were first measured.
std::vector<std::string> g_Order;
std::map<std::string, std::vector<std::pair<double, double>>> g_Samples;

void Record(const std::string& action, double actionMs, double floorMs)
{
    if (!g_Samples.count(action))
        g_Order.push_back(action);
    g_Samples[action].push_back({actionMs, floorMs});
}

// The process's committed private memory, region by region: the heap's own overhead and
// slack included, as the store really costs it.
SIZE_T PrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* address = nullptr;
         VirtualQuery(address, &region, sizeof region) == sizeof region;
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < address)
            break;
    }
    return total;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::string ReadFile(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    std::string bytes;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}

ADTDATA* ChildNamed(ADTDATA* parent, const std::string& name)
{
    for (ADTDATA* child = parent->pChild; child; child = child->pNext) {
        if (child->psName && name == child->psName)
            return child;
    }
    return nullptr;
}

std::string FolderName(int index)
{
    return "フォルダ" + std::to_string(index);
}

struct Bench {
    int count = 0;
    int repeats = 1;
    std::string folder, bookPath, importPath;
    CAddrBook store;
    ADTDATA* book = nullptr;
    CAddrDlg* dialog = nullptr;
    Clock::time_point opening;
    double openMs = 0;

    HWND Tree() const { return dialog->m_AddrTree.m_hWnd; }

    // The send-list entries a folder adds, where the window puts them.
    static std::vector<CBareWindow::Entry> FolderEntries(ADTDATA* source)
    {
        std::vector<CBareWindow::Entry> entries;
        CSendEntries model;
        for (ADTDATA* node = source->pChild; node; node = NextPreOrder(node, source)) {
            for (const std::string& text : SendListRules::NodeEntries(node)) {
                if (model.Blocks(SEND_TO, SendListRules::AddressKey(text)))
                    continue;
                int32_t key = SendListRules::SortKey(SEND_TO, text);
                size_t position = model.PositionFor(key);
                model.Insert(SendListRules::Prefix(SEND_TO) + text, key);
                entries.push_back({static_cast<int>(position), SendListRules::Prefix(SEND_TO) + text, key});
            }
        }
        return entries;
    }

    void SendListActions(CBareWindow& bare)
    {
        std::vector<double> ownMs;
        for (int r = 0; r < repeats; ++r) {
            ADTDATA* source = ChildNamed(book, FolderName(r));
            std::vector<CBareWindow::Entry> entries = FolderEntries(source);
            double floorMs = Time([&] { bare.InsertEntries(entries); });
            bare.ClearEntries();
            double actionMs = Time([&] { dialog->InsertFolderAll(SEND_TO, source); });
            if (dialog->m_SendList.GetItemCount() != static_cast<int>(entries.size()))
                std::fprintf(stderr, "send list: %d entries, expected %zu\n", dialog->m_SendList.GetItemCount(),
                             entries.size());
            dialog->DeleteAllEntries();
            Record("send list: add a folder of N/10", actionMs, floorMs);
            // The floor's inserts into the window's own list: what the control costs there.
            CBareWindow own;
            std::swap(own.m_hList, dialog->m_SendList.m_hWnd);
            ownMs.push_back(Time([&] { own.InsertEntries(entries); }));
            std::swap(own.m_hList, dialog->m_SendList.m_hWnd);
            dialog->DeleteAllEntries();
        }
        std::printf("part\tsend list: the floor's inserts into the window's own list\t%d\t%.1f\n", count, Median(ownMs));
    }

    void CreateActions(CBareWindow& bare, HTREEITEM bareBook)
    {
        for (int r = 0; r < repeats; ++r) {
            std::vector<BenchBook::ItemRecord> records;
            for (int i = 0; i < kCreated; ++i) {
                std::string label = "新規 " + std::to_string(i) + " <new" + std::to_string(i) + "@example.jp>";
                records.push_back({-1, label, 0, 1, MakeItemData(ADT_ADDR, 0), false});
            }
            double floorMs = Time([&] {
                for (const BenchBook::ItemRecord& record : records)
                    bare.Insert({record}, bareBook);
            });
            double actionMs = Time([&] {
                for (int i = 0; i < kCreated; ++i) {
                    dialog->AddAddressToBook(kBookName, "新規 " + std::to_string(i),
                                             "new" + std::to_string(i) + "@example.jp");
                }
            });
            Record("create 100 addresses in the book", actionMs, floorMs);
        }
    }

    POINT RowMiddle(ADTDATA* node) const
    {
        SendMessageA(Tree(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node->hItem));
        RECT row;
        dialog->m_AddrTree.GetItemRect(node->hItem, &row, FALSE);
        return {row.left + 40, (row.top + row.bottom) / 2};
    }

    // Drags source onto the middle of target as the mouse does: into it, last.
    void Drag(ADTDATA* source, ADTDATA* target)
    {
        POINT from = RowMiddle(source);
        POINT to = RowMiddle(target);
        NMTREEVIEWA begin = {};
        begin.hdr = {Tree(), IDC_ADDR_TREE, static_cast<UINT>(TVN_BEGINDRAGA)};
        begin.itemNew.hItem = source->hItem;
        begin.ptDrag = from;
        SendMessageA(dialog->m_hWnd, WM_NOTIFY, IDC_ADDR_TREE, reinterpret_cast<LPARAM>(&begin));
        SendMessageA(Tree(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
        SendMessageA(Tree(), WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    }

    void DragActions(CBareWindow& bare, std::vector<HTREEITEM>& bareFolders)
    {
        ADTDATA* first = ChildNamed(book, FolderName(0));
        SendMessageA(Tree(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(first->hItem));
        SendMessageA(bare.m_hTree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(bareFolders[0]));
        for (int r = 0; r < repeats; ++r) {
            int from = 1 + 2 * r, to = 2 + 2 * r;
            ADTDATA* source = ChildNamed(book, FolderName(from));
            ADTDATA* target = ChildNamed(book, FolderName(to));
            std::vector<BenchBook::ItemRecord> records = BenchBook::Records(source);
            double floorMs = Time([&] {
                bare.Insert(records, bareFolders[to]);
                bare.Delete(bareFolders[from]);
            });
            double actionMs = Time([&] { Drag(source, target); });
            ADTDATA* moved = target->pLastChild;
            if (ChildNamed(book, FolderName(from)) || !moved || moved->nChild != count / BenchBook::kFolders)
                std::fprintf(stderr, "drag: the folder did not move\n");
            Record("drag a folder of N/10 into another", actionMs, floorMs);
        }
    }

    // F3 from the top of the store to the last address of the last folder: the store walked
    // node by node, then the address opened, selected and scrolled into view. Its floor:
    // strstr over the same names and addresses kept in an array, and the same opening and
    // selecting in the bare tree.
    void FindAction(CBareWindow& bare, HTREEITEM bareFolder, HTREEITEM bareAddress)
    {
        ADTDATA* last = ChildNamed(book, FolderName(BenchBook::kFolders - 1))->pLastChild;
        std::string text = last->psAddr;
        std::vector<const char*> texts;
        for (ADTDATA* node = store.FirstBook(); node; node = NextPreOrder(node, &store.m_Root)) {
            texts.push_back(node->psName ? node->psName : "");
            texts.push_back(node->psAddr ? node->psAddr : "");
        }
        double floorMs = Time([&] {
            size_t at = 0;
            while (at < texts.size() && !std::strstr(texts[at], text.c_str()))
                ++at;
            SendMessageA(bare.m_hTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(bareFolder));
            SendMessageA(bare.m_hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(bareAddress));
            SendMessageA(bare.m_hTree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(bareAddress));
        });
        SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(book->hItem));
        dialog->OnFind();
        SetDlgItemTextA(dialog->m_FindDlg.m_hWnd, IDC_FIND_TEXT, text.c_str());
        double actionMs = Time([&] { dialog->OnFindAgain(true); });
        if (dialog->SelectedNode() != last)
            std::fprintf(stderr, "find: the wrong node is selected\n");
        Record("find (F3) the last address", actionMs, floorMs);
    }

    void DeleteActions(CBareWindow& bare, std::vector<HTREEITEM>& bareFolders)
    {
        for (int r = 0; r < repeats; ++r) {
            int index = BenchBook::kFolders - 1 - r;
            ADTDATA* victim = ChildNamed(book, FolderName(index));
            // Selected first in both, as the command deletes the selected folder.
            SendMessageA(bare.m_hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(bareFolders[index]));
            double floorMs = Time([&] { bare.Delete(bareFolders[index]); });
            SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(victim->hItem));
            double actionMs = Time([&] { dialog->DeleteFolder(false); });
            if (ChildNamed(book, FolderName(index)))
                std::fprintf(stderr, "delete: the folder is still there\n");
            Record("delete a folder of N/10", actionMs, floorMs);
        }
    }

    void ImportActions(CBareWindow& bare)
    {
        CAddrBook shape;
        ADTDATA* shapeBook = shape.AddData(ADT_LOCAL_BOOK, "import.adr", importPath.c_str(), nullptr, 0);
        FILE* file = std::fopen(importPath.c_str(), "rb");
        shape.ReadList(shapeBook, file);
        std::fclose(file);
        std::vector<BenchBook::ItemRecord> records = BenchBook::Records(shapeBook);
        std::vector<double> readMs;
        for (int r = 0; r < repeats; ++r) {
            CAddrBook scratch;
            ADTDATA* scratchBook = scratch.AddData(ADT_LOCAL_BOOK, "scratch", importPath.c_str(), nullptr, 0);
            readMs.push_back(Time([&] {
                FILE* input = std::fopen(importPath.c_str(), "rb");
                scratch.ReadList(scratchBook, input);
                std::fclose(input);
            }));
        }
        std::printf("part\timport: reading the file into the store, no window\t%d\t%.1f\n", count, Median(readMs));
        for (int r = 0; r < repeats; ++r) {
            std::vector<HTREEITEM> items;
            double floorMs = Time([&] {
                std::string bytes = ReadFile(importPath);
                items = bare.Insert(records, nullptr);
            });
            bare.Delete(items[0]);
            ADTDATA* imported = nullptr;
            double actionMs = Time([&] { imported = dialog->ImportAddressFile(importPath); });
            if (!imported || imported->nChild != BenchBook::kFolders)
                std::fprintf(stderr, "import: the book was not read\n");
            store.DeleteData(imported);
            Record("import a file of N", actionMs, floorMs);
        }
    }

    // The bare tree's folder items, by folder number, from the store's current shape.
    std::vector<HTREEITEM> ShowBare(CBareWindow& bare, HTREEITEM* bareBook)
    {
        std::vector<BenchBook::ItemRecord> records = BenchBook::Records(book);
        std::vector<HTREEITEM> items = bare.Insert(records, nullptr);
        std::vector<HTREEITEM> folders(BenchBook::kFolders);
        for (size_t i = 0; i < records.size(); ++i) {
            for (int f = 0; f < BenchBook::kFolders; ++f) {
                if (records[i].parent == 0 && records[i].text == FolderName(f))
                    folders[f] = items[i];
            }
        }
        *bareBook = items[0];
        return folders;
    }

    size_t BookBytes()
    {
        FILE* out = std::tmpfile();
        store.WriteList(book->pChild, out, 0);
        long bytes = std::ftell(out);
        std::fclose(out);
        return static_cast<size_t>(bytes);
    }

    // One opening of the window: timed from the start of DoModal to the first turn of its
    // message loop, then work runs inside it.
    static const std::function<void()>* s_pWork;
    static CAddrDlg* s_pDialog;
    // Runs the work once the window is on the screen: the dialog box shows itself only when
    // its message loop first finds nothing to do.
    static void CALLBACK RunWork(HWND, UINT, UINT_PTR timer, DWORD)
    {
        if (!IsWindowVisible(s_pDialog->m_hWnd))
            return;
        KillTimer(nullptr, timer);
        (*s_pWork)();
    }

    void RunWindow(const std::function<void()>& work)
    {
        s_pWork = &work;
        CAddrDlg window(nullptr, store);
        dialog = &window;
        s_pDialog = &window;
        opening = Clock::now();
        SetTimer(nullptr, 0, USER_TIMER_MINIMUM, RunWork);
        window.DoModal();
        dialog = nullptr;
    }

    void OpenActionsAndClose(int session)
    {
        double floorOpenMs = Time([&] {
            CBareWindow bare;
            HTREEITEM bareBook = nullptr;
            ShowBare(bare, &bareBook);
            bare.Show();
        });
        Clock::time_point closing;
        RunWindow([&] {
            Record("open the window on N", MsSince(opening), floorOpenMs);
            if (session == 0) {
                CBareWindow bare;
                HTREEITEM bareBook = nullptr;
                std::vector<HTREEITEM> bareFolders = ShowBare(bare, &bareBook);
                bare.Show();
                HTREEITEM bareLastAddress = bare.m_hLastInserted;
                SendListActions(bare);
                CreateActions(bare, bareBook);
                DragActions(bare, bareFolders);
                FindAction(bare, bareFolders[BenchBook::kFolders - 1], bareLastAddress);
                std::printf("part\tsave: writing the book to a file\t%d\t%.1f\n", count, Time([&] { BookBytes(); }));
            }
            book->bModified = 1;
            closing = Clock::now();
            SendMessageA(dialog->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
        });
        double closeMs = MsSince(closing);
        Record("close and save N", closeMs, CloseFloor());
    }

    // What closing needs of the platform: the same settings written key by key through the
    // profile functions, the book's bytes written in one go, a window holding the same
    // items destroyed.
    double CloseFloor()
    {
        std::vector<std::pair<std::string, std::pair<std::string, std::string>>> settings;
        for (const char* section : {"config", "AddressBook"}) {
            std::vector<char> lines(65536);
            GetPrivateProfileSectionA(section, lines.data(), static_cast<DWORD>(lines.size()), g_szIniPath);
            for (const char* line = lines.data(); *line; line += std::strlen(line) + 1) {
                std::string text = line;
                size_t equals = text.find('=');
                settings.push_back({section, {text.substr(0, equals), text.substr(equals + 1)}});
            }
        }
        std::string bytes(BookBytes(), 'x');
        std::string scratchIni = folder + "floor.ini";
        CBareWindow* bare = new CBareWindow;
        HTREEITEM bareBook = nullptr;
        ShowBare(*bare, &bareBook);
        bare->Show();
        return Time([&] {
            for (const auto& setting : settings) {
                WritePrivateProfileStringA(setting.first.c_str(), setting.second.first.c_str(),
                                           setting.second.second.c_str(), scratchIni.c_str());
            }
            WriteFile(folder + "raw.bin", bytes);
            delete bare;
        });
    }

    // Wine's tree looks every item that a message names up among all its items, in the
    // order they were inserted: a message about an item inserted late costs a walk of the
    // whole tree. Inserts under a new book or folder pay it (import, drag), and so does
    // every deleted item.
    void WineItemLookups(CBareWindow& bare, HTREEITEM oldest, HTREEITEM newest)
    {
        const int messages = 1000;
        for (HTREEITEM item : {oldest, newest}) {
            double ms = Time([&] {
                for (int i = 0; i < messages; ++i)
                    SendMessageA(bare.m_hTree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item));
            });
            std::printf("part\tWine: 1,000 messages on the item inserted %s\t%d\t%.1f\n",
                        item == oldest ? "first" : "last", count, ms);
        }
    }

    void DeleteAndImport()
    {
        RunWindow([&] {
            CBareWindow bare;
            HTREEITEM bareBook = nullptr;
            std::vector<HTREEITEM> bareFolders = ShowBare(bare, &bareBook);
            bare.Show();
            WineItemLookups(bare, bareBook, bare.m_hLastInserted);
            DeleteActions(bare, bareFolders);
            ImportActions(bare);
            dialog->EndDialog(IDCANCEL);
        });
    }

    void Load()
    {
        std::string text = BenchBook::FileText(count);
        WriteFile(bookPath, text);
        WriteFile(importPath, text);
        SIZE_T before = PrivateBytes();
        book = store.AddBookFromFile(kBookName, bookPath.c_str());
        SIZE_T after = PrivateBytes();
        int nodes = 1;
        for (ADTDATA* node = book->pChild; node; node = NextPreOrder(node, book))
            ++nodes;
        // The nodes, names and addresses alone, without the base that the book keeps for a
        // merge: the same text read into a store of its own.
        CAddrBook* alone = new CAddrBook;
        ADTDATA* aloneBook = alone->AddData(ADT_LOCAL_BOOK, kBookName, bookPath.c_str(), nullptr, 0);
        SIZE_T beforeAlone = PrivateBytes();
        alone->ReadText(aloneBook, text);
        SIZE_T afterAlone = PrivateBytes();
        delete alone;
        std::printf("memory\t%d\t%lu\t%zu\t%d\t%lu\n", count, static_cast<unsigned long>(after - before), text.size(),
                    nodes, static_cast<unsigned long>(afterAlone - beforeAlone));
        // The merge's base of the same file on its own (the store above holds one too).
        {
            before = PrivateBytes();
            CBookBase base;
            base.Capture(text);
            after = PrivateBytes();
            std::printf("basememory\t%d\t%lu\t%zu\n", count, static_cast<unsigned long>(after - before), text.size());
        }
        book->bExpand = 1;
        book->pChild->bExpand = 1;
    }
};

const std::function<void()>* Bench::s_pWork = nullptr;
CAddrDlg* Bench::s_pDialog = nullptr;

}  // namespace

int main(int argc, char** argv)
{
    // bench_window --write-book N PATH: only writes the book of N addresses (for the
    // stand-in's memory measurement in bench/run).
    if (argc == 4 && std::string(argv[1]) == "--write-book") {
        WriteFile(argv[3], BenchBook::FileText(std::atoi(argv[2])));
        return 0;
    }
    Bench bench;
    bench.count = argc > 1 ? std::atoi(argv[1]) : 10000;
    bench.repeats = std::min(3, std::max(1, argc > 2 ? std::atoi(argv[2]) : 3));
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    bench.folder = std::string(temp) + "velmora-bench-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(bench.folder.c_str(), nullptr);
    std::snprintf(g_szIniPath, sizeof g_szIniPath, "%svelmora.ini", bench.folder.c_str());
    bench.bookPath = bench.folder + "bench.adr";
    bench.importPath = bench.folder + "import.adr";

    bench.Load();
    for (int session = 0; session < bench.repeats; ++session)
        bench.OpenActionsAndClose(session);
    bench.DeleteAndImport();

    for (const std::string& action : g_Order) {
        std::vector<double> actions, floors;
        for (const auto& sample : g_Samples[action]) {
            actions.push_back(sample.first);
            floors.push_back(sample.second);
        }
        std::printf("row\t%s\t%d\t%.1f\t%.1f\n", action.c_str(), bench.count, Median(actions), Median(floors));
    }
    for (const char* name : {"bench.adr", "import.adr", "raw.bin", "velmora.ini", "floor.ini"})
        DeleteFileA((bench.folder + name).c_str());
    RemoveDirectoryA(bench.folder.c_str());
    return 0;
}
