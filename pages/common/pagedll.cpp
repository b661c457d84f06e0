#include "orrel/pages/pagedll.h"

#include <cstring>
#include <vector>

#include "halvet/spacelib.h"
#include "orrel/classfactory.h"
#include "orrel/comguard.h"
#include "orrel/module.h"
#include "orrel/registry.h"

namespace orrel {
namespace pages {

// {0FEC2000-2800-11d3-8685-00A0C9D59E71}
const CLSID CLSID_OrrelPropertiesCommand = {
    0x0FEC2000, 0x2800, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};
const char kPropertiesCommandDescription[] = "Corvane Orrel Properties Handler";
const char kClassesKey[] = "Software\\Halvet\\Orrel NameSpace\\Classes";

namespace {

const PageDllInfo* g_info = nullptr;
HMODULE g_resourceLibrary = nullptr;
char g_resourcePath[MAX_PATH + 1] = {};

constexpr DWORD kPageLoadPriority = 0x01000000;
constexpr DWORD kCommandLoadPriority = 0x0F000000;

void CountHook(LONG count, bool increment) noexcept
{
    if (increment && count == 1) {
        if (g_info && g_info->resourceLibrary) LoadResourceLibrary(g_info->resourceLibrary);
    } else if (!increment && count == 0) {
        FreeResourceLibrary();
    }
}

std::string ClassKey(const PageDllInfo& info)
{
    return std::string(kClassesKey) + "\\" + info.className;
}

}  // namespace

void SetPageDllInfo(const PageDllInfo* info) noexcept
{
    g_info = info;
    Module::SetCountHook(info ? &CountHook : nullptr);
}

const PageDllInfo* GetPageDllInfo() noexcept
{
    return g_info;
}

BOOL PageDllMain(HINSTANCE instance, DWORD reason, const PageDllInfo& info) noexcept
{
    if (reason == DLL_PROCESS_ATTACH) {
        Module::Attach(instance);
        DisableThreadLibraryCalls(instance);
        SetPageDllInfo(&info);
    }
    // The resource library was freed when the last reference went; a
    // process that ends with references held takes it down with itself.
    return TRUE;
}

HRESULT PageDllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) noexcept
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!g_info || !g_info->clsid) return CLASS_E_CLASSNOTAVAILABLE;
    const FactoryEntry table[] = {{g_info->clsid, &PropertyHandler::Create}};
    return GetClassObject(table, clsid, riid, ppv);
}

HRESULT PageDllCanUnloadNow() noexcept
{
    return Module::CanUnloadNow();
}

bool ReadFileVersionMS(const char* path, DWORD* versionMS) noexcept
{
    return GuardedCall(false, [&] {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(path, &ignored);
        if (size == 0) return false;
        std::vector<unsigned char> block(size);
        if (!GetFileVersionInfoA(path, 0, size, block.data())) return false;
        void* root = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), "\\", &root, &length) || !root ||
            length < sizeof(VS_FIXEDFILEINFO))
            return false;
        VS_FIXEDFILEINFO info;
        std::memcpy(&info, root, sizeof info);
        if (info.dwSignature != 0xFEEF04BDu) return false;
        *versionMS = info.dwFileVersionMS;
        return true;
    });
}

// The library is mapped as a data file: only its resources are used, and
// none of its code (it should have none) ever runs in the shell's process.
bool LoadResourceLibrary(const char* resourceLibraryName) noexcept
{
    if (g_resourceLibrary) return true;
    char self[MAX_PATH + 1] = {};
    if (!resourceLibraryName || !Module::FileName(self, sizeof self)) return false;
    char path[260] = {};
    if (!LocateResourceLibrary(resourceLibraryName, self, path, sizeof path) || !path[0])
        return false;
    DWORD versionMS = 0;
    if (!ReadFileVersionMS(path, &versionMS) || versionMS != 0x00010000u) return false;
    HMODULE library = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!library) return false;
    g_resourceLibrary = library;
    lstrcpynA(g_resourcePath, path, sizeof g_resourcePath);
    Module::SetResourceInstance(library);
    return true;
}

