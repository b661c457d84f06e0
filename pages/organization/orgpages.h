// The page set of OrrelOrgPages and OrrelUnitPages, in AddPages order:
// Identification (1000) and Login Script (2000). Each DLL adds its class
// name, CLSID, description and resource library (OrrelOrgPages.cpp,
// OrrelUnitPages.cpp).
#pragma once

#include <cstddef>

#include "orrel/pages/handler.h"

namespace orrel {
namespace orgpages {

extern const pages::PageFactory kPageSet[];
extern const std::size_t kPageSetSize;

}  // namespace orgpages
}  // namespace orrel
