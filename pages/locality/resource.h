// Resource ids of OrrelLocalityPages. The page template, its control ids and
// the strings 101-106 are fixed (also in a resource library); the class icon
// and description statics take ids of their own.
#pragma once

#include "editlist_res.h"

#define IDI_LOCALITY_CLASS 2  // the class icon (GetIconLocation -2)

// 101 "Halvet Services" and 102 (the remove question) come from editlist.rc.
#define IDS_LOCALITY_EDIT_LOCALITY 103
#define IDS_LOCALITY_EDIT_STATE 104
#define IDS_LOCALITY_EDIT_STREET 105
#define IDS_LOCALITY_WWW_QUESTION 106  // kept for resource libraries; no page asks it

#define IDC_LOCALITY_PICTURE 900
#define IDC_LOCALITY_DESCRIPTION_TEXT 901

// ---- 1000 Identification -----------------------------------------------------
#define IDD_LOCALITY_IDENTIFICATION 1000
#define IDC_LOCALITY_STATE 1001
#define IDC_LOCALITY_EDIT_STATE 1002
#define IDC_LOCALITY_LOCALITY 1003
#define IDC_LOCALITY_EDIT_LOCALITY 1004
#define IDC_LOCALITY_STREET 1005
#define IDC_LOCALITY_EDIT_STREET 1006
#define IDC_LOCALITY_DESCRIPTION 1007
