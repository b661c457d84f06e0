// The list editors' titles of the owned Identification page
// (identification.h), the same string ids in every DLL that shows it.
#pragma once

#define IDS_OWNED_EDIT_DEPARTMENT 103
#define IDS_OWNED_EDIT_LOCATION 104
#define IDS_OWNED_EDIT_ORGANIZATION 105
#define IDS_OWNED_EDIT_OTHER_NAMES 106
#define IDS_OWNED_EDIT_OWNER 107
