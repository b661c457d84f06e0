// Resource ids of the UI layer's test executable (ui_tests.rc).
#pragma once

#define IDD_UI_TEST 100
#define IDC_UI_TEST_EDIT 1001
#define IDC_UI_TEST_CHECK 1002
#define IDC_UI_TEST_BUTTON 1003
#define IDC_UI_TEST_READONLY 1004

#define IDD_UI_PAGE_FIRST 200
#define IDD_UI_PAGE_SECOND 201
#define IDC_UI_PAGE_EDIT 2001

#define IDD_UI_MISSING 999

#define IDS_UI_REMOVE 1
#define IDS_UI_CAPTION 2
#define IDS_UI_LONG 3
#define IDS_UI_TOO_FEW 4
#define IDS_UI_COUNT_WRITE 5
#define IDS_UI_PLAIN 6
