// Display helpers of the pages: times in the user's formats and the combo
// box of a multi-valued attribute.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "orrel/pages/dirsession.h"
#include "orrel/pages/figures.h"
#include "orrel/pages/valuelist.h"

namespace orrel {
namespace pages {

// Seconds since 1970 as local time: GetTimeFormatA (LOCALE_USER_DEFAULT, 0),
// one blank, GetDateFormatA (LOCALE_USER_DEFAULT, DATE_SHORTDATE). Empty when
// the time cannot be converted.
std::string FormatDirTime(uint32_t seconds);

// The number texts of the system default locale: LOCALE_STHOUSAND, the
// first number of LOCALE_SGROUPING (the text before ";") and LOCALE_SDECIMAL
// (at most 16 characters); the defaults of NumberLocale where one is missing.
NumberLocale SystemNumberLocale();

// Refills a combo box from a list: CB_RESETCONTENT, each node's text (from
// the second node when showFirst is false; shown through
// session->ToDisplayName when nameMode is set and a session is given), then
// CB_SETCURSEL 0.
void FillCombo(HWND combo, const ValueList& list, bool showFirst, bool nameMode = false,
               DirectorySession* session = nullptr);

}  // namespace pages
}  // namespace orrel
