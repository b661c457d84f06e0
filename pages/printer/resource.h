// Resource ids of OrrelPrinterPages. The page templates, their control ids
// and the strings 103-110 are fixed (looked up by these numbers, also in a
// resource library); labels without a number of their own use -1.
//
// editlist_res.h (pages/common) holds the list editor (dialog 10000) and
// the strings 101 and 102 shared by every page DLL.
#pragma once

#include "editlist_res.h"

// ---- Images -----------------------------------------------------------------
#define IDI_PRINTER_CLASS 2  // the class icon (GetIconLocation -2)

// ---- Strings ------------------------------------------------------------------
#define IDS_PRINTER_EDIT_OTHER_NAMES 103
#define IDS_PRINTER_EDIT_LOCATION 104
#define IDS_PRINTER_EDIT_DEPARTMENT 105
#define IDS_PRINTER_EDIT_ORGANIZATION 106
#define IDS_PRINTER_EDIT_LANGUAGE 107
#define IDS_PRINTER_EDIT_TYPEFACES 108
#define IDS_PRINTER_EDIT_CARTRIDGES 109
#define IDS_PRINTER_EDIT_OWNER 110

// ---- 1000 Identification ------------------------------------------------------
#define IDD_PRINTER_IDENTIFICATION 1000
#define IDC_IDENT_OTHER_NAMES 1001
#define IDC_IDENT_EDIT_OTHER_NAMES 1002
#define IDC_IDENT_DESCRIPTION 1003
#define IDC_IDENT_NETWORK_ADDRESS 1004
#define IDC_IDENT_OWNER 1005
#define IDC_IDENT_EDIT_OWNER 1006
#define IDC_IDENT_LOCATION 1007
#define IDC_IDENT_EDIT_LOCATION 1008
#define IDC_IDENT_DEPARTMENT 1009
#define IDC_IDENT_EDIT_DEPARTMENT 1010
#define IDC_IDENT_ORGANIZATION 1011
#define IDC_IDENT_EDIT_ORGANIZATION 1012

// ---- 2000 Assignments ---------------------------------------------------------------
#define IDD_PRINTER_ASSIGNMENTS 2000
#define IDC_ASSIGN_PRINT_SERVER 2001
#define IDC_ASSIGN_QUEUES 2002

// ---- 3000 Configuation -------------------------------------------------------------
#define IDD_PRINTER_CONFIGURATION 3000
#define IDC_CONFIG_PRINTER_TYPE 3001
#define IDC_CONFIG_COMMUNICATION 3002
#define IDC_CONFIG_BANNER_TYPE 3003
#define IDC_CONFIG_SERVICE_INTERVAL 3004
#define IDC_CONFIG_SERVICE_INTERVAL_SPIN 3005
#define IDC_CONFIG_BUFFER_SIZE 3006
#define IDC_CONFIG_BUFFER_SIZE_SPIN 3007
#define IDC_CONFIG_STARTING_FORM 3008
#define IDC_CONFIG_RESTRICTION 3009
#define IDC_CONFIG_SERVICE_MODE 3010
#define IDC_CONFIG_DRIVER 3011
#define IDC_CONFIG_RESTRICTION_LABEL 3012

// ---- 4000 Features ---------------------------------------------------------------------
#define IDD_PRINTER_FEATURES 4000
#define IDC_FEATURES_LANGUAGE 4001
#define IDC_FEATURES_EDIT_LANGUAGE 4002
#define IDC_FEATURES_MEMORY 4003
#define IDC_FEATURES_TYPEFACES 4004
#define IDC_FEATURES_EDIT_TYPEFACES 4005
#define IDC_FEATURES_CARTRIDGES 4006
#define IDC_FEATURES_EDIT_CARTRIDGES 4007
