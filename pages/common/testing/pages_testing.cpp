#include "pages_testing.h"

#include <gtest/gtest.h>

#include <shlwapi.h>
#include <winldap.h>

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "orrel/core/itemid.h"
#include "orrel/core/itemrecord.h"
#include "orrel/registry.h"

namespace pagetest {

std::string SourcePath(const char* relative)
{
    return std::string("Z:") + ORREL_SOURCE_DIR + "/" + relative;
}

std::string BinPath(const char* file)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    path.resize(path.find_last_of("\\/") + 1);
    return path + file;
}

namespace {

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void DeleteTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) DeleteTree(path);
            else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

const nlohmann::json* FindObject(const nlohmann::json& image, const char* object)
{
    std::string wanted = object[0] == '.' ? object + 1 : object;
    for (const auto& tree : image["trees"])
        for (const auto& o : tree["objects"])
            if (lstrcmpiA(o["name"].get<std::string>().c_str(), wanted.c_str()) == 0) return &o;
    return nullptr;
}

// A data object holding one "Orrel::Object" block.
class BlockDataObject final : public IDataObject {
public:
    explicit BlockDataObject(std::vector<std::uint8_t> block)
        : block_(std::move(block)),
          format_(static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Orrel::Object")))
    {
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject))
            return E_NOINTERFACE;
        *ppv = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!medium) return E_POINTER;
        std::memset(medium, 0, sizeof *medium);
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, block_.size());
        if (!global) return E_OUTOFMEMORY;
        std::memcpy(GlobalLock(global), block_.data(), block_.size());
        GlobalUnlock(global);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = global;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override
    {
        return format && format->cfFormat == format_ && (format->tymed & TYMED_HGLOBAL) ? S_OK
                                                                                        : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    ~BlockDataObject() = default;
    LONG refs_ = 1;
    std::vector<std::uint8_t> block_;
    CLIPFORMAT format_;
};

using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

}  // namespace

// ---- SampleImage -----------------------------------------------------------------

