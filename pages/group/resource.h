// Resource ids of OrrelGroupPages. The templates, their control ids and the
// strings 101-107 are fixed (also in a resource library); the class icon and
// description statics take ids of their own.
#pragma once

#include "editlist_res.h"
#include "identification_res.h"  // 103-107, the list editors' titles

#define IDI_GROUP_CLASS 2   // the class icon (GetIconLocation -2)
#define IDI_GROUP_MEMBER 3  // a member in the Members list

#define IDC_GROUP_PICTURE 900
#define IDC_GROUP_DESCRIPTION_TEXT 901

// ---- 1000 Identification -----------------------------------------------------
#define IDD_GROUP_IDENTIFICATION 1000
#define IDC_GROUP_OWNER 1001
#define IDC_GROUP_EDIT_OWNER 1002
#define IDC_GROUP_OTHER_NAMES 1003
#define IDC_GROUP_EDIT_OTHER_NAMES 1004
#define IDC_GROUP_DESCRIPTION 1005
#define IDC_GROUP_LOCATION 1006
#define IDC_GROUP_EDIT_LOCATION 1007
#define IDC_GROUP_DEPARTMENT 1008
#define IDC_GROUP_EDIT_DEPARTMENT 1009
#define IDC_GROUP_ORGANIZATION 1010
#define IDC_GROUP_EDIT_ORGANIZATION 1011

// ---- 2000 Members ----------------------------------------------------------------
#define IDD_GROUP_MEMBERS 2000
#define IDC_GROUP_MEMBERS 2001
