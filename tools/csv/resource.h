// Resource ids of OrrelCsvWriter.
#pragma once

// Strings.
#define IDS_CSV_HOME_PAGE_MENU      1  // kept in the table; the command does not use it
#define IDS_CSV_HELP                2
#define IDS_CSV_MENU_ONE            5
#define IDS_CSV_MENU_SEVERAL        6
#define IDS_CSV_COUNT_ONE           7
#define IDS_CSV_COUNT_SEVERAL       8
#define IDS_CSV_SAVE_TITLE          9
#define IDS_CSV_SAVE_FILTER         10
#define IDS_CSV_OPEN_FAILED         11
#define IDS_CSV_OPEN_FAILED_CAPTION 12

// Dialog "Export Object Data".
#define IDD_CSV_EXPORT              2001
#define IDC_CSV_AVAILABLE           2001
#define IDC_CSV_EXPORT_LIST         2002
#define IDC_CSV_UP                  2003
#define IDC_CSV_DOWN                2004
#define IDC_CSV_ALL                 2005
#define IDC_CSV_ADD                 2006
#define IDC_CSV_REMOVE              2007
#define IDC_CSV_CLEAR               2008
#define IDC_CSV_COUNT               2009
#define IDC_CSV_AVAILABLE_LABEL     2010
#define IDC_CSV_EXPORT_LABEL        2011
