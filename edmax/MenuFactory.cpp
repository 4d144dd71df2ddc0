#include "edmax/MenuFactory.h"

#include "edmax/CommandIds.h"

namespace {

void Item(HMENU hMenu, UINT id, const char* text)
{
    AppendMenuA(hMenu, MF_STRING, id, text);
}

void Separator(HMENU hMenu)
{
    AppendMenuA(hMenu, MF_SEPARATOR, 0, nullptr);
}

void Popup(HMENU hBar, HMENU hPopup, const char* text)
{
    AppendMenuA(hBar, MF_POPUP, reinterpret_cast<UINT_PTR>(hPopup), text);
}

// The editing commands, shared by the 編集 menu and the body's context menu.
void EditItems(HMENU hMenu)
{
    Item(hMenu, IDM_EDIT_UNDO, "元に戻す(&U)\tCtrl+Z");
    Separator(hMenu);
    Item(hMenu, IDM_EDIT_CUT, "切り取り(&T)\tCtrl+X");
    Item(hMenu, IDM_EDIT_COPY, "コピー(&C)\tCtrl+C");
    Item(hMenu, IDM_EDIT_PASTE, "貼り付け(&P)\tCtrl+V");
    Item(hMenu, IDM_EDIT_PASTE_QUOTED, "引用符を付けて貼り付け(&Q)\tCtrl+Shift+V");
    Item(hMenu, IDM_EDIT_DELETE, "削除(&D)\tDel");
    Item(hMenu, IDM_EDIT_SELECT_ALL, "すべて選択(&A)\tCtrl+A");
}

}  // namespace

HMENU CMenuFactory::CreateMenuBar(HMENU* phTools, HMENU* phSettings)
{
    HMENU hFile = CreatePopupMenu();
    Item(hFile, IDM_FILE_NEW, "新規作成(&N)\tCtrl+N");
    Separator(hFile);
    Item(hFile, IDM_FILE_EXIT, "終了(&X)");

    HMENU hEdit = CreatePopupMenu();
    EditItems(hEdit);

    HMENU hTools = CreatePopupMenu();
    Item(hTools, IDM_BOOK_BROWSE, "アドレス帳(&B)...\tCtrl+B");
    Separator(hTools);
    Item(hTools, IDM_BOOK_TO, "宛先をアドレス帳から選択(&T)...");
    Item(hTools, IDM_BOOK_CC, "CC をアドレス帳から選択(&C)...");
    Item(hTools, IDM_BOOK_BCC, "BCC をアドレス帳から選択(&D)...");
    Item(hTools, IDM_BOOK_REPLY_TO, "ReplyTo をアドレス帳から選択(&R)...");

    HMENU hSettings = CreatePopupMenu();
    Item(hSettings, IDM_VIEW_TOOLBAR, "ツールバーを表示(&T)");
    Item(hSettings, IDM_VIEW_STATUSBAR, "ステータスバーを表示(&S)");

    HMENU hHelp = CreatePopupMenu();
    Item(hHelp, IDM_HELP_PLUGIN, "プラグイン情報(&P)...");
    Separator(hHelp);
    Item(hHelp, IDM_HELP_ABOUT, "バージョン情報(&A)...");

    HMENU hBar = CreateMenu();
    Popup(hBar, hFile, "ファイル(&F)");
    Popup(hBar, hEdit, "編集(&E)");
    Popup(hBar, hTools, "ツール(&T)");
    Popup(hBar, hSettings, "設定(&O)");
    Popup(hBar, hHelp, "ヘルプ(&H)");
    *phTools = hTools;
    *phSettings = hSettings;
    return hBar;
}

HMENU CMenuFactory::CreateBodyMenu()
{
    HMENU hMenu = CreatePopupMenu();
    EditItems(hMenu);                                         // positions 0-7
    Separator(hMenu);                                         // 8
    Item(hMenu, IDM_BOOK_BROWSE, "アドレス帳を開く(&B)...");  // 9
    return hMenu;
}

HMENU CMenuFactory::CreateAddressMenu()
{
    HMENU hMenu = CreatePopupMenu();
    Item(hMenu, IDM_ADDR_ADD_TO, "宛先に追加(&T)");              // 0
    Item(hMenu, IDM_ADDR_ADD_CC, "CC に追加(&C)");               // 1
    Item(hMenu, IDM_ADDR_ADD_BCC, "BCC に追加(&D)");             // 2
    Item(hMenu, IDM_BOOK_BROWSE, "アドレス帳を開く(&B)...");     // 3
    Separator(hMenu);
    Item(hMenu, IDM_ADDR_COPY, "アドレスをコピー(&O)");
    Item(hMenu, IDM_EDIT_SELECT_ALL, "すべて選択(&A)\tCtrl+A");
    return hMenu;
}
