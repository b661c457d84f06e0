#include "pagedll_checks.h"

#include <gtest/gtest.h>

namespace pagetest {

void ExpectPageDllContract(const PageDll& dll, const PageDllContract& c)
{
    SCOPED_TRACE(c.className);
    SampleImage image;
    ExpectRegistration(dll, c.className, c.description);
    {
        HRESULT hr = E_UNEXPECTED;
        orrel::ComPtr<IShellExtInit> one = dll.MakeHandler(c.className, {c.object}, &hr);
        ASSERT_TRUE(one);
        EXPECT_EQ(S_OK, hr);
        ExpectClassIcon(dll, one.Get());
        Sheet sheet(one.Get());
        EXPECT_EQ(c.pages, sheet.Captions());

        orrel::ComPtr<IShellExtInit> two = dll.MakeHandler(c.className, {c.object, c.object}, &hr);
        EXPECT_EQ(E_FAIL, hr) << "two objects";
        Sheet none(two.Get());
        EXPECT_EQ(E_FAIL, none.AddPagesResult()) << "pages for two objects";

        SampleImage::UseSecondIdentity(true);
        orrel::ComPtr<IShellExtInit> restricted = dll.MakeHandler(c.className, {c.object});
        Sheet limited(restricted.Get());
        EXPECT_EQ(c.restrictedPages, limited.Captions()) << "as the restricted identity";
        EXPECT_EQ(c.restrictedPages.empty() ? E_FAIL : S_OK, limited.AddPagesResult());
        SampleImage::UseSecondIdentity(false);
    }
    PumpPending();
    EXPECT_EQ(S_OK, dll.Call("DllCanUnloadNow")) << "objects left after every release";
}

}  // namespace pagetest
