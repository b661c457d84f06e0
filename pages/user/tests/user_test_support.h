// Helpers of the User page tests: the shared page test helpers
// (pages/common/testing) bound to OrrelUserPages.dll.
#pragma once

#include "pages_testing.h"

namespace usertest {

using namespace pagetest;

extern const CLSID kUserPagesClsid;
// OrrelUserPages.dll loaded once for the process.
const PageDll& UserPagesDll();
HMODULE UserPagesModule();
HRESULT GetUserPagesClassObject(REFCLSID clsid, REFIID riid, void** ppv);
// A User handler initialised with a data object carrying the given objects
// of ORREL_TREE.
orrel::ComPtr<IShellExtInit> MakeHandler(const std::vector<std::string>& objects,
                                         HRESULT* initResult = nullptr);

}  // namespace usertest
