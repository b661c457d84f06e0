// Resource ids of OrrelMessenger.
#pragma once

#define IDS_MESSAGE_MENU        1   // "Send Instant Message..."
#define IDS_MESSAGE_HELP        2
#define IDS_MESSAGE_CAPTION     3   // "Orrel Send Instant Message"
#define IDS_MESSAGE_NOT_FOUND   4
#define IDS_MESSAGE_FROM        5   // "From: %s[%d] %s"
#define IDS_MESSAGE_EMPTY       6
#define IDS_MESSAGE_USERNAME    7
#define IDS_MESSAGE_RESULTS     8
#define IDS_MESSAGE_SENT        9
#define IDS_MESSAGE_ERROR       10

#define IDB_MESSAGE_PICTURE     2001
#define IDI_MESSAGE_SENT        2002
#define IDI_MESSAGE_FAILED      2003

// The message dialog and the results dialog.
#define IDD_MESSAGE_DIALOG      2010
#define IDD_MESSAGE_RESULTS     2011
#define IDC_MESSAGE_PICTURE     2012
#define IDC_MESSAGE_SEND        122
#define IDC_MESSAGE_TEXT        123
#define IDC_MESSAGE_LIST        124
#define IDC_MESSAGE_STOP        125