SampleImage::SampleImage(const std::function<void(nlohmann::json&)>& patch)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    char folder[MAX_PATH] = {};
    GetTempFileNameA(temp, "pgs", 0, folder);  // a unique name, made a folder
    DeleteFileA(folder);
    CreateDirectoryA(folder, nullptr);
    folder_ = folder;
    path_ = folder_ + "\\sample.json";

    nlohmann::json image =
        nlohmann::json::parse(ReadFileBytes(SourcePath("platform/sample/orrel-sample-directory.json")));
    if (patch) patch(image);
    std::ofstream(path_.c_str(), std::ios::binary) << image.dump(2);

    std::string streams = SourcePath("platform/sample/orrel-sample-directory.streams");
    CreateDirectoryA(StreamsFolder().c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((streams + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            CopyFileA((streams + "\\" + found.cFileName).c_str(),
                      (StreamsFolder() + "\\" + found.cFileName).c_str(), FALSE);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", path_.c_str());
    UseSecondIdentity(false);
}

SampleImage::~SampleImage()
{
    UseSecondIdentity(false);
    SetEnvironmentVariableA("ORREL_DIRECTORY_IMAGE", nullptr);
    DeleteTree(folder_);
}

std::string SampleImage::StreamsFolder() const
{
    return folder_ + "\\sample.streams";
}

void SampleImage::UseSecondIdentity(bool second)
{
    SetEnvironmentVariableA("ORREL_DIRECTORY_IDENTITY", second ? "second" : nullptr);
}

nlohmann::json SampleImage::Values(const char* object, const char* attribute) const
{
    nlohmann::json image = nlohmann::json::parse(ReadFileBytes(path_), nullptr, false);
    if (image.is_discarded()) return nullptr;
    const nlohmann::json* o = FindObject(image, object);
    if (!o || !o->contains("attributes")) return nullptr;
    for (auto it = (*o)["attributes"].begin(); it != (*o)["attributes"].end(); ++it)
        if (lstrcmpiA(it.key().c_str(), attribute) == 0) return it.value();
    return nullptr;
}

std::string SampleImage::StreamBytes(const char* object, const char* attribute) const
{
    nlohmann::json values = Values(object, attribute);
    if (!values.is_array() || values.empty() || !values[0].is_string()) return std::string();
    return ReadFileBytes(StreamsFolder() + "\\" + values[0].get<std::string>());
}

// ---- The sample's main tree served live by slapd ---------------------------------------

namespace {

// A connection to the test's slapd, bound as dn (null: anonymously).
LDAP* ConnectToSlapd(const char* dn, const char* password)
{
    LDAP* ld = ldap_initA(const_cast<char*>("127.0.0.1"), 389);
    if (!ld) return nullptr;
    ULONG version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    if (ldap_simple_bind_sA(ld, const_cast<char*>(dn), const_cast<char*>(password)) != LDAP_SUCCESS) {
        ldap_unbind(ld);
        return nullptr;
    }
    return ld;
}

}  // namespace

void ServeTreeFromSlapd(nlohmann::json& image)
{
    for (nlohmann::json& tree : image["trees"])
        if (tree.value("name", "") == "ORREL_TREE")
            tree["ldap"] = {{"host", "127.0.0.1"}, {"port", 389}, {"password", "orrel"}};
}

Texts ServerValues(const char* dn, const char* attribute)
{
    Texts out;
    LDAP* ld = ConnectToSlapd(nullptr, nullptr);
    if (!ld) return out;
    char* attrs[] = {const_cast<char*>(attribute), nullptr};
    LDAPMessage* result = nullptr;
    if (ldap_search_sA(ld, const_cast<char*>(dn), LDAP_SCOPE_BASE, const_cast<char*>("(objectClass=*)"), attrs,
                       0, &result) == LDAP_SUCCESS) {
        if (LDAPMessage* e = ldap_first_entry(ld, result)) {
            berval** values = ldap_get_values_lenA(ld, e, const_cast<char*>(attribute));
            for (berval** v = values; v && *v; ++v)
                out.emplace_back((*v)->bv_val ? (*v)->bv_val : "", (*v)->bv_val ? (*v)->bv_len : 0);
            if (values) ldap_value_free_len(values);
        }
    }
    if (result) ldap_msgfree(result);
    ldap_unbind(ld);
    return out;
}

bool AddServerEntry(const char* dn, const std::vector<std::pair<const char*, const char*>>& attributes)
{
    LDAP* ld = ConnectToSlapd("cn=Admin,o=Corp", "orrel");
    if (!ld) return false;
    // One modification per type, with all its values.
    std::vector<std::string> types;
    std::vector<std::vector<char*>> values;
    for (const auto& a : attributes) {
        size_t i = 0;
        while (i < types.size() && types[i] != a.first) ++i;
        if (i == types.size()) {
            types.push_back(a.first);
            values.emplace_back();
        }
        values[i].push_back(const_cast<char*>(a.second));
    }
    std::vector<LDAPModA> mods(types.size());
    std::vector<LDAPModA*> list;
    for (size_t i = 0; i < types.size(); ++i) {
        values[i].push_back(nullptr);
        mods[i].mod_op = LDAP_MOD_ADD;
        mods[i].mod_type = const_cast<char*>(types[i].c_str());
        mods[i].mod_vals.modv_strvals = values[i].data();
        list.push_back(&mods[i]);
    }
    list.push_back(nullptr);
    ULONG rc = ldap_add_sA(ld, const_cast<char*>(dn), list.data());
    ldap_unbind(ld);
    return rc == LDAP_SUCCESS;
}

nlohmann::json& SampleImage::Attributes(nlohmann::json& image, const char* object)
{
    const nlohmann::json* o = FindObject(image, object);
    if (!o) throw std::runtime_error(std::string("no object ") + object);
    return const_cast<nlohmann::json&>(*o)["attributes"];
}

nlohmann::json Strings(std::initializer_list<const char*> values)
{
    nlohmann::json array = nlohmann::json::array();
    for (const char* v : values) array.push_back(v);
    return array;
}

// ---- PageDll -------------------------------------------------------------------------

orrel::ComPtr<IDataObject> MakeSelection(const char* className, const Texts& objects)
{
    std::vector<std::vector<std::uint8_t>> lists;
    for (const std::string& name : objects) {
        orrel::ItemRecord record;
        record.className = className;
        record.displayName = name.substr(0, name.find('.'));
        record.tree = "ORREL_TREE";
        orrel::EncodePath("." + name, &record.path);
        std::vector<std::uint8_t> list;
        orrel::AppendItemEntry(record, &list);
        lists.push_back(std::move(list));
    }
    std::vector<std::uint8_t> block;
    orrel::BuildObjectBlock(lists, &block);
    orrel::ComPtr<IDataObject> data;
    data.Attach(new BlockDataObject(std::move(block)));
    return data;
}

HMODULE PageDll::Module() const
{
    if (HMODULE loaded = GetModuleHandleA(file_)) return loaded;
    return LoadLibraryA(BinPath(file_).c_str());
}

HRESULT PageDll::ClassObject(REFCLSID clsid, REFIID riid, void** ppv) const
{
    auto get = reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void*>(GetProcAddress(Module(), "DllGetClassObject")));
    if (!get) return E_UNEXPECTED;
    return get(clsid, riid, ppv);
}

HRESULT PageDll::Call(const char* exportName) const
{
    auto f = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(Module(), exportName)));
    return f ? f() : E_UNEXPECTED;
}

