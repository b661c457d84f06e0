// Resource ids of OrrelOrgPages and OrrelUnitPages (one page set, two
// builds). The templates, their control ids and the strings 101-108 are
// fixed (also in a resource library); the class icon and description
// statics take ids of their own.
#pragma once

#include "editlist_res.h"

#define IDI_ORG_CLASS 2  // the class icon (GetIconLocation -2)

// 101 and 102 come from editlist.rc; 103-107, the list editors' titles, are
// named in identification.h.
#define IDS_ORG_WWW_QUESTION 108

#define IDC_ORG_PICTURE 900
#define IDC_ORG_DESCRIPTION_TEXT 901

// ---- 1000 Identification -----------------------------------------------------
#define IDD_ORG_IDENTIFICATION 1000
#define IDC_ORG_OWNER 1001
#define IDC_ORG_OTHER_NAMES 1002
#define IDC_ORG_EDIT_OWNER 1003
#define IDC_ORG_EDIT_OTHER_NAMES 1004
#define IDC_ORG_DESCRIPTION 1005
#define IDC_ORG_LOCATION 1006
#define IDC_ORG_EDIT_LOCATION 1007
#define IDC_ORG_DEPARTMENT 1008
#define IDC_ORG_EDIT_DEPARTMENT 1009
#define IDC_ORG_ORGANIZATION 1010
#define IDC_ORG_EDIT_ORGANIZATION 1011

// ---- 2000 Login Script ---------------------------------------------------------
#define IDD_ORG_LOGIN_SCRIPT 2000
#define IDC_ORG_SCRIPT 2003
#define IDC_ORG_SCRIPT_COMMANDS 2004
