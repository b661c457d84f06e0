// Resource ids of the test pages (shared by the test DLL, its resource
// libraries and the framework's test executable).
#pragma once

#define IDD_TEST_PERSON 1000
#define IDC_TEST_GIVEN_NAME 1001
#define IDC_TEST_SURNAME 1002

#define IDD_TEST_WORK 2000
#define IDC_TEST_TITLE 2001
#define IDC_TEST_TITLE_EDIT 2002
#define IDC_TEST_DESCRIPTION 2003
#define IDC_TEST_CN 2004
#define IDC_TEST_CN_EDIT 2005

#define IDD_TEST_SECRET 3000
#define IDC_TEST_LOGIN_TIME 3001

#define IDS_TEST_EDIT_TITLE 111
#define IDS_TEST_EDIT_NAMES 112
