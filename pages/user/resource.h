// Resource ids of OrrelUserPages. The page templates, their control ids and
// the strings 101-115 are fixed (the pages and the string table are looked
// up by these numbers, also in a resource library). Controls the templates
// add beyond those take ids of their own: 900 and 901 on every page, and in
// each page's range where they belong to one page.
//
// editlist_res.h (pages/common) holds the list editor (dialog 10000) and
// the strings 101 and 102 shared by every page DLL.
#pragma once

#include "editlist_res.h"

// ---- Images -----------------------------------------------------------------
#define IDB_USER_PICTURE 1      // 32x32, top left corner of every page
#define IDI_USER_CLASS 2        // the class icon (GetIconLocation -2)
#define IDI_USER_GROUP 3        // a group in the membership list
#define IDB_USER_RESTRICTED 4   // time grid legend: red
#define IDB_USER_ALLOWED 5      // time grid legend: green

// ---- Strings ------------------------------------------------------------------
// 101 "Halvet Services" and 102 (the remove question) come from editlist.rc.
#define IDS_USER_CAPTION IDS_PAGES_CAPTION
#define IDS_USER_EDIT_OTHER_NAMES 103
#define IDS_USER_WWW_QUESTION 105
#define IDS_USER_EDIT_FAX 106
#define IDS_USER_EDIT_LOCATION 107
#define IDS_USER_EDIT_ORGANIZATION 108
#define IDS_USER_EDIT_TELEPHONE 109
#define IDS_USER_EDIT_DEPARTMENT 110
#define IDS_USER_EDIT_TITLE 111
#define IDS_USER_CHANGE_PASSWORD 112
#define IDS_USER_UNLIMITED 113
#define IDS_USER_ENABLED 114
#define IDS_USER_DISABLED 115

// ---- Controls every page has ------------------------------------------------
#define IDC_USER_PICTURE 900      // static showing bitmap 1
#define IDC_USER_DESCRIPTION 901  // the one-line description beside it

// ---- 1000 Personal Information ----------------------------------------------
#define IDD_USER_PERSONAL 1000
#define IDC_PERSONAL_GIVEN_NAME 1001
#define IDC_PERSONAL_INITIALS 1002
#define IDC_PERSONAL_SURNAME 1003
#define IDC_PERSONAL_FULL_NAME 1004
#define IDC_PERSONAL_QUALIFIER 1005
#define IDC_PERSONAL_OTHER_NAMES 1006
#define IDC_PERSONAL_EDIT_OTHER_NAMES 1007
#define IDC_PERSONAL_EMAIL 1008

// ---- 2000 Work Information ----------------------------------------------------
#define IDD_USER_WORK 2000
#define IDC_WORK_TITLE 2001
#define IDC_WORK_EDIT_TITLE 2002
#define IDC_WORK_DESCRIPTION 2003
#define IDC_WORK_LOCATION 2004
#define IDC_WORK_EDIT_LOCATION 2005
#define IDC_WORK_DEPARTMENT 2006
#define IDC_WORK_EDIT_DEPARTMENT 2007
#define IDC_WORK_TELEPHONE 2008
#define IDC_WORK_EDIT_TELEPHONE 2009
#define IDC_WORK_FAX 2010
#define IDC_WORK_EDIT_FAX 2011
#define IDC_WORK_ORGANIZATION 2012
#define IDC_WORK_EDIT_ORGANIZATION 2013

// ---- 3000 Mailing Information -------------------------------------------------
#define IDD_USER_MAILING 3000
#define IDC_MAILING_STREET 3001
#define IDC_MAILING_PO_BOX 3002
#define IDC_MAILING_CITY 3003
#define IDC_MAILING_STATE 3004
#define IDC_MAILING_POSTAL_CODE 3005
#define IDC_MAILING_COPY_TO_LABEL 3006
#define IDC_MAILING_LABEL_1 3007  // ... IDC_MAILING_LABEL_1 + 5 = 3012
#define IDC_MAILING_LABEL_6 3012

// ---- 4000 Login Script ----------------------------------------------------------
#define IDD_USER_LOGIN_SCRIPT 4000
#define IDC_SCRIPT_TEXT 4003
#define IDC_SCRIPT_COMMANDS 4004

// ---- 5000 Login Account ---------------------------------------------------------
#define IDD_USER_ACCOUNT 5000
#define IDC_ACCOUNT_LAST_LOGIN 5001
#define IDC_ACCOUNT_EXPIRATION 5002
#define IDC_ACCOUNT_GRACE_LIMIT 5003
#define IDC_ACCOUNT_GRACE_REMAINING 5004
#define IDC_ACCOUNT_MAX_LOGINS 5005
#define IDC_ACCOUNT_STATUS 5007
#define IDC_ACCOUNT_BALANCE 5008
#define IDC_ACCOUNT_LOW_LIMIT 5009
#define IDC_ACCOUNT_GRACE_REMAINING_LABEL 8009  // "Grace Logins Remaining:"
#define IDC_ACCOUNT_BALANCE_LABEL 8010          // "Account Balance:"

// ---- 6000 Password --------------------------------------------------------------
#define IDD_USER_PASSWORD 6000
#define IDC_PASSWORD_CHANGE 6001
#define IDC_PASSWORD_ALLOW_CHANGE 6002
#define IDC_PASSWORD_REQUIRED 6003
#define IDC_PASSWORD_MIN_LENGTH_LABEL 6005
#define IDC_PASSWORD_MIN_LENGTH 6006
#define IDC_PASSWORD_PERIODIC 6007
#define IDC_PASSWORD_PERIODIC_GROUP 6008  // group "Forced Changes" around 6007-6012
#define IDC_PASSWORD_INTERVAL 6009
#define IDC_PASSWORD_INTERVAL_LABEL 6010
#define IDC_PASSWORD_EXPIRES 6011
#define IDC_PASSWORD_EXPIRES_LABEL 6012
#define IDC_PASSWORD_UNIQUE 6013
#define IDC_PASSWORD_UNIQUE_GROUP 6014  // group "Password History" around 6013

// ---- 7000 Group Membership ------------------------------------------------------
#define IDD_USER_GROUPS 7000
#define IDC_GROUPS_LIST 7001

// ---- 8000 Time Restrictions -----------------------------------------------------
#define IDD_USER_TIMES 8000
#define IDC_TIMES_GRID 8001
#define IDC_TIMES_AM 8002
#define IDC_TIMES_PM 8003
#define IDC_TIMES_ROW_FIRST 8010  // "12" AM; 8011 ... 8021 every two hours
#define IDC_TIMES_ROW_LAST 8021
#define IDC_TIMES_DAY_FIRST 8030  // "Sun"; 8031 ... 8036 "Sat"
#define IDC_TIMES_DAY_LAST 8036
#define IDC_TIMES_LEGEND_ALLOWED 8040
#define IDC_TIMES_LEGEND_RESTRICTED 8041
