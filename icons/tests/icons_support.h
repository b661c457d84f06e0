// Helpers of the icon handler tests: OrrelIcons.dll loaded by path with its
// four exports, and a data object that serves "Orrel::Object" bytes.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstdint>
#include <string>
#include <vector>

#include "orrel/com.h"
#include "orrel/core/itemrecord.h"

namespace icontest {

using Bytes = std::vector<std::uint8_t>;

// {0FEC1000-2900-11D3-8685-00A0C9D59E71}
extern const CLSID kIconsClsid;
extern const char kIconsClsidText[];  // the registry form

// OrrelIcons.dll beside the test executable, loaded for the fixture's life.
class IconsDll {
public:
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using PlainFn = HRESULT(WINAPI*)();

    IconsDll();
    ~IconsDll();
    IconsDll(const IconsDll&) = delete;
    IconsDll& operator=(const IconsDll&) = delete;

    bool Loaded() const { return module_ && getClassObject && canUnloadNow && registerServer &&
                                 unregisterServer; }
    HMODULE Module() const { return module_; }
    const std::string& Path() const { return path_; }

    // A new handler through the class factory, queried for riid.
    HRESULT CreateHandler(REFIID riid, void** ppv) const;

    GetClassObjectFn getClassObject = nullptr;
    PlainFn canUnloadNow = nullptr;
    PlainFn registerServer = nullptr;
    PlainFn unregisterServer = nullptr;

private:
    HMODULE module_ = nullptr;
    std::string path_;
};

// Full path of a file beside the test executable.
std::string BesideExecutable(const char* fileName);

// A directory object ".Name.Org" of the given class in tree "Corp".
orrel::ItemRecord DirectoryObject(const std::string& className, const std::string& name);
// A personal folder (no tree), which the selection library leaves out.
orrel::ItemRecord PersonalFolder(const std::string& name);

// The "Orrel::Object" block of one single-entry list per record.
Bytes ObjectBlock(const std::vector<orrel::ItemRecord>& records);

// A data object that answers GetData for one clipboard format (by default
// "Orrel::Object") with a fresh global copy of the given bytes.
class BytesDataObject final : public IDataObject {
public:
    explicit BytesDataObject(Bytes bytes, const char* formatName = "Orrel::Object");

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    LONG RefCount() const { return refs_; }
    int GetDataCalls() const { return getDataCalls_; }

private:
    ~BytesDataObject() = default;
    bool Matches(const FORMATETC* format) const;

    LONG refs_ = 1;
    int getDataCalls_ = 0;
    Bytes bytes_;
    CLIPFORMAT format_;
};

// A data object carrying the given records.
orrel::ComPtr<IDataObject> DataObjectOf(const std::vector<orrel::ItemRecord>& records);

}  // namespace icontest
