// One class factory for every DLL: a table of {CLSID, creator} rows.
//
//   const orrel::FactoryEntry kClasses[] = {
//       {&CLSID_Thing, &orrel::CreateComObject<Thing>},
//   };
//   STDAPI DllGetClassObject(REFCLSID c, REFIID i, void** ppv)
//   { return orrel::GetClassObject(kClasses, c, i, ppv); }
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstddef>

#include "orrel/com.h"

namespace orrel {

// Makes one object for riid; the outer unknown has already been refused.
using CreatorFunc = HRESULT (*)(REFIID riid, void** ppv);

struct FactoryEntry {
    const CLSID* clsid;
    CreatorFunc create;
};

template <class T>
HRESULT CreateComObject(REFIID riid, void** ppv) noexcept
{
    return CreateAndQuery<T>(riid, ppv);
}

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreatorFunc create) noexcept : create_(create) {}

    ORREL_IUNKNOWN_METHODS(ClassFactory)
    static const QIEntry* QITable() noexcept;

    // Aggregation is refused with CLASS_E_NOAGGREGATION; *ppv is always cleared.
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    // Does nothing: the objects' own references keep the DLL loaded.
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    ~ClassFactory() = default;
    RefCount refs_;
    CreatorFunc create_;
};

// DllGetClassObject from a table: CLASS_E_CLASSNOTAVAILABLE (with *ppv
// cleared) for a class not in it; one new factory per call, queried for riid,
// its creation reference released.
HRESULT GetClassObject(const FactoryEntry* table, std::size_t count, REFCLSID clsid,
                       REFIID riid, void** ppv) noexcept;

template <std::size_t N>
HRESULT GetClassObject(const FactoryEntry (&table)[N], REFCLSID clsid, REFIID riid,
                       void** ppv) noexcept
{
    return GetClassObject(table, N, clsid, riid, ppv);
}

}  // namespace orrel
