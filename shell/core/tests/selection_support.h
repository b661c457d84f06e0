// Helpers of the selection tests: records and lists, the "Orrel::Object"
// bytes a data object hands out, a medium release counter, and a data object
// that serves any bytes (a foreign or hostile source).
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "orrel/com.h"
#include "orrel/core/dataobject.h"
#include "orrel/core/itemidlist.h"
#include "orrel/core/itemrecord.h"
#include "orrel/handles.h"

namespace seltest {

using Bytes = std::vector<std::uint8_t>;

// A directory object Name.Org in tree "Corp".
inline orrel::ItemRecord ObjectRecord(const std::string& className, const std::string& name)
{
    orrel::ItemRecord record;
    record.className = className;
    record.displayName = name;
    record.tree = "Corp";
    orrel::EncodePath("." + name + ".Org", &record.path);
    return record;
}

inline orrel::ItemIdList ListOf(const orrel::ItemRecord& record)
{
    return orrel::ItemIdList::FromRecord(record, nullptr, orrel::ListAllocator::Heap);
}

// A list's bytes with its terminator.
inline Bytes ListBytes(const orrel::ItemIdList& list)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(list.Get());
    return Bytes(p, p + list.Size() + 2);
}

// What GetData hands out for "Orrel::Object" (the whole block), released after.
inline HRESULT ObjectBlock(IDataObject* data, Bytes* out, STGMEDIUM* seen = nullptr)
{
    FORMATETC format = orrel::ObjectFormatEtc();
    orrel::StgMedium medium;
    HRESULT hr = data->GetData(&format, medium.Put());
    if (FAILED(hr)) return hr;
    if (seen) *seen = medium.Get();
    orrel::GlobalLock lock(medium.Get().hGlobal);
    if (!lock) return E_HANDLE;
    const auto* p = static_cast<const std::uint8_t*>(lock.Data());
    out->assign(p, p + lock.Size());
    return hr;
}

// The pUnkForRelease of a medium: counts the releases, never dies.
class ReleaseCounter final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ++releases;
        return 1;
    }
    int releases = 0;
};

// A data object of some other source: GetData answers with a copy of the
// given bytes (or with the given failure or medium kind), with a release
// counter as pUnkForRelease so that the test sees the reader release it.
class BlockDataObject final : public IDataObject {
public:
    ORREL_IUNKNOWN_METHODS(BlockDataObject)
    static const orrel::QIEntry* QITable()
    {
        static const orrel::QIEntry table[] = {ORREL_QI(BlockDataObject, IDataObject), ORREL_QI_END};
        return table;
    }

    static orrel::ComPtr<BlockDataObject> Make(const Bytes& block)
    {
        orrel::ComPtr<BlockDataObject> object;
        object.Attach(new BlockDataObject);
        object->block = block;
        return object;
    }

    Bytes block;
    HRESULT result = S_OK;
    DWORD tymed = TYMED_HGLOBAL;
    ReleaseCounter counter;
    orrel::ComPtr<IStream> stream;  // the medium of TYMED_ISTREAM answers
    int handedOut = 0;

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!format || !medium) return E_INVALIDARG;
        if (FAILED(result)) return result;
        ++handedOut;
        if (tymed == TYMED_ISTREAM) {
            // A medium of another kind than asked for, released the usual way.
            if (!stream && FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()))) return E_OUTOFMEMORY;
            stream->AddRef();
            medium->tymed = TYMED_ISTREAM;
            medium->pstm = stream.Get();
            medium->pUnkForRelease = nullptr;
            return S_OK;
        }
        HGLOBAL memory = GlobalAlloc(GMEM_FIXED, block.empty() ? 1 : block.size());
        if (!memory) return E_OUTOFMEMORY;
        if (!block.empty()) std::memcpy(memory, block.data(), block.size());
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;  // freed by the test: the counter stands for its owner
        medium->pUnkForRelease = &counter;
        memories_.emplace_back(memory);
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return S_OK; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    BlockDataObject() = default;
    ~BlockDataObject() = default;
    orrel::RefCount refs_;
    std::vector<orrel::GlobalMemory> memories_;  // the medium's owner is the counter
};

}  // namespace seltest
