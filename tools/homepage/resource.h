// Resource ids of OrrelWebPage.
#pragma once

#define IDS_HOME_MENU        1
#define IDS_HOME_HELP        2
#define IDS_HOME_CAPTION     3
#define IDS_HOME_NONE        4
#define IDS_HOME_NOT_WEB     5
