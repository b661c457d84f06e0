// Resource ids of OrrelMapiMail (its resource library uses the same).
#pragma once

#define IDS_MAPI_MENU          16  // "MAPI E-Mail"
#define IDS_MAPI_ERROR         17  // "Error"
#define IDS_MAPI_NO_ADDRESS    18
#define IDS_MAPI_ACCESSING     19
#define IDS_MAPI_GATHERING     20
#define IDS_MAPI_INITIALIZING  21

#define IDD_MAPI_PROGRESS      3000
#define IDC_MAPI_PROGRESS_TEXT 3000
