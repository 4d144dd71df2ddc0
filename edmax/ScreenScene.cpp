#include "edmax/ScreenScene.h"

#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include "resources/resource.h"

namespace {

HWND Tree(HWND book)
{
    return GetDlgItem(book, IDC_ADDR_TREE);
}

HTREEITEM NextItem(HWND tree, HTREEITEM item, UINT relation)
{
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

// Calls visit for item, its descendants and its following siblings, top to bottom.
template <typename Visit>
void ForEachItem(HWND tree, HTREEITEM item, Visit visit)
{
    for (; item; item = NextItem(tree, item, TVGN_NEXT)) {
        visit(item);
        ForEachItem(tree, NextItem(tree, item, TVGN_CHILD), visit);
    }
}

void ExpandAll(HWND tree)
{
    ForEachItem(tree, NextItem(tree, nullptr, TVGN_ROOT), [tree](HTREEITEM item) {
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    });
}

// The first item whose label begins with name.
HTREEITEM FindItem(HWND tree, const char* name)
{
    HTREEITEM found = nullptr;
    ForEachItem(tree, NextItem(tree, nullptr, TVGN_ROOT), [&](HTREEITEM item) {
        char text[256] = "";
        TVITEMA tvi = {};
        tvi.mask = TVIF_TEXT;
        tvi.hItem = item;
        tvi.pszText = text;
        tvi.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
        if (!found && std::strncmp(text, name, std::strlen(name)) == 0)
            found = item;
    });
    return found;
}

// The middle of an item's label, in the tree's client coordinates.
POINT LabelCenter(HWND tree, HTREEITEM item)
{
    RECT rect;
    std::memcpy(&rect, &item, sizeof item);
    SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

bool Select(HWND book, const char* name)
{
    HTREEITEM item = FindItem(Tree(book), name);
    if (item)
        SendMessageA(Tree(book), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    return item != nullptr;
}

// A click of one of the window's buttons, or a command of its menu bar (button 0).
void Post(HWND book, int command, int button = 0)
{
    HWND control = button ? GetDlgItem(book, button) : nullptr;
    PostMessageA(book, WM_COMMAND, MAKEWPARAM(button ? button : command, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
}

HWND WindowWithCaption(const std::vector<HWND>& windows, const char* caption)
{
    for (HWND window : windows) {
        char text[256] = "";
        GetWindowTextA(window, text, sizeof text);
        if (std::strcmp(text, caption) == 0)
            return window;
    }
    return nullptr;
}

HWND WindowOfClass(const std::vector<HWND>& windows, const char* className)
{
    for (HWND window : windows) {
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (std::strcmp(name, className) == 0)
            return window;
    }
    return nullptr;
}

HWND BookWindow(const std::vector<HWND>& windows)
{
    for (HWND window : windows) {
        if (Tree(window))
            return window;
    }
    return nullptr;
}

}  // namespace

CScreenScene::CScreenScene(const std::string& name, const std::string& readyFile)
    : m_sReadyFile(readyFile)
{
    m_steps.push_back([](const Stage& stage) {
        ExpandAll(Tree(stage.book));
        return true;
    });
    AddSceneSteps(name);
    AddReadySteps();
}

void CScreenScene::AddSceneSteps(const std::string& name)
{
    if (name == "pick") {
        // Two more recipients from the tree beside those the mail came with.
        m_steps.push_back([](const Stage& stage) {
            Select(stage.book, "田中 部長");
            Post(stage.book, 0, IDC_ADD_TO);
            return true;
        });
        m_steps.push_back([](const Stage& stage) {
            Select(stage.book, "佐藤 健");
            Post(stage.book, 0, IDC_ADD_BCC);
            return true;
        });
        m_steps.push_back([](const Stage& stage) { return Select(stage.book, "山田 一郎"); });
    } else if (name == "browse") {
        m_steps.push_back([](const Stage& stage) { return Select(stage.book, "鈴木 美咲"); });
    } else if (name == "address" || name == "folder" || name == "book") {
        struct Dialog {
            const char* item;
            int command;
            const char* caption;
        };
        const Dialog dialog = name == "address" ? Dialog{"山田 一郎", ID_ADDR_EDIT, "アドレス情報の登録・編集"}
                              : name == "folder" ? Dialog{"仕事", ID_FOLDER_NEW, "フォルダの新規作成"}
                                                 : Dialog{"デモ", ID_BOOK_EDIT, "アドレスブックの登録・編集"};
        m_steps.push_back([dialog](const Stage& stage) {
            Select(stage.book, dialog.item);
            Post(stage.book, dialog.command);
            return true;
        });
        m_steps.push_back([dialog](const Stage& stage) {
            HWND window = WindowWithCaption(stage.windows, dialog.caption);
            if (window && GetDlgItem(window, IDC_FOLDER_NAME))
                SetDlgItemTextA(window, IDC_FOLDER_NAME, "取引先");
            return window != nullptr;
        });
    } else if (name == "menu") {
        // The tree's right click, as the control reports it, with the pointer on an address.
        m_steps.push_back([](const Stage& stage) {
            HWND tree = Tree(stage.book);
            HTREEITEM item = FindItem(tree, "山田 花子");
            if (!item)
                return false;
            POINT point = LabelCenter(tree, item);
            ClientToScreen(tree, &point);
            SetCursorPos(point.x, point.y);
            static NMHDR click;
            click = {tree, IDC_ADDR_TREE, static_cast<UINT>(NM_RCLICK)};
            PostMessageA(stage.book, WM_NOTIFY, IDC_ADDR_TREE, reinterpret_cast<LPARAM>(&click));
            return true;
        });
        m_steps.push_back([](const Stage& stage) { return WindowOfClass(stage.windows, "#32768") != nullptr; });
    } else if (name == "find") {
        // Ctrl+F's dialog beside the window, after a search that wrapped round to a match.
        m_steps.push_back([](const Stage& stage) {
            Select(stage.book, "鈴木 美咲");
            Post(stage.book, ID_FIND);
            return true;
        });
        m_steps.push_back([](const Stage& stage) {
            HWND find = WindowWithCaption(stage.windows, "検索");
            if (!find)
                return false;
            SetDlgItemTextA(find, IDC_FIND_TEXT, "yamada");
            Post(find, IDC_FIND_NEXT_BUTTON);
            return true;
        });
    } else if (name == "directory") {
        // The global book "社内ディレクトリ" filled by the update command from the LDAP
        // directory that scripts/run started, its summary answered, its folders open.
        m_steps.push_back([](const Stage& stage) {
            Post(stage.book, ID_BOOK_UPDATE);
            return true;
        });
        m_steps.push_back([](const Stage& stage) {
            for (HWND window : stage.windows) {
                if (window != stage.book && GetDlgItem(window, 0xFFFF) && !GetDlgItem(window, IDC_UPDATE_COUNT)) {
                    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                    return true;
                }
            }
            return false;
        });
        m_steps.push_back([](const Stage& stage) { return stage.windows.size() == 1 && Select(stage.book, "本社"); });
        m_steps.push_back([](const Stage& stage) {
            HWND tree = Tree(stage.book);
            for (const char* name : {"本社", "開発部"}) {
                SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FindItem(tree, name)));
            }
            SendMessageA(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE,
                         reinterpret_cast<LPARAM>(FindItem(tree, "社内ディレクトリ")));
            return true;
        });
    } else if (name == "complete") {
        // "山田" typed into the manual entry, the drop-down of matches open with the first
        // one chosen.
        m_steps.push_back([](const Stage& stage) {
            HWND field = GetDlgItem(stage.book, IDC_MANUAL_ENTRY);
            SetFocus(field);
            for (const wchar_t* c = L"\u5C71\u7530"; *c; ++c)
                SendMessageW(field, WM_CHAR, *c, 1);
            return true;
        });
        m_steps.push_back([](const Stage& stage) {
            PostMessageA(GetDlgItem(stage.book, IDC_MANUAL_ENTRY), WM_KEYDOWN, VK_DOWN, 1);
            return true;
        });
        m_steps.push_back([](const Stage& stage) { return stage.windows.size() == 2; });
    } else if (name == "drag") {
        // The address is selected, the button goes down on it and the pointer moves off it
        // (queued first: the control's drag check reads the queue), then over a folder of
        // another branch.
        m_steps.push_back([](const Stage& stage) { return Select(stage.book, "田中 部長"); });
        m_steps.push_back([](const Stage& stage) {
            HWND tree = Tree(stage.book);
            HTREEITEM source = FindItem(tree, "田中 部長");
            HTREEITEM target = FindItem(tree, "家族");
            if (!source || !target)
                return false;
            POINT from = LabelCenter(tree, source);
            POINT over = LabelCenter(tree, target);
            PostMessageA(tree, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from.x + 20, from.y - 20));
            SendMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
            SendMessageA(tree, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(over.x, over.y));
            return true;
        });
        m_steps.push_back([](const Stage& stage) { return GetCapture() == Tree(stage.book); });
    }
}

void CScreenScene::AddReadySteps()
{
    m_steps.push_back([](const Stage& stage) {
        for (HWND window : stage.windows)
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        return true;
    });
    m_steps.push_back([this](const Stage& stage) { return WriteReadyFile(stage.windows); });
    m_steps.push_back([this](const Stage&) {
        return GetFileAttributesA(m_sReadyFile.c_str()) == INVALID_FILE_ATTRIBUTES;
    });
    m_steps.push_back([](const Stage&) {
        EndMenu();
        return true;
    });
}

bool CScreenScene::Step(const std::vector<HWND>& pluginWindows)
{
    HWND book = BookWindow(pluginWindows);
    if (!book)
        return false;
    // One step a tick: what a step posts is handled before the next tick comes.
    Stage stage{book, pluginWindows};
    if (m_nStep < m_steps.size() && m_steps[m_nStep](stage))
        ++m_nStep;
    return m_nStep == m_steps.size();
}

// Written whole under another name and then renamed, so the reader never sees half of it.
bool CScreenScene::WriteReadyFile(const std::vector<HWND>& windows) const
{
    RECT all = {};
    for (HWND window : windows) {
        RECT rect;
        GetWindowRect(window, &rect);
        UnionRect(&all, &all, &rect);
    }
    char geometry[64];
    int length = std::snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld\n", all.right - all.left,
                               all.bottom - all.top, all.left, all.top);
    std::string partial = m_sReadyFile + ".part";
    HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, geometry, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
    return ok && MoveFileExA(partial.c_str(), m_sReadyFile.c_str(), MOVEFILE_REPLACE_EXISTING);
}
