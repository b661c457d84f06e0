// The test page DLL: the generic skeleton over the three test pages.
#include "orrel/pages/pagedll.h"
#include "testpages_pages.h"

ORREL_PAGE_DLL(testpages::kTestPagesInfo)
