#include "tool_test_support.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "orrel/core/itemrecord.h"

namespace tooltest {

// {84FFC889-921C-11D3-91F7-E8EB3BEB7451}
const CLSID kCsvWriterClsid = {
    0x84FFC889, 0x921C, 0x11D3, {0x91, 0xF7, 0xE8, 0xEB, 0x3B, 0xEB, 0x74, 0x51}};
// {0FEC2002-2800-11D3-8685-00A0C9D59E71}
const CLSID kMailLinkClsid = {
    0x0FEC2002, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};
// {5C394A40-7FF8-11D3-91D0-B247F6229351}
const CLSID kWebPageClsid = {
    0x5C394A40, 0x7FF8, 0x11D3, {0x91, 0xD0, 0xB2, 0x47, 0xF6, 0x22, 0x93, 0x51}};

namespace {

std::string ClsidText(const CLSID& clsid)
{
    char text[39];
    orrel::GuidToString(clsid, text);
    return text;
}

}  // namespace

std::string BinPath(const char* file)
{
    return pagetest::BinPath(file);
}

std::string ArtefactFolder(const char* name)
{
    char full[MAX_PATH] = {};
    GetFullPathNameA((BinPath("..\\") + name).c_str(), MAX_PATH, full, nullptr);
    CreateDirectoryA(full, nullptr);
    return full;
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

HMODULE ToolModule(const char* dll)
{
    static std::map<std::string, HMODULE> modules;
    HMODULE& module = modules[dll];
    if (!module) module = LoadLibraryA(BinPath(dll).c_str());
    return module;
}

HRESULT CallToolExport(const char* dll, const char* name)
{
    return pages_test::CallExport(ToolModule(dll), name);
}

orrel::ComPtr<IContextMenu> MakeTool(const char* dll, REFCLSID clsid, const std::vector<Obj>& objects,
                                     HRESULT* init)
{
    orrel::ComPtr<IContextMenu> menu;
    if (init) *init = E_UNEXPECTED;
    auto get = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(ToolModule(dll), "DllGetClassObject")));
    orrel::ComPtr<IClassFactory> factory;
    if (!get || FAILED(get(clsid, IID_IClassFactory, factory.PutVoid()))) return menu;
    orrel::ComPtr<IShellExtInit> tool;
    if (FAILED(factory->CreateInstance(nullptr, IID_IShellExtInit, tool.PutVoid()))) return menu;
    std::vector<pages_test::Selected> selected;
    for (const Obj& o : objects) {
        const char* label = o.name[0] == '.' ? o.name + 1 : o.name;
        selected.push_back({label, o.className, o.name, "ORREL_TREE"});
    }
    pages_test::ObjectDataObject data(selected);
    HRESULT hr = tool->Initialize(nullptr, &data, nullptr);
    if (init) *init = hr;
    EXPECT_EQ(1, data.References()) << "the tool keeps the data object";
    tool.As(IID_IContextMenu, menu);
    return menu;
}

MenuResult QueryMenu(IContextMenu* menu, UINT firstId)
{
    MenuResult result;
    HMENU popup = CreatePopupMenu();
    result.hr = menu->QueryContextMenu(popup, 0, firstId, 0x7FFF, CMF_NORMAL);
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        char text[256] = {};
        GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        result.texts.push_back(text);
        result.ids.push_back(GetMenuItemID(popup, i));
    }
    DestroyMenu(popup);
    return result;
}

HRESULT InvokeVerb(IContextMenu* menu, UINT verb)
{
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(verb);
    info.nShow = SW_SHOWNORMAL;
    return menu->InvokeCommand(&info);
}

std::string HelpText(IContextMenu* menu, UINT_PTR id, HRESULT* hr)
{
    char text[256];
    std::memset(text, '#', sizeof text);
    text[sizeof text - 1] = '\0';
    *hr = menu->GetCommandString(id, GCS_HELPTEXTA, nullptr, text, sizeof text - 1);
    return text;
}

// ---- Registration and the namespace -------------------------------------------------

Registration::Registration(const char* dll, const CLSID& clsid) : dll_(dll)
{
    before_ = orrel::KeyExists(HKEY_CLASSES_ROOT, ("CLSID\\" + ClsidText(clsid) + "\\InprocServer32").c_str());
    ok_ = CallToolExport(dll, "DllRegisterServer") == S_OK;
}

Registration::~Registration()
{
    if (!before_) CallToolExport(dll_.c_str(), "DllUnregisterServer");
}

