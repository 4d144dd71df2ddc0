// CBareWindow: the address book window's dialog template with no Velmora code behind it.
// Its tree and list controls do, message by message, the least that each user action
// needs of comctl32: the floor that the benchmarks measure Velmora against.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "BenchBook.h"

class CBareWindow {
public:
    CBareWindow();
    ~CBareWindow();
    CBareWindow(const CBareWindow&) = delete;
    CBareWindow& operator=(const CBareWindow&) = delete;

    // Creates the window hidden, as a dialog box is until its items are in.
    void Show();

    HWND m_hTree = nullptr;
    HWND m_hList = nullptr;
    HTREEITEM m_hLastInserted = nullptr;

    // Inserts the records under parent (0: top level), the first one after after and the
    // rest last, expanding items as the store does; returns the new items by record.
    std::vector<HTREEITEM> Insert(const std::vector<BenchBook::ItemRecord>& records, HTREEITEM parent,
                                  HTREEITEM after = TVI_LAST);
    void Delete(HTREEITEM item) { SendMessageA(m_hTree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)); }

    struct Entry {
        int position;
        std::string text;
        LPARAM key;
    };
    // Inserts entries into the list with redraw off, as the window adds a folder.
    void InsertEntries(const std::vector<Entry>& entries);
    void ClearEntries() { SendMessageA(m_hList, LVM_DELETEALLITEMS, 0, 0); }

private:
    HWND m_hWnd = nullptr;
    HIMAGELIST m_hImages = nullptr;
};
