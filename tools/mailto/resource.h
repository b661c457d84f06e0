// Resource ids of OrrelMailLink (also those of its resource library).
#pragma once

#define IDS_MAIL_MENU        16
#define IDS_MAIL_ERROR       17
#define IDS_MAIL_NO_ADDRESS  18
