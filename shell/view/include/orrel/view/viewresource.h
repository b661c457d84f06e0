// Resource and command identifiers of the container view, its menus and its
// status bar. Included by OrrelShell.rc: #define lines only.
#pragma once

// Resources of OrrelShell.dll.
#define IDM_VIEW_MODES 1009   // pop-up with the four view modes
#define IDB_LOGO 1010         // the logo of the status bar
#define IDM_EDIT_ITEMS 1024   // pop-up merged at the top of the Edit menu
#define IDD_OPTIONS 1038      // the view's options page

// Commands of the view window (menus and toolbar).
#define IDC_VIEW_LARGEICONS 121
#define IDC_VIEW_SMALLICONS 122
#define IDC_VIEW_LIST 123
#define IDC_VIEW_DETAILS 124
#define IDC_EDIT_CUT 126
#define IDC_EDIT_COPY 127
#define IDC_EDIT_PASTE 128
#define IDC_EDIT_PROPERTIES 131
#define IDC_EDIT_SELECTALL 132
#define IDC_EDIT_DELETE 133
#define IDC_EDIT_RENAME 134
#define IDC_VIEW_BUTTON 1009  // the views button of the toolbar

// Commands of the item menu; extension handlers get 1 to 0x7F00.
#define IDC_ITEM_DELETE 0x7F01
#define IDC_ITEM_RENAME 0x7F02
#define IDC_HANDLER_FIRST 1
#define IDC_HANDLER_LAST 0x7F00
#define IDC_DEFAULT_LAST 0x7FFF  // last identifier when looking for the default command

// Strings of the view and its commands (besides the folder's 125-127).
#define IDS_VIEW_COLUMN_NAME 108
#define IDS_VIEW_COLUMN_TYPE 109
#define IDS_VIEW_SELECTED_MANY 110
#define IDS_VIEW_OBJECTS_MANY 111
#define IDS_VIEW_SELECTED_ONE 112
#define IDS_VIEW_OBJECTS_ONE 113
#define IDS_VIEW_RENAME 114
#define IDS_VIEW_DELETE 115
#define IDS_VIEW_ASK_DELETE_ONE 116
#define IDS_VIEW_ASK_DELETE_MANY 117
#define IDS_VIEW_SHORTCUT_WIZARD 119
#define IDS_VIEW_CAPTION 125
#define IDS_VIEW_BAD_NAME 126
#define IDS_VIEW_RENAME_FAILED 127
#define IDS_VIEW_FOLDER_TYPE 128

// The child id of the list in the view window.
#define IDC_CONTAINER_LIST 666
