// Builds the menus of the editing screen. Each call returns a new menu, so the context menus
// are made afresh before every showing and the plug-in changes them from a clean state.
#pragma once
#include <windows.h>

class CMenuFactory {
public:
    // The menu bar; *phTools and *phSettings receive its "ツール" and "設定" menus, the two
    // that plug-ins add to (menu kinds 3 and 7).
    static HMENU CreateMenuBar(HMENU* phTools, HMENU* phSettings);

    // Right-click in the body (menu kind 9). Position 9 is the address book item, which a
    // plug-in may take over.
    static HMENU CreateBodyMenu();

    // Right-click on a mail address in the body (menu kind 11). Position 3 is the address book
    // item, which a plug-in may take over.
    static HMENU CreateAddressMenu();
};
