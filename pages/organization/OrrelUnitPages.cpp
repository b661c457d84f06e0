// OrrelUnitPages.dll: the property sheet handler of the directory class
// "Organizational Unit".
#include "orgpages.h"
#include "orrel/pages/pagedll.h"

namespace {

// {0FEC5121-2800-11D3-8685-00A0C9D59E71}
const CLSID CLSID_OrrelUnitPages = {
    0x0FEC5121, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

const orrel::pages::PageDllInfo kUnitPages = {
    "Organizational Unit", &CLSID_OrrelUnitPages, "Corvane Orrel Organizational Unit Properties",
    "OrrelUnitPages.dlr", orrel::orgpages::kPageSet, orrel::orgpages::kPageSetSize};

}  // namespace

ORREL_PAGE_DLL(kUnitPages)