orrel::ComPtr<IShellExtInit> PageDll::MakeHandler(const char* className, const Texts& objects,
                                                  HRESULT* initResult) const
{
    orrel::ComPtr<IShellExtInit> handler;
    orrel::ComPtr<IClassFactory> factory;
    if (FAILED(ClassObject(clsid_, IID_IClassFactory, factory.PutVoid())) ||
        FAILED(factory->CreateInstance(nullptr, IID_IShellExtInit, handler.PutVoid())))
        return handler;
    orrel::ComPtr<IDataObject> data = MakeSelection(className, objects);
    HRESULT hr = handler->Initialize(nullptr, data.Get(), nullptr);
    if (initResult) *initResult = hr;
    return handler;
}

void ExpectRegistration(const PageDll& dll, const char* className, const char* description)
{
    char clsid[39] = {};
    orrel::GuidToString(dll.Clsid(), clsid);
    const std::string clsidKey = std::string("CLSID\\") + clsid;
    const std::string classKey =
        std::string("Software\\Halvet\\Orrel NameSpace\\Classes\\") + className;
    const bool before = orrel::KeyExists(HKEY_CLASSES_ROOT, clsidKey.c_str());
    ASSERT_EQ(S_OK, dll.Call("DllRegisterServer"));

    char module[MAX_PATH] = {};
    GetModuleFileNameA(dll.Module(), module, MAX_PATH);
    auto text = [](HKEY root, const std::string& path, const char* name) {
        orrel::RegKey key;
        std::string value = "<missing>";
        if (key.Open(root, path.c_str(), KEY_READ) == ERROR_SUCCESS) key.QueryString(name, &value);
        return value;
    };
    auto number = [](HKEY root, const std::string& path, const char* name) {
        orrel::RegKey key;
        DWORD value = 0xDEADBEEF;
        if (key.Open(root, path.c_str(), KEY_READ) == ERROR_SUCCESS) key.QueryDword(name, &value);
        return value;
    };
    EXPECT_EQ(description, text(HKEY_CLASSES_ROOT, clsidKey, nullptr));
    EXPECT_EQ(module, text(HKEY_CLASSES_ROOT, clsidKey + "\\InProcServer32", nullptr));
    EXPECT_EQ("Apartment", text(HKEY_CLASSES_ROOT, clsidKey + "\\InProcServer32", "ThreadingModel"));
    EXPECT_EQ(std::string(module) + ",0", text(HKEY_CLASSES_ROOT, clsidKey + "\\DefaultIcon", nullptr));
    const std::string pages = classKey + "\\PropertyPages\\" + clsid;
    EXPECT_EQ(description, text(HKEY_CURRENT_USER, pages, nullptr));
    EXPECT_EQ(0u, number(HKEY_CURRENT_USER, pages, "Flags"));
    EXPECT_EQ(0x01000000u, number(HKEY_CURRENT_USER, pages, "LoadPriority"));
    const std::string command =
        classKey + "\\ContextMenuHandlers\\{0FEC2000-2800-11D3-8685-00A0C9D59E71}";
    EXPECT_EQ("Corvane Orrel Properties Handler", text(HKEY_CURRENT_USER, command, nullptr));
    EXPECT_EQ(0x0F000000u, number(HKEY_CURRENT_USER, command, "LoadPriority"));
    EXPECT_EQ(description,
              text(HKEY_CURRENT_USER, classKey + "\\IconHandler\\" + clsid, nullptr));

    orrel::ComPtr<IShellPropSheetExt> created;
    EXPECT_EQ(S_OK, CoCreateInstance(dll.Clsid(), nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellPropSheetExt, created.PutVoid()));
    created.Reset();
    if (before) return;
    EXPECT_EQ(S_OK, dll.Call("DllUnregisterServer"));
    EXPECT_FALSE(orrel::KeyExists(HKEY_CLASSES_ROOT, clsidKey.c_str()));
    EXPECT_FALSE(orrel::KeyExists(HKEY_CURRENT_USER, pages.c_str()));
}

