// Resource ids of OrrelVolumePages. The page templates, their control ids
// and the strings 103-118 are fixed (looked up by these numbers, also in a
// resource library); labels without a number of their own use -1.
//
// editlist_res.h (pages/common) holds the list editor (dialog 10000) and
// the strings 101 and 102 shared by every page DLL.
#pragma once

#include "editlist_res.h"

// ---- Images -----------------------------------------------------------------
#define IDI_VOLUME_CLASS 2  // the class icon (GetIconLocation -2)

// ---- Strings ------------------------------------------------------------------
#define IDS_VOLUME_EDIT_OTHER_NAMES 103
#define IDS_VOLUME_EDIT_LOCATION 104
#define IDS_VOLUME_EDIT_DEPARTMENT 105
#define IDS_VOLUME_EDIT_ORGANIZATION 106
#define IDS_VOLUME_UNKNOWN 107
#define IDS_VOLUME_COMPRESSION 108
#define IDS_VOLUME_MIGRATION 109
#define IDS_VOLUME_AUDITING 110
#define IDS_VOLUME_READ_ONLY 111
#define IDS_VOLUME_SUBALLOCATION 112
#define IDS_VOLUME_NS_DOS 113  // name space 0; 1 MAC 114, 2 NFS 115, 3 FTAM 116
#define IDS_VOLUME_NS_MAC 114
#define IDS_VOLUME_NS_NFS 115
#define IDS_VOLUME_NS_FTAM 116
#define IDS_VOLUME_NS_OS2 117
#define IDS_VOLUME_NS_LONG 118

// ---- 1000 Identification ------------------------------------------------------
#define IDD_VOLUME_IDENTIFICATION 1000
#define IDC_IDENT_OTHER_NAMES 1001
#define IDC_IDENT_EDIT_OTHER_NAMES 1002
#define IDC_IDENT_LOCATION 1003
#define IDC_IDENT_EDIT_LOCATION 1004
#define IDC_IDENT_ORGANIZATION 1005
#define IDC_IDENT_EDIT_ORGANIZATION 1006
#define IDC_IDENT_DEPARTMENT 1007
#define IDC_IDENT_EDIT_DEPARTMENT 1008
#define IDC_IDENT_HOST_SERVER 1009
#define IDC_IDENT_HOST_VOLUME 1010

// ---- 2000 Statistics ---------------------------------------------------------------
#define IDD_VOLUME_STATISTICS 2000
#define IDC_STATS_VOLUME_NUMBER 1011
#define IDC_STATS_DISK_PIE 2001
#define IDC_STATS_BLOCK_SIZE 2003
#define IDC_STATS_TOTAL_SPACE 2004
#define IDC_STATS_USED_PERCENT 2005
#define IDC_STATS_USED_SPACE 2006
#define IDC_STATS_FREE_PERCENT 2007
#define IDC_STATS_FREE_SPACE 2008
#define IDC_STATS_PURGEABLE_PERCENT 2009
#define IDC_STATS_PURGEABLE_SPACE 2010
#define IDC_STATS_ENTRIES_PIE 2011
#define IDC_STATS_TOTAL_ENTRIES 2012
#define IDC_STATS_USED_ENTRIES_PERCENT 2013
#define IDC_STATS_USED_ENTRIES 2014
#define IDC_STATS_AVAILABLE_PERCENT 2015
#define IDC_STATS_AVAILABLE_ENTRIES 2016

// ---- 3000 Extended Information ------------------------------------------------------
#define IDD_VOLUME_EXTENDED 3000
#define IDC_EXT_COMPRESSION_GROUP 3001
#define IDC_EXT_COMPRESSION_PIE 3002
#define IDC_EXT_BEFORE_LABEL 3003
#define IDC_EXT_BEFORE 3004
#define IDC_EXT_BEFORE_UNIT 3005
#define IDC_EXT_AFTER_LABEL 3006
#define IDC_EXT_AFTER_PERCENT 3007
#define IDC_EXT_AFTER 3008
#define IDC_EXT_AFTER_UNIT 3009
#define IDC_EXT_SAVINGS_LABEL 3010
#define IDC_EXT_SAVINGS_PERCENT 3011
#define IDC_EXT_SAVINGS 3012
#define IDC_EXT_SAVINGS_UNIT 3013
#define IDC_EXT_FEATURES 3014
#define IDC_EXT_NAME_SPACES 3015
