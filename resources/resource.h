// Resource ids of the plug-in module: dialog templates, menus, the image strip and the
// icon, and the ids of their controls and commands.
#pragma once

// Dialog templates and menus.
#define IDD_ADDRBOOK          14000
#define IDR_ADDRBOOK_MENU     14001
#define IDD_BOOK_EDIT         14002
#define IDD_ADDR_EDIT         14004
#define IDB_TREE_IMAGES       14007
#define IDI_VELMORA           14008
#define IDD_FOLDER_EDIT       14009
#define IDR_RBUTTON_MENU      129
#define IDD_FIND              14020
#define IDR_FIND_KEYS         14021
#define IDD_UPDATE_PROGRESS   14029

// The address book window.
#define IDC_ADDR_TREE         14000
#define IDC_SEND_LIST         14001
#define IDC_ADD_TO            3
#define IDC_ADD_CC            4
#define IDC_ADD_BCC           5
#define IDC_DELETE_ENTRY      6
#define IDC_ADD_REPLYTO       7
#define IDC_DELETE_ALL        8
#define IDC_CREATE_MAIL       1003
#define IDC_CLOSE             1004
#define IDC_MANUAL_ENTRY      1006
#define IDC_MANUAL_LABEL      1007
#define IDC_SPLIT_LABEL       1008
#define IDC_TOOLBAR           59392

// The address and folder dialogs (the book list is the same control in both).
#define IDC_BOOK_LIST         14008
#define IDC_ADDR_NAME         14009
#define IDC_ADDR_TEXT         14010
#define IDC_FOLDER_NAME       14018

// The book dialog.
#define IDC_BOOK_NAME         14003
#define IDC_BOOK_LOCAL        14004
#define IDC_BOOK_GLOBAL       14005
#define IDC_BOOK_URL          14006
#define IDC_BOOK_BROWSE       14015
#define IDC_BOOK_FILE         14016

// The find dialog.
#define IDC_FIND_TEXT         14022
#define IDC_FIND_NAME         14023
#define IDC_FIND_ADDRESS      14024
#define IDC_FIND_BOTH         14025
#define IDC_FIND_NEXT_BUTTON  14026
#define IDC_FIND_PREV_BUTTON  14027
#define IDC_FIND_STATUS       14028

// The progress window of the global books' update.
#define IDC_UPDATE_BOOK       14030
#define IDC_UPDATE_COUNT      14031

// Menu bar and toolbar commands of the window.
#define ID_ADDR_NEW           32771
#define ID_ADDR_EDIT          32773
#define ID_ADDR_DELETE        32781
#define ID_FOLDER_NEW         32791
#define ID_FOLDER_RENAME      32793
#define ID_FOLDER_DELETE      32795
#define ID_BOOK_NEW           32787
#define ID_BOOK_EDIT          32789
#define ID_BOOK_DELETE        32783
#define ID_BOOK_UPDATE        32779
#define ID_BOOK_IMPORT        32785
#define ID_BOOK_EXPORT        32810
#define ID_APP_ABOUT          57670
#define ID_FIND               32820
#define ID_FIND_NEXT          32821
#define ID_FIND_PREV          32822

// Commands of the tree's context menu.
#define ID_M_ADD_TO             32772
#define ID_M_ADD_CC             32774
#define ID_M_ADD_BCC            32775
#define ID_M_ADD_REPLYTO        32776
#define ID_M_ADDR_EDIT          32778
#define ID_M_ADDR_DEL           32780
#define ID_M_FOLDER_EDIT        32782
#define ID_M_FOLDER_DEL         32784
#define ID_M_ADD_TO_LOCAL       32786
#define ID_M_ADD_CC_LOCAL       32788
#define ID_M_ADD_BCC_LOCAL      32790
#define ID_M_ADD_REPLYTO_LOCAL  32792
#define ID_M_ADD_TO_ALL         32794
#define ID_M_ADD_CC_ALL         32796
#define ID_M_ADD_BCC_ALL        32797
#define ID_M_ADD_REPLYTO_ALL    32798
#define ID_M_BOOK_PROPERTY      32799
#define ID_M_BOOK_DEL           32800
#define ID_M_NEW_ADDR           32801
#define ID_M_NEW_FOLDER         32802