void ExpectClassIcon(const PageDll& dll, IShellExtInit* handler)
{
    orrel::ComPtr<IExtractIconA> icon;
    ASSERT_TRUE(handler && SUCCEEDED(handler->QueryInterface(IID_IExtractIconA, icon.PutVoid())));
    char file[MAX_PATH] = {};
    int index = 0;
    UINT flags = 1;
    ASSERT_EQ(S_OK, icon->GetIconLocation(0, file, MAX_PATH, &index, &flags));
    char module[MAX_PATH] = {};
    GetModuleFileNameA(dll.Module(), module, MAX_PATH);
    EXPECT_EQ(0, lstrcmpiA(module, file)) << file;
    EXPECT_EQ(-2, index);
    EXPECT_EQ(0u, flags);
    HICON large = nullptr, small = nullptr;
    EXPECT_EQ(S_FALSE, icon->Extract(file, static_cast<UINT>(index), &large, &small, 0x00100020));
    for (int size : {16, 32}) {
        HICON loaded = static_cast<HICON>(
            LoadImageA(dll.Module(), MAKEINTRESOURCEA(2), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        EXPECT_NE(nullptr, loaded) << "icon 2 at " << size;
        if (loaded) DestroyIcon(loaded);
    }
}

// ---- Sheet -----------------------------------------------------------------------

Sheet::Sheet(IShellExtInit* handler, const char* caption)
{
    orrel::ComPtr<IShellPropSheetExt> ext;
    if (!handler || FAILED(handler->QueryInterface(IID_IShellPropSheetExt, ext.PutVoid()))) return;
    addPages_ = ext->AddPages(
        [](HPROPSHEETPAGE page, LPARAM self) -> BOOL {
            reinterpret_cast<Sheet*>(self)->pages_.push_back(page);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    if (pages_.empty()) return;
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS;
    header.pszCaption = caption;
    header.nPages = static_cast<UINT>(pages_.size());
    header.phpage = pages_.data();
    hwnd_ = reinterpret_cast<HWND>(PropertySheetA(&header));
    if (hwnd_) {
        SetWindowPos(hwnd_, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        Pump(50);
    }
}

Sheet::~Sheet()
{
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    Pump();
}

int Sheet::PageCount() const
{
    return static_cast<int>(SendMessageA(PropSheet_GetTabControl(hwnd_), TCM_GETITEMCOUNT, 0, 0));
}

std::string Sheet::Caption(int index) const
{
    char text[128] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(PropSheet_GetTabControl(hwnd_), TCM_GETITEMA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    return text;
}

HWND Sheet::Page(int index)
{
    SendMessageA(hwnd_, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    Pump();
    return PropSheet_GetCurrentPageHwnd(hwnd_);
}

int Sheet::CurrentIndex() const
{
    return static_cast<int>(SendMessageA(PropSheet_GetTabControl(hwnd_), TCM_GETCURSEL, 0, 0));
}

bool Sheet::Apply()
{
    bool ok = SendMessageA(hwnd_, PSM_APPLY, 0, 0) != 0;
    Pump();
    return ok;
}

bool Sheet::ApplyEnabled() const
{
    HWND apply = GetDlgItem(hwnd_, 0x3021);  // the sheet's Apply button
    return apply && IsWindowEnabled(apply);
}

Texts Sheet::Captions() const
{
    Texts captions;
    for (int i = 0; i < PageCount(); ++i) captions.push_back(Caption(i));
    return captions;
}

// ---- CommandSheet ------------------------------------------------------------------

namespace {

// {0FEC2000-2800-11d3-8685-00A0C9D59E71}
const CLSID kPropertiesCommand = {
    0x0FEC2000, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};
const PageDll kCommandDll("OrrelProperties.dll", kPropertiesCommand);

bool Registered(const CLSID& clsid)
{
    char text[39] = {};
    orrel::GuidToString(clsid, text);
    return orrel::KeyExists(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + text).c_str());
}

BOOL CALLBACK FindOtherThreadsSheet(HWND hwnd, LPARAM lp)
{
    DWORD pid = 0;
    DWORD thread = GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || thread == GetCurrentThreadId() || !IsWindowVisible(hwnd) ||
        !FindWindowExA(hwnd, nullptr, "SysTabControl32", nullptr))
        return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

}  // namespace

CommandSheet::CommandSheet(const PageDll& dll, const char* className, const char* object)
    : dll_(dll)
{
    registeredBefore_[0] = Registered(dll.Clsid());
    registeredBefore_[1] = Registered(kPropertiesCommand);
    EXPECT_EQ(S_OK, dll.Call("DllRegisterServer"));
    EXPECT_EQ(S_OK, kCommandDll.Call("DllRegisterServer"));
    {
        orrel::ComPtr<IShellExtInit> init;
        HRESULT hr = CoCreateInstance(kPropertiesCommand, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellExtInit, init.PutVoid());
        EXPECT_EQ(S_OK, hr) << "the properties command";
        if (FAILED(hr)) return;
        orrel::ComPtr<IDataObject> data = MakeSelection(className, {object});
        EXPECT_EQ(S_OK, init->Initialize(nullptr, data.Get(), nullptr));
        orrel::ComPtr<IContextMenu> menu;
        EXPECT_EQ(S_OK, init.As(IID_IContextMenu, menu));
        if (!menu) return;
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof info;
        info.lpVerb = MAKEINTRESOURCEA(0);
        info.nShow = SW_SHOWNORMAL;
        EXPECT_EQ(S_OK, menu->InvokeCommand(&info));
    }  // the browser lets the command go at once
    EXPECT_TRUE(PumpUntil([&] {
        EnumWindows(&FindOtherThreadsSheet, reinterpret_cast<LPARAM>(&sheet_));
        return sheet_ != nullptr;
    })) << "a sheet opened on the command's thread";
    if (sheet_) {
        SetWindowPos(sheet_, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE);
        Pump(300);
    }
}

CommandSheet::~CommandSheet()
{
    if (sheet_ && IsWindow(sheet_)) {
        PostMessageA(sheet_, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(sheet_); }));
    }
    auto canUnload = [](const PageDll& dll) {
        auto f = reinterpret_cast<HRESULT(WINAPI*)()>(
            reinterpret_cast<void*>(GetProcAddress(dll.Module(), "DllCanUnloadNow")));
        return f && f() == S_OK;
    };
    EXPECT_TRUE(PumpUntil([&] { return canUnload(dll_) && canUnload(kCommandDll); }))
        << "the sheet's thread gave back every reference";
    if (!registeredBefore_[0]) dll_.Call("DllUnregisterServer");
    if (!registeredBefore_[1]) kCommandDll.Call("DllUnregisterServer");
}

Texts CommandSheet::Captions() const
{
    return SheetTabs(sheet_);
}

// ---- The namespace ---------------------------------------------------------------------

namespace {
const char kNamespaceKey[] = "Software\\Halvet\\Orrel Namespace";
}

void WriteItemText(HKEY item, const char* name, const std::string& text)
{
    RegSetValueExA(item, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

void ConfigureTree()
{
    orrel::DeleteKeyTree(HKEY_CURRENT_USER, (std::string(kNamespaceKey) + "\\Folders").c_str());
    orrel::RegKey trees;
    trees.Create(HKEY_CURRENT_USER, (std::string(kNamespaceKey) + "\\Trees").c_str());
    trees.SetString("ORREL_TREE", "ORREL-FS1");
    orrel::RegKey tree;
    tree.Create(HKEY_CURRENT_USER, (std::string(kNamespaceKey) + "\\Folders\\ORREL_TREE-ORREL_TREE").c_str());
    WriteItemText(tree.Get(), "DN", "");
    tree.SetDword("Flags", 0x1 | 0x100 | 0x200);  // container, shortcut, tree
    WriteItemText(tree.Get(), "DisplayName", "ORREL_TREE");
    WriteItemText(tree.Get(), "Tree", "ORREL_TREE");
    WriteItemText(tree.Get(), "Server", "ORREL-FS1");
    WriteItemText(tree.Get(), "Class", "Tree Root");
}

std::string DisplayName(IShellFolder* folder, LPCITEMIDLIST child)
{
    STRRET name = {};
    if (FAILED(folder->GetDisplayNameOf(child, SHGDN_INFOLDER, &name))) return std::string();
    char text[MAX_PATH] = {};
    StrRetToBufA(&name, child, text, sizeof text);
    return text;
}

LPITEMIDLIST FindChild(IShellFolder* folder, const std::string& name)
{
    orrel::ComPtr<IEnumIDList> items;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put()) != S_OK)
        return nullptr;
    LPITEMIDLIST item = nullptr;
    while (items->Next(1, &item, nullptr) == S_OK) {
        if (DisplayName(folder, item) == name) return item;
        CoTaskMemFree(item);
    }
    return nullptr;
}

Texts ChildNames(IShellFolder* folder)
{
    Texts names;
    orrel::ComPtr<IEnumIDList> items;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put()) != S_OK) return names;
    LPITEMIDLIST item = nullptr;
    while (items->Next(1, &item, nullptr) == S_OK) {
        names.push_back(DisplayName(folder, item));
        CoTaskMemFree(item);
    }
    return names;
}

Texts SheetTabs(HWND sheet)
{
    Texts tabs;
    HWND tab = FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr);
    int count = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[128] = {};
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        tabs.push_back(text);
    }
    return tabs;
}

