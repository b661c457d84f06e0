// COM-level helpers of the handler tests: a data object serving
// "Orrel::Object" data for chosen directory objects, the test page DLL
// loaded as a COM server, and registry checks.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pages_test {

struct Selected {
    const char* display;
    const char* className;
    const char* dottedPath;  // ".Pat.Test"
    const char* tree;
};

// Serves one "Orrel::Object" block (or none); counts its references.
class ObjectDataObject final : public IDataObject {
public:
    explicit ObjectDataObject(const std::vector<Selected>& objects, bool withFormat = true);
    LONG References() const { return refs_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetData(FORMATETC* etc, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* etc) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    std::vector<std::uint8_t> block_;
    bool withFormat_;
    LONG refs_ = 1;
};

// The test page DLL, loaded once for the process.
HMODULE TestPagesModule();
HRESULT TestPagesCanUnloadNow();
HRESULT TestPagesClassObject(REFCLSID clsid, REFIID riid, void** ppv);
HRESULT CallExport(HMODULE module, const char* name);

std::string RegString(HKEY root, const std::string& path, const char* name);
DWORD RegDword(HKEY root, const std::string& path, const char* name, DWORD missing = 0xDEADBEEF);
bool RegKeyExists(HKEY root, const std::string& path);

}  // namespace pages_test
