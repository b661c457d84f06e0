#include "com_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

#include "orrel/core/itemid.h"
#include "orrel/core/itemrecord.h"
#include "pages_test_support.h"

namespace pages_test {

ObjectDataObject::ObjectDataObject(const std::vector<Selected>& objects, bool withFormat)
    : withFormat_(withFormat)
{
    std::vector<std::vector<std::uint8_t>> lists;
    for (const Selected& s : objects) {
        orrel::ItemRecord record;
        record.displayName = s.display;
        record.className = s.className;
        EXPECT_TRUE(orrel::EncodePath(s.dottedPath, &record.path)) << s.dottedPath;
        record.tree = s.tree;
        std::vector<std::uint8_t> list;
        EXPECT_TRUE(orrel::AppendItemEntry(record, &list));
        lists.push_back(list);
    }
    EXPECT_TRUE(orrel::BuildObjectBlock(lists, &block_));
}

STDMETHODIMP ObjectDataObject::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDataObject) return E_NOINTERFACE;
    *ppv = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ObjectDataObject::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) ObjectDataObject::Release()
{
    return static_cast<ULONG>(InterlockedDecrement(&refs_));
}

STDMETHODIMP ObjectDataObject::QueryGetData(FORMATETC* etc)
{
    if (!etc) return E_INVALIDARG;
    return withFormat_ && etc->cfFormat == RegisterClipboardFormatA("Orrel::Object") ? S_OK
                                                                                   : DV_E_FORMATETC;
}

STDMETHODIMP ObjectDataObject::GetData(FORMATETC* etc, STGMEDIUM* medium)
{
    if (!etc || !medium) return E_INVALIDARG;
    if (QueryGetData(etc) != S_OK) return DV_E_FORMATETC;
    if (!(etc->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, block_.size());
    if (!memory) return E_OUTOFMEMORY;
    std::memcpy(GlobalLock(memory), block_.data(), block_.size());
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HMODULE TestPagesModule()
{
    static HMODULE module = LoadLibraryA(BinPath("OrrelTestPages.dll").c_str());
    return module;
}

HRESULT CallExport(HMODULE module, const char* name)
{
    auto function = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function ? function() : E_NOTIMPL;
}

HRESULT TestPagesCanUnloadNow()
{
    return CallExport(TestPagesModule(), "DllCanUnloadNow");
}

HRESULT TestPagesClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    auto function = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(TestPagesModule(), "DllGetClassObject")));
    return function ? function(clsid, riid, ppv) : E_NOTIMPL;
}

std::string RegString(HKEY root, const std::string& path, const char* name)
{
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_SZ, &type, data, &size) != ERROR_SUCCESS)
        return "<missing>";
    return data;
}

DWORD RegDword(HKEY root, const std::string& path, const char* name, DWORD missing)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return missing;
    return value;
}

bool RegKeyExists(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace pages_test