orrel::ComPtr<IShellFolder> BindPath(const std::vector<std::string>& path)
{
    orrel::ComPtr<IShellFolder> folder;
    if (FAILED(SHGetDesktopFolder(folder.Put()))) return {};
    wchar_t root[] = L"::{76AAD000-C21A-11D1-8115-00C04FB67EB7}";
    LPITEMIDLIST list = nullptr;
    if (FAILED(folder->ParseDisplayName(nullptr, nullptr, root, nullptr, &list, nullptr))) return {};
    std::vector<std::string> steps = {"", "ORREL_TREE"};
    steps.insert(steps.end(), path.begin(), path.end());
    for (const std::string& name : steps) {
        if (!name.empty()) {
            CoTaskMemFree(list);
            list = FindChild(folder.Get(), name);
            if (!list) {
                ADD_FAILURE() << "no \"" << name << "\" in the namespace";
                return {};
            }
        }
        orrel::ComPtr<IShellFolder> next;
        HRESULT hr = folder->BindToObject(list, nullptr, IID_IShellFolder, next.PutVoid());
        if (FAILED(hr)) {
            CoTaskMemFree(list);
            return {};
        }
        folder = next;
    }
    CoTaskMemFree(list);
    return folder;
}

LPITEMIDLIST AbsolutePath(const std::vector<std::string>& path)
{
    orrel::ComPtr<IShellFolder> folder;
    if (FAILED(SHGetDesktopFolder(folder.Put()))) return nullptr;
    wchar_t root[] = L"::{76AAD000-C21A-11D1-8115-00C04FB67EB7}";
    LPITEMIDLIST absolute = nullptr;
    if (FAILED(folder->ParseDisplayName(nullptr, nullptr, root, nullptr, &absolute, nullptr))) return nullptr;
    std::vector<std::string> steps = {"ORREL_TREE"};
    steps.insert(steps.end(), path.begin(), path.end());
    LPITEMIDLIST relative = absolute;
    for (const std::string& name : steps) {
        orrel::ComPtr<IShellFolder> next;
        LPITEMIDLIST child = nullptr;
        if (FAILED(folder->BindToObject(relative, nullptr, IID_IShellFolder, next.PutVoid())) ||
            !(child = FindChild(next.Get(), name))) {
            if (relative != absolute) CoTaskMemFree(relative);
            CoTaskMemFree(absolute);
            return nullptr;
        }
        LPITEMIDLIST combined = ILCombine(absolute, child);
        if (relative != absolute) CoTaskMemFree(relative);
        relative = child;
        CoTaskMemFree(absolute);
        absolute = combined;
        folder = next;
    }
    if (relative != absolute) CoTaskMemFree(relative);
    return absolute;
}

orrel::ComPtr<IContextMenu> ItemMenu(IShellFolder* folder, const std::vector<std::string>& children)
{
    orrel::ComPtr<IContextMenu> menu;
    std::vector<LPITEMIDLIST> lists;
    for (const std::string& name : children) {
        LPITEMIDLIST child = FindChild(folder, name);
        if (!child) {
            ADD_FAILURE() << "no child \"" << name << "\"";
            continue;
        }
        lists.push_back(child);
    }
    if (lists.size() == children.size()) {
        std::vector<LPCITEMIDLIST> constLists(lists.begin(), lists.end());
        folder->GetUIObjectOf(nullptr, static_cast<UINT>(constLists.size()), constLists.data(),
                              IID_IContextMenu, nullptr, menu.PutVoid());
    }
    for (LPITEMIDLIST list : lists) CoTaskMemFree(list);
    return menu;
}

// ---- UrlRecorder ----------------------------------------------------------------------

UrlRecorder::UrlRecorder(const char* setting) : setting_(setting)
{
    char name[64];
    wsprintfA(name, "..\\url-record-%lu.txt", GetCurrentProcessId());
    record_ = BinPath(name);
    DeleteFileA(record_.c_str());
    // The recorder is a Unix program: it gets the Unix form of the path
    // (the build folder is on drive Z:, the Unix root).
    std::string unixPath = record_.substr(2);
    for (char& c : unixPath)
        if (c == '\\') c = '/';
    key_.Create(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser");
    had_ = key_.QueryString(setting_.c_str(), &before_) == ERROR_SUCCESS;
    key_.SetString(setting_.c_str(),
                   ("/bin/sh " ORREL_SOURCE_DIR "/pages/user/tests/record-url.sh " + unixPath).c_str());
}

UrlRecorder::~UrlRecorder()
{
    if (had_) key_.SetString(setting_.c_str(), before_.c_str());
    else RegDeleteValueA(key_.Get(), setting_.c_str());
    DeleteFileA(record_.c_str());
}

std::string UrlRecorder::Recorded() const
{
    std::string text;
    HANDLE h = CreateFileA(record_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD got = 0;
    if (ReadFile(h, buffer, sizeof buffer, &got, nullptr)) text.assign(buffer, got);
    CloseHandle(h);
    return text;
}

bool UrlRecorder::WaitForRecord(DWORD timeoutMs) const
{
    return PumpUntil([&] { return !Recorded().empty(); }, timeoutMs);
}

}  // namespace tooltest
