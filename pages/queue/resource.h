// Resource ids of OrrelQueuePages. The templates, their control ids and the
// strings 101-107 are fixed (also in a resource library); the class icon and
// description statics take ids of their own.
#pragma once

#include "editlist_res.h"

#define IDI_QUEUE_CLASS 2    // the class icon (GetIconLocation -2)
#define IDI_QUEUE_USER 3     // a user in the Users list
#define IDI_QUEUE_SERVER 4   // an authorized print server
#define IDI_QUEUE_PRINTER 5  // a printer servicing the queue

// 101 and 102 come from editlist.rc.
#define IDS_QUEUE_EDIT_OTHER_NAMES 103
#define IDS_QUEUE_EDIT_OPERATOR 104
#define IDS_QUEUE_EDIT_LOCATION 105
#define IDS_QUEUE_EDIT_DEPARTMENT 106
#define IDS_QUEUE_EDIT_ORGANIZATION 107

#define IDC_QUEUE_PICTURE 900
#define IDC_QUEUE_DESCRIPTION_TEXT 901

// ---- 1000 Identification -----------------------------------------------------
#define IDD_QUEUE_IDENTIFICATION 1000
#define IDC_QUEUE_OTHER_NAMES 1001
#define IDC_QUEUE_EDIT_OTHER_NAMES 1002
#define IDC_QUEUE_OPERATOR 1003
#define IDC_QUEUE_EDIT_OPERATOR 1004
#define IDC_QUEUE_DESCRIPTION 1005
#define IDC_QUEUE_VOLUME 1006
#define IDC_QUEUE_LOCATION 1007
#define IDC_QUEUE_EDIT_LOCATION 1008
#define IDC_QUEUE_DEPARTMENT 1009
#define IDC_QUEUE_EDIT_DEPARTMENT 1010
#define IDC_QUEUE_ORGANIZATION 1011
#define IDC_QUEUE_EDIT_ORGANIZATION 1012

// ---- 2000 Assignments ----------------------------------------------------------
#define IDD_QUEUE_ASSIGNMENTS 2000
#define IDC_QUEUE_HOST_SERVER 2001
#define IDC_QUEUE_SERVERS 2002
#define IDC_QUEUE_PRINTERS 2003

// ---- 3000 Users ------------------------------------------------------------------
#define IDD_QUEUE_USERS 3000
#define IDC_QUEUE_USERS 3001