// ---- Messages and modal loops ---------------------------------------------------------

void PumpPending()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Pump(DWORD milliseconds)
{
    ULONGLONG end = GetTickCount64() + milliseconds;
    do {
        PumpPending();
        if (milliseconds) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount64() < end);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        PumpPending();
        if (done()) return true;
        if (GetTickCount64() >= end) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

namespace {

ModalScript* g_script = nullptr;

BOOL CALLBACK EndThreadDialog(HWND hwnd, LPARAM)
{
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0) PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

}  // namespace

ModalScript::ModalScript(std::vector<std::function<bool()>> steps, DWORD timeoutMs)
    : steps_(steps.begin(), steps.end()), outer_(g_script), deadline_(GetTickCount64() + timeoutMs)
{
    g_script = this;
    timer_ = SetTimer(nullptr, 0, 20, &ModalScript::Tick);
}

ModalScript::~ModalScript()
{
    if (timer_) KillTimer(nullptr, timer_);
    g_script = outer_;
}

// Only the innermost script runs: an outer one is inside the step that
// opened the modal loop the inner one drives.
void CALLBACK ModalScript::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    ModalScript* self = g_script;
    if (!self) return;
    if (!self->steps_.empty() && GetTickCount64() > self->deadline_) {
        ADD_FAILURE() << "a script step did not happen in time; its dialogs are cancelled";
        self->steps_.clear();
        EnumThreadWindows(GetCurrentThreadId(), &EndThreadDialog, 0);
        return;
    }
    if (self->steps_.empty()) return;
    std::function<bool()> step = std::move(self->steps_.front());
    self->steps_.pop_front();
    ++self->running_;
    bool done = step();
    --self->running_;
    if (!done && g_script == self) self->steps_.push_front(std::move(step));
}

