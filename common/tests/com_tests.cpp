// The COM skeleton through its real interfaces: reference counts, the module
// counter, QueryInterface tables and the class factory.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <stdexcept>

#include "orrel/classfactory.h"
#include "orrel/com.h"
#include "orrel/comguard.h"

namespace {

class Sample final : public IPersist, public IOleWindow {
public:
    ORREL_IUNKNOWN_METHODS(Sample)
    static const orrel::QIEntry* QITable()
    {
        static const orrel::QIEntry table[] = {
            ORREL_QI(Sample, IPersist),
            ORREL_QI(Sample, IOleWindow),
            ORREL_QI_END,
        };
        return table;
    }
    STDMETHODIMP GetClassID(CLSID* clsid) override
    {
        *clsid = CLSID_NULL;
        return S_OK;
    }
    STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    static LONG destroyed;

private:
    ~Sample() { ++destroyed; }
    orrel::RefCount refs_;
};
LONG Sample::destroyed = 0;

const CLSID CLSID_Sample = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
const orrel::FactoryEntry kClasses[] = {{&CLSID_Sample, &orrel::CreateComObject<Sample>}};

TEST(ComObject, QueryInterfaceAnswersEveryTableEntryAndIUnknownFromTheFirst)
{
    LONG before = orrel::Module::LockCount();
    IPersist* persist = nullptr;
    ASSERT_EQ(S_OK, orrel::CreateAndQuery<Sample>(IID_IPersist, reinterpret_cast<void**>(&persist)));
    EXPECT_EQ(before + 1, orrel::Module::LockCount()) << "one outstanding reference";

    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, persist->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(static_cast<void*>(persist), static_cast<void*>(unknown)) << "IUnknown is the first part";
    IOleWindow* window = nullptr;
    ASSERT_EQ(S_OK, persist->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&window)));
    EXPECT_NE(static_cast<void*>(persist), static_cast<void*>(window));
    EXPECT_EQ(before + 3, orrel::Module::LockCount());

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, persist->QueryInterface(IID_IShellFolder, &none));
    EXPECT_EQ(nullptr, none) << "out pointer cleared on failure";
    EXPECT_EQ(E_POINTER, persist->QueryInterface(IID_IPersist, nullptr));

    LONG destroyed = Sample::destroyed;
    EXPECT_EQ(2u, window->Release());
    EXPECT_EQ(1u, unknown->Release());
    EXPECT_EQ(0u, persist->Release());
    EXPECT_EQ(destroyed + 1, Sample::destroyed);
    EXPECT_EQ(before, orrel::Module::LockCount());
    EXPECT_EQ(before == 0 ? S_OK : S_FALSE, orrel::Module::CanUnloadNow());
}

TEST(ClassFactory, ServesOnlyItsClassesAndRefusesAggregation)
{
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              orrel::GetClassObject(kClasses, IID_IUnknown, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, orrel::GetClassObject(kClasses, CLSID_Sample, IID_IClassFactory,
                                          reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));

    // Any non-null outer unknown is refused before it is used.
    IUnknown* outer = nullptr;
    ASSERT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&outer)));
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer, IID_IPersist, &out));
    outer->Release();
    EXPECT_EQ(nullptr, out);

    LONG destroyed = Sample::destroyed;
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IShellFolder, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(destroyed + 1, Sample::destroyed) << "creation reference released after a failed query";

    IPersist* persist = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPersist, reinterpret_cast<void**>(&persist)));
    EXPECT_EQ(0u, persist->Release());
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(0, orrel::Module::LockCount());
}

TEST(ComGuard, TurnsExceptionsIntoHresults)
{
    EXPECT_EQ(E_OUTOFMEMORY, orrel::ComGuard([]() -> HRESULT { throw std::bad_alloc(); }));
    EXPECT_EQ(E_UNEXPECTED, orrel::ComGuard([]() -> HRESULT { throw std::runtime_error("x"); }));
    EXPECT_EQ(S_FALSE, orrel::ComGuard([] { return S_FALSE; }));
    EXPECT_EQ(-1, orrel::GuardedCall(-1, []() -> int { throw 1; }));
}

TEST(GuidText, RoundTripsTheRegistryForm)
{
    char text[39];
    orrel::GuidToString(CLSID_Sample, text);
    EXPECT_STREQ("{11111111-2222-3333-4444-555555555555}", text);
    GUID back{};
    ASSERT_TRUE(orrel::StringToGuid("{76aad000-c21a-11d1-8115-00c04fb67eb7}", &back));
    orrel::GuidToString(back, text);
    EXPECT_STREQ("{76AAD000-C21A-11D1-8115-00C04FB67EB7}", text);
    for (const char* bad : {"", "{76AAD000-C21A-11D1-8115-00C04FB67EB7", "76AAD000-C21A-11D1-8115-00C04FB67EB7}",
                            "{76AAD000-C21A-11D1-8115-00C04FB67EBG}", "{76AAD000+C21A-11D1-8115-00C04FB67EB7}"})
        EXPECT_FALSE(orrel::StringToGuid(bad, &back)) << bad;
}

}  // namespace
