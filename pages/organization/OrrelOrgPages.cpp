// OrrelOrgPages.dll: the property sheet handler of the directory class
// "Organization".
#include "orgpages.h"
#include "orrel/pages/pagedll.h"

namespace {

// {0FEC5118-2821-11D3-8685-00A0C9D59E71}: "2821" where the other page DLLs
// have "2800".
const CLSID CLSID_OrrelOrgPages = {
    0x0FEC5118, 0x2821, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};

const orrel::pages::PageDllInfo kOrgPages = {
    "Organization", &CLSID_OrrelOrgPages, "Corvane Orrel Organization Properties",
    "OrrelOrgPages.dlr", orrel::orgpages::kPageSet, orrel::orgpages::kPageSetSize};

}  // namespace

ORREL_PAGE_DLL(kOrgPages)
