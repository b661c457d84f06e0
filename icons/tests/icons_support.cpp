#include "icons_support.h"

#include <cstring>

#include "orrel/core/itemid.h"

namespace icontest {

const CLSID kIconsClsid = {
    0x0FEC1000, 0x2900, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};
const char kIconsClsidText[] = "{0FEC1000-2900-11D3-8685-00A0C9D59E71}";

std::string BesideExecutable(const char* fileName)
{
    char exe[MAX_PATH * 4] = {};
    DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string path(exe, n);
    std::size_t slash = path.find_last_of("\\/");
    path.resize(slash == std::string::npos ? 0 : slash + 1);
    return path + fileName;
}

IconsDll::IconsDll() : path_(BesideExecutable("OrrelIcons.dll"))
{
    module_ = LoadLibraryA(path_.c_str());
    if (!module_) return;
    getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    canUnloadNow = reinterpret_cast<PlainFn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    registerServer = reinterpret_cast<PlainFn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllRegisterServer")));
    unregisterServer = reinterpret_cast<PlainFn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllUnregisterServer")));
}

IconsDll::~IconsDll()
{
    if (module_) FreeLibrary(module_);
}

HRESULT IconsDll::CreateHandler(REFIID riid, void** ppv) const
{
    *ppv = nullptr;
    if (!getClassObject) return E_UNEXPECTED;
    orrel::ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(kIconsClsid, IID_IClassFactory, factory.PutVoid());
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(nullptr, riid, ppv);
}

orrel::ItemRecord DirectoryObject(const std::string& className, const std::string& name)
{
    orrel::ItemRecord record;
    record.className = className;
    record.displayName = name;
    record.tree = "Corp";
    record.server = "";
    orrel::EncodePath("." + name + ".Org", &record.path);
    return record;
}

orrel::ItemRecord PersonalFolder(const std::string& name)
{
    orrel::ItemRecord record;
    record.flags = orrel::ITEM_FOLDER | orrel::ITEM_CONTAINER;
    record.className = orrel::kFolderClass;
    record.displayName = name;
    orrel::EncodePath("." + name, &record.path);
    return record;
}

Bytes ObjectBlock(const std::vector<orrel::ItemRecord>& records)
{
    std::vector<std::vector<std::uint8_t>> lists;
    for (const auto& record : records) {
        std::vector<std::uint8_t> list;
        orrel::AppendItemEntry(record, &list);
        lists.push_back(std::move(list));
    }
    Bytes block;
    orrel::BuildObjectBlock(lists, &block);
    return block;
}

BytesDataObject::BytesDataObject(Bytes bytes, const char* formatName)
    : bytes_(std::move(bytes)),
      format_(static_cast<CLIPFORMAT>(RegisterClipboardFormatA(formatName)))
{
}

STDMETHODIMP BytesDataObject::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject))
        return E_NOINTERFACE;
    *ppv = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BytesDataObject::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) BytesDataObject::Release()
{
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

bool BytesDataObject::Matches(const FORMATETC* format) const
{
    return format && format->cfFormat == format_ && (format->tymed & TYMED_HGLOBAL) &&
           format->dwAspect == DVASPECT_CONTENT;
}

STDMETHODIMP BytesDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    ++getDataCalls_;
    if (!medium) return E_POINTER;
    std::memset(medium, 0, sizeof *medium);
    if (!Matches(format)) return DV_E_FORMATETC;
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, bytes_.empty() ? 1 : bytes_.size());
    if (!global) return E_OUTOFMEMORY;
    if (!bytes_.empty()) {
        void* p = GlobalLock(global);
        std::memcpy(p, bytes_.data(), bytes_.size());
        GlobalUnlock(global);
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = global;
    return S_OK;
}

STDMETHODIMP BytesDataObject::QueryGetData(FORMATETC* format)
{
    return Matches(format) ? S_OK : DV_E_FORMATETC;
}

STDMETHODIMP BytesDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out)
{
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

orrel::ComPtr<IDataObject> DataObjectOf(const std::vector<orrel::ItemRecord>& records)
{
    orrel::ComPtr<IDataObject> data;
    data.Attach(new BytesDataObject(ObjectBlock(records)));
    return data;
}

}  // namespace icontest
