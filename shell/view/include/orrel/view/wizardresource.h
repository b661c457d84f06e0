// Resource and control identifiers of the shortcut wizard and the Locate
// Tree dialog. Included by OrrelShell.rc: #define lines only.
#pragma once

#define IDB_WIZARD 1030            // the picture on the left of every page
#define IDD_WIZARD_TYPE 1032       // "Select Type of Shortcut."
#define IDD_WIZARD_FOLDER 1033     // "Folder Name"
#define IDD_WIZARD_TREE 1034       // "Select Trees"
#define IDD_WIZARD_SHORTCUT 1035   // "Orrel Shortcut"
#define IDD_LOCATE_TREE 1036       // "Locate Tree by Server"

// Type page.
#define IDC_TYPE_FOLDER 2007
#define IDC_TYPE_SHORTCUT 2008
#define IDC_TYPE_TREE 2009
// Folder page.
#define IDC_FOLDER_NAME 2010
#define IDC_FOLDER_TREE 2011
#define IDC_FOLDER_LOCATION 2014
// Tree page.
#define IDC_TREES_ALL 2002
#define IDC_TREES_AUTHENTICATED 2003
#define IDC_TREES_LIST 2015
#define IDC_TREES_ADVANCED 2023
#define IDC_TREES_SERVER_LABEL 2025
#define IDC_TREES_SERVER 2026
// Shortcut page.
#define IDC_SHORTCUT_TREE 2009
#define IDC_SHORTCUT_CONTEXT 2028
#define IDC_SHORTCUT_SELECTION 2027
// Locate Tree dialog.
#define IDC_LOCATE_BY_ADDRESS 2017
#define IDC_LOCATE_ADDRESS 2019
#define IDC_LOCATE_BY_NAME 2020
#define IDC_LOCATE_NAME 2021

// Strings.
#define IDS_WIZ_CAPTION 120        // "Orrel Shortcut creation Wizard"
#define IDS_WIZ_NO_CONNECTION 122  // "Unable to connect to a Halvet server at %s"
#define IDS_WIZ_NO_LOCATION 123    // "A server name or IP Address was not specified."
#define IDS_WIZ_NO_TREE 124        // "Unable to locate a tree on the server '%s'"
#define IDS_WIZ_MESSAGE_CAPTION 125
