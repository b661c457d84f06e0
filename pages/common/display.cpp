#include "orrel/pages/display.h"

#include <ctime>

namespace orrel {
namespace pages {

std::string FormatDirTime(uint32_t seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm* local = std::localtime(&t);
    if (!local) return std::string();
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(local->tm_year + 1900);
    st.wMonth = static_cast<WORD>(local->tm_mon + 1);
    st.wDayOfWeek = static_cast<WORD>(local->tm_wday);
    st.wDay = static_cast<WORD>(local->tm_mday);
    st.wHour = static_cast<WORD>(local->tm_hour);
    st.wMinute = static_cast<WORD>(local->tm_min);
    st.wSecond = static_cast<WORD>(local->tm_sec);
    char time[256] = {};
    char date[256] = {};
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, sizeof time)) time[0] = 0;
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date))
        date[0] = 0;
    return std::string(time) + " " + date;
}

NumberLocale SystemNumberLocale()
{
    NumberLocale locale;
    char text[32] = {};
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_STHOUSAND, text, sizeof text) > 0)
        locale.thousand = text;
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SGROUPING, text, sizeof text) > 0) {
        unsigned group = 0;
        for (const char* p = text; *p >= '0' && *p <= '9' && group < 100; ++p)
            group = group * 10 + static_cast<unsigned>(*p - '0');
        locale.grouping = group;
    }
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SDECIMAL, text, 17) > 0) locale.decimal = text;
    return locale;
}

void FillCombo(HWND combo, const ValueList& list, bool showFirst, bool nameMode,
               DirectorySession* session)
{
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    const ValueNode* node = list.First();
    if (node && !showFirst) node = node->next.get();
    for (; node; node = node->next.get()) {
        if (nameMode && session) {
            std::string shown = session->ToDisplayName(node->text.c_str());
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
        } else {
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(node->text.c_str()));
        }
    }
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

}  // namespace pages
}  // namespace orrel
