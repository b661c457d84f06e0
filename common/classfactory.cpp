#include "orrel/classfactory.h"

#include "orrel/comguard.h"

namespace orrel {

const QIEntry* ClassFactory::QITable() noexcept
{
    static const QIEntry table[] = {
        ORREL_QI(ClassFactory, IClassFactory),
        ORREL_QI_END,
    };
    return table;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!create_) return E_UNEXPECTED;
    return ComGuard([&] { return create_(riid, ppv); });
}

HRESULT GetClassObject(const FactoryEntry* table, std::size_t count, REFCLSID clsid,
                       REFIID riid, void** ppv) noexcept
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        if (table[i].clsid && IsEqualCLSID(clsid, *table[i].clsid))
            return CreateAndQuery<ClassFactory>(riid, ppv, table[i].create);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace orrel
