// Resource identifiers of OrrelShell.dll. Strings 108-128 are the numbers the
// namespace's texts are known by; the view's menus, dialogs and bitmaps keep
// to their own numbers (1009, 1010, 1024, 1038) and prefixes.
#pragma once

#define IDI_ORRELSHELL 1  // the module's first icon: "DefaultIcon" ",0"

#define IDS_COLUMN_NAME 108
#define IDS_COLUMN_TYPE 109
#define IDS_STATUS_SELECTED_MANY 110
#define IDS_STATUS_OBJECTS_MANY 111
#define IDS_STATUS_SELECTED_ONE 112
#define IDS_STATUS_OBJECTS_ONE 113
#define IDS_MENU_RENAME 114
#define IDS_MENU_DELETE 115
#define IDS_ASK_DELETE_ONE 116
#define IDS_ASK_DELETE_MANY 117
#define IDS_MENU_SHORTCUT_WIZARD 119
#define IDS_WIZARD_CAPTION 120
#define IDS_CAPTION 125
#define IDS_BAD_NAME 126
#define IDS_RENAME_FAILED 127
#define IDS_FOLDER_TYPE 128
