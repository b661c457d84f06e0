// Resource ids shared by every page DLL: the list editor dialog, the two
// strings of its remove question and the number fields' message. Each DLL's .rc includes editlist.rc, so
// its own string table must not define 101 and 102 again.
#pragma once

#define IDD_EDITLIST 10000
#define IDC_EDITLIST_VALUE 10001
#define IDC_EDITLIST_LIST 10002
#define IDC_EDITLIST_ADD 10003
#define IDC_EDITLIST_REMOVE 10004
#define IDC_EDITLIST_UP 10005
#define IDC_EDITLIST_DOWN 10006

#define IDS_PAGES_CAPTION 101
#define IDS_PAGES_REMOVE_QUESTION 102
// A number field's text that is no number of its range (fields.h); the
// DLLs' own strings stay below it.
#define IDS_PAGES_NUMBER_RANGE 10100

// The class icon every page DLL carries (GetIconLocation gives index -2).
#define IDI_PAGES_CLASS 2