// ---- Controls -----------------------------------------------------------------------------

namespace {

struct FindData {
    const char* title;
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM lp)
{
    auto* data = reinterpret_cast<FindData*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0) return TRUE;
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    if (lstrcmpA(title, data->title) != 0) return TRUE;
    if (data->owner && GetWindow(hwnd, GW_OWNER) != data->owner) return TRUE;
    data->found = hwnd;
    return FALSE;
}

}  // namespace

HWND FindDialog(const char* title, HWND owner)
{
    FindData data{title, owner, nullptr};
    EnumWindows(&FindDialogProc, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

std::string StaticTexts(HWND dialog, const char* separator)
{
    std::string joined;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[16] = {}, text[512] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") != 0 || !GetWindowTextA(child, text, sizeof text)) continue;
        if (!joined.empty()) joined += separator;
        joined += text;
    }
    return joined;
}

void Click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string ItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    int length = GetWindowTextLengthA(item);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(item, &text[0], length + 1)));
    return text;
}

void SetText(HWND dialog, int id, const char* text)
{
    SendDlgItemMessageA(dialog, id, EM_SETSEL, 0, -1);
    SendDlgItemMessageA(dialog, id, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

Texts ComboTexts(HWND combo)
{
    Texts texts;
    LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        std::string text(static_cast<size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        texts.push_back(text.c_str());
    }
    return texts;
}

Texts ListBoxTexts(HWND list)
{
    Texts texts;
    LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        std::string text(static_cast<size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        texts.push_back(text.c_str());
    }
    return texts;
}

Texts ListViewTexts(HWND list, int column)
{
    Texts texts;
    int n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char text[512] = {};
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        texts.push_back(text);
    }
    return texts;
}

bool IsReadOnly(HWND dialog, int id)
{
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & ES_READONLY) != 0;
}

