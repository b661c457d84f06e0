// Resource ids of the properties command.
#pragma once

#define IDS_PROPERTIES_MENU 1
#define IDS_PROPERTIES_HELP 2
#define IDS_PROPERTIES_NONE 3
#define IDS_PROPERTIES_CAPTION 4