void FreeResourceLibrary() noexcept
{
    if (!g_resourceLibrary) return;
    Module::SetResourceInstance(Module::Instance());
    FreeLibrary(g_resourceLibrary);
    g_resourceLibrary = nullptr;
    g_resourcePath[0] = '\0';
}

std::string ResourceModulePath()
{
    if (g_resourceLibrary) return g_resourcePath;
    char self[MAX_PATH + 1] = {};
    if (!Module::FileName(self, sizeof self)) return std::string();
    return self;
}

HRESULT RegisterPageDll(const PageDllInfo& info, const char* modulePath) noexcept
{
    GuardedCall(0, [&] {
        char clsid[39];
        GuidToString(*info.clsid, clsid);
        char command[39];
        GuidToString(CLSID_OrrelPropertiesCommand, command);
        std::string module = modulePath ? modulePath : "";

        // 1. The COM class.
        RegKey key;
        if (key.Create(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + clsid).c_str()) == ERROR_SUCCESS) {
            key.SetString(nullptr, info.description);
            RegKey server;
            if (server.Create(key.Get(), "InProcServer32") == ERROR_SUCCESS) {
                server.SetString(nullptr, module.c_str());
                server.SetString("ThreadingModel", "Apartment");
            }
            RegKey icon;
            if (icon.Create(key.Get(), "DefaultIcon") == ERROR_SUCCESS)
                icon.SetString(nullptr, (module + ",0").c_str());
        }
        std::string classKey = ClassKey(info);
        // 2. The page handler of the class.
        RegKey pages;
        if (pages.Create(HKEY_CURRENT_USER,
                         (classKey + "\\PropertyPages\\" + clsid).c_str()) == ERROR_SUCCESS) {
            pages.SetString(nullptr, info.description);
            pages.SetDword("Flags", 0);
            pages.SetDword("LoadPriority", kPageLoadPriority);
        }
        // 3. The properties command that opens the class's sheet.
        RegKey menu;
        if (menu.Create(HKEY_CURRENT_USER,
                        (classKey + "\\ContextMenuHandlers\\" + command).c_str()) == ERROR_SUCCESS) {
            menu.SetString(nullptr, kPropertiesCommandDescription);
            menu.SetDword("Flags", 0);
            menu.SetDword("LoadPriority", kCommandLoadPriority);
        }
        // 4. The class icon.
        RegKey iconHandler;
        if (iconHandler.Create(HKEY_CURRENT_USER,
                               (classKey + "\\IconHandler\\" + clsid).c_str()) == ERROR_SUCCESS)
            iconHandler.SetString(nullptr, info.description);
        return 0;
    });
    return S_OK;
}

HRESULT UnregisterPageDll(const PageDllInfo& info) noexcept
{
    GuardedCall(0, [&] {
        char clsid[39];
        GuidToString(*info.clsid, clsid);
        char command[39];
        GuidToString(CLSID_OrrelPropertiesCommand, command);
        std::string classPath = std::string("CLSID\\") + clsid;
        DeleteKeyTree(HKEY_CLASSES_ROOT, (classPath + "\\InProcServer32").c_str());
        DeleteKeyTree(HKEY_CLASSES_ROOT, (classPath + "\\DefaultIcon").c_str());
        DeleteKeyTree(HKEY_CLASSES_ROOT, classPath.c_str());
        std::string classKey = ClassKey(info);
        DeleteKeyTree(HKEY_CURRENT_USER, (classKey + "\\PropertyPages\\" + clsid).c_str());
        DeleteKeyTree(HKEY_CURRENT_USER, (classKey + "\\IconHandler\\" + clsid).c_str());
        // The command stays while another page DLL serves the class.
        RegKey pages;
        bool othersLeft = pages.Open(HKEY_CURRENT_USER, (classKey + "\\PropertyPages").c_str(),
                                     KEY_READ) == ERROR_SUCCESS &&
                          pages.HasSubkeys();
        if (!othersLeft)
            DeleteKeyTree(HKEY_CURRENT_USER, (classKey + "\\ContextMenuHandlers\\" + command).c_str());
        return 0;
    });
    return S_OK;
}

}  // namespace pages
}  // namespace orrel
