/*
 * HalvetLocaleClient: the locale the libraries convert text with.
 * Every call returns 0 or a negative HALVET_ERR_* code.
 */
#ifndef HALVET_LOCALECLIENT_H
#define HALVET_LOCALECLIENT_H

#include "dirtypes.h"

HALVET_EXTERN_C_BEGIN

/* Selects the locale: category 0 = all categories; name "" or NULL = the
 * user's default locale (the only one supported; others give -641). */
HALVET_API int32_t SetLocale(int32_t category, const char* name);
/* The selected locale's conventions. */
HALVET_API int32_t GetLocaleConv(HALVET_LOCALE_CONV* conv);
/* Loads the conversion tables of a country and code page; non-zero (-641)
 * when the code page is not installed. */
HALVET_API int32_t InitUnicodeTables(int32_t country, int32_t codePage);

HALVET_EXTERN_C_END

#endif /* HALVET_LOCALECLIENT_H */
