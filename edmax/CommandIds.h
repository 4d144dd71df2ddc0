// Command and control ids of the editing screen. Plug-in items use the temporary ids from
// CTempIdTable (40000 and up), so everything here stays below that; 1 and 2 are left out
// because IsDialogMessage sends IDOK/IDCANCEL for Enter and Esc.
#pragma once
#include "edmax/PluginAbi.h"

enum CommandId : unsigned {
    IDM_FILE_NEW = 100,
    IDM_FILE_EXIT,

    IDM_EDIT_UNDO = 200,
    IDM_EDIT_CUT,
    IDM_EDIT_COPY,
    IDM_EDIT_PASTE,
    IDM_EDIT_PASTE_QUOTED,
    IDM_EDIT_DELETE,
    IDM_EDIT_SELECT_ALL,

    // Address book in each mode: IDM_BOOK_BROWSE + EdhBookMode. The header buttons use these
    // ids too, so a click arrives like the menu item.
    IDM_BOOK_BROWSE = 300 + BOOK_BROWSE,
    IDM_BOOK_TO = 300 + BOOK_TO,
    IDM_BOOK_CC = 300 + BOOK_CC,
    IDM_BOOK_BCC = 300 + BOOK_BCC,
    IDM_BOOK_REPLY_TO = 300 + BOOK_REPLY_TO,

    IDM_VIEW_TOOLBAR = 400,
    IDM_VIEW_STATUSBAR,

    IDM_HELP_PLUGIN = 500,
    IDM_HELP_ABOUT,

    // The menu for a mail address in the body.
    IDM_ADDR_ADD_TO = 600,
    IDM_ADDR_ADD_CC,
    IDM_ADDR_ADD_BCC,
    IDM_ADDR_COPY,

    IDC_TOOLBAR = 1000,
    IDC_STATUSBAR,
    IDC_SUBJECT_LABEL,
    IDC_FIELD_FIRST = 1100,  // + ComposeField: the edit controls
};