bool IsEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool IsVisible(HWND dialog, int id)
{
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

Texts EditList(HWND page, int button, const char* title, const Texts& add)
{
    Texts shown;
    ModalScript script({[&] {
        HWND editor = FindDialog(title);
        if (!editor) return false;
        shown = ListBoxTexts(GetDlgItem(editor, 10002));
        for (const std::string& value : add) {
            SetDlgItemTextA(editor, 10001, value.c_str());
            Click(editor, 10003);
        }
        Click(editor, IDOK);
        return true;
    }});
    Click(page, button);
    EXPECT_TRUE(script.Done()) << "the editor \"" << title << "\" was not driven";
    return shown;
}

std::string AnswerMessageBox(HWND page, int button, int answer, const char* caption)
{
    std::string text;
    ModalScript script({[&] {
        HWND box = FindDialog(caption);
        if (!box) return false;
        text = StaticTexts(box);
        Click(box, answer);
        return true;
    }});
    Click(page, button);
    EXPECT_TRUE(script.Done()) << "no message box \"" << caption << "\"";
    return text;
}

// ---- Pictures -----------------------------------------------------------------------

namespace {

std::vector<COLORREF> ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> bgrx(static_cast<std::size_t>(width) * height);
    if (GetDIBits(dc, bitmap, 0, height, bgrx.data(), &info, DIB_RGB_COLORS) != height) return {};
    std::vector<COLORREF> pixels;
    pixels.reserve(bgrx.size());
    for (DWORD p : bgrx) pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return pixels;
}

std::uint32_t Crc(const std::string& bytes)
{
    static std::uint32_t table[256];
    if (!table[1])
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string Big32(std::uint32_t v)
{
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

std::string Chunk(const char* type, const std::string& data)
{
    std::string body = std::string(type, 4) + data;
    return Big32(static_cast<std::uint32_t>(data.size())) + body + Big32(Crc(body));
}

// An RGB PNG with stored (uncompressed) deflate blocks.
std::string Png(const std::vector<COLORREF>& pixels, int width, int height)
{
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x) {
            COLORREF c = pixels[static_cast<std::size_t>(y) * width + x];
            raw += static_cast<char>(GetRValue(c));
            raw += static_cast<char>(GetGValue(c));
            raw += static_cast<char>(GetBValue(c));
        }
    }
    std::string z = "\x78\x01";
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        z += static_cast<char>(at + n >= raw.size() ? 1 : 0);
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z.append(raw, at, n);
        if (raw.empty()) break;
    }
    std::uint32_t a = 1, b = 0;
    for (unsigned char ch : raw) {
        a = (a + ch) % 65521;
        b = (b + a) % 65521;
    }
    z += Big32((b << 16) | a);
    std::string header = Big32(static_cast<std::uint32_t>(width)) +
                         Big32(static_cast<std::uint32_t>(height)) + std::string("\x08\x02\0\0\0", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", z) +
           Chunk("IEND", "");
}

}  // namespace

