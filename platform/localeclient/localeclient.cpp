// HalvetLocaleClient stand-in: the user's default locale, from Windows.
#include <windows.h>

#include <halvet/localeclient.h>

namespace {

bool g_selected = false;

void Text(LCTYPE type, char* out, int size)
{
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, out, size) == 0) out[0] = 0;
}

int32_t Number(LCTYPE type, int32_t fallback)
{
    char buffer[16];
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof(buffer)) == 0) return fallback;
    int32_t value = 0;
    for (const char* p = buffer; *p >= '0' && *p <= '9'; ++p) value = value * 10 + (*p - '0');
    return value;
}

}  // namespace

extern "C" int32_t SetLocale(int32_t category, const char* name)
{
    if (category < 0 || category > 5) return HALVET_ERR_INVALID_REQUEST;
    if (name && name[0]) return HALVET_ERR_INVALID_REQUEST;
    g_selected = true;
    return HALVET_OK;
}

extern "C" int32_t GetLocaleConv(HALVET_LOCALE_CONV* conv)
{
    if (!conv) return HALVET_ERR_NULL_POINTER;
    HALVET_LOCALE_CONV out{};
    out.country = Number(LOCALE_ICOUNTRY, 1);
    out.codePage = static_cast<int32_t>(GetACP());
    Text(LOCALE_SDECIMAL, out.decimalPoint, sizeof(out.decimalPoint));
    Text(LOCALE_STHOUSAND, out.thousandsSep, sizeof(out.thousandsSep));
    Text(LOCALE_SGROUPING, out.grouping, sizeof(out.grouping));
    *conv = out;
    return HALVET_OK;
}

extern "C" int32_t InitUnicodeTables(int32_t country, int32_t codePage)
{
    if (country < 0 || codePage <= 0) return HALVET_ERR_INVALID_REQUEST;
    return IsValidCodePage(static_cast<UINT>(codePage)) ? HALVET_OK : HALVET_ERR_INVALID_REQUEST;
}