bool SaveScreenshot(HWND window, const std::string& path, std::size_t* colours)
{
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    std::vector<COLORREF> pixels = ReadBitmap(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (pixels.empty()) return false;
    *colours = std::set<COLORREF>(pixels.begin(), pixels.end()).size();
    std::ofstream(path.c_str(), std::ios::binary) << Png(pixels, width, height);
    return true;
}

std::vector<COLORREF> PrintClient(HWND window, int* width, int* height)
{
    RECT r;
    GetClientRect(window, &r);
    *width = r.right;
    *height = r.bottom;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    SelectObject(memory, old);
    std::vector<COLORREF> pixels = ReadBitmap(memory, bitmap, r.right, r.bottom);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

Texts SaveSheetPages(Sheet& sheet, const char* folder)
{
    Texts written;
    std::string dir = BinPath((std::string("..\\") + folder).c_str());
    CreateDirectoryA(dir.c_str(), nullptr);
    SetForegroundWindow(sheet.Handle());
    for (int i = 0; i < sheet.PageCount(); ++i) {
        sheet.Page(i);
        RedrawWindow(sheet.Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(300);
        std::string caption = sheet.Caption(i);
        for (char& c : caption)
            if (!isalnum(static_cast<unsigned char>(c))) c = '-';
        std::string path = dir + "\\" + std::to_string(i + 1) + "-" + caption + ".png";
        std::size_t colours = 0;
        EXPECT_TRUE(SaveScreenshot(sheet.Handle(), path, &colours)) << path;
        EXPECT_GE(colours, 8u) << path << " is blank or of too few colours";
        written.push_back(path);
    }
    return written;
}

}  // namespace pagetest
