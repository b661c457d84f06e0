#include "orrel/tools/tooldll.h"

#include <string>

#include "orrel/comguard.h"
#include "orrel/module.h"
#include "orrel/pages/pagedll.h"
#include "orrel/registry.h"

namespace orrel {
namespace tools {
namespace {

const ToolInfo* g_info = nullptr;

// The resource library (when the tool has one) lives while anything of the
// DLL does: loaded at the first reference, freed with the last.
void CountHook(LONG count, bool increment) noexcept
{
    if (!g_info || !g_info->resourceLibrary) return;
    if (increment && count == 1)
        pages::LoadResourceLibrary(g_info->resourceLibrary);
    else if (!increment && count == 0)
        pages::FreeResourceLibrary();
}

std::string ClsidText(const CLSID& clsid)
{
    char text[39];
    GuidToString(clsid, text);
    return text;
}

}  // namespace

std::string HandlerKey(const char* className, const CLSID& clsid)
{
    return std::string(pages::kClassesKey) + "\\" + className + "\\ContextMenuHandlers\\" +
           ClsidText(clsid);
}

BOOL ToolDllMain(HINSTANCE instance, DWORD reason, const ToolInfo& info) noexcept
{
    if (reason == DLL_PROCESS_ATTACH) {
        Module::Attach(instance);
        DisableThreadLibraryCalls(instance);
        g_info = &info;
        Module::SetCountHook(&CountHook);
    }
    return TRUE;
}

HRESULT ToolDllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) noexcept
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!g_info || !g_info->clsid || !g_info->create) return CLASS_E_CLASSNOTAVAILABLE;
    const FactoryEntry table[] = {{g_info->clsid, g_info->create}};
    return GetClassObject(table, clsid, riid, ppv);
}

HRESULT RegisterTool(const ToolInfo& info, const char* modulePath) noexcept
{
    GuardedCall(0, [&] {
        const std::string clsid = ClsidText(*info.clsid);
        RegKey key;
        if (key.Create(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid).c_str()) == ERROR_SUCCESS) {
            key.SetString(nullptr, info.description);
            RegKey server;
            if (server.Create(key.Get(), "InProcServer32") == ERROR_SUCCESS) {
                server.SetString(nullptr, modulePath ? modulePath : "");
                server.SetString("ThreadingModel", "Apartment");
            }
        }
        for (std::size_t i = 0; i < info.classCount; ++i) {
            RegKey handler;
            if (handler.Create(HKEY_CURRENT_USER, HandlerKey(info.classes[i], *info.clsid).c_str()) !=
                ERROR_SUCCESS)
                continue;
            handler.SetString(nullptr, info.handlerDescription);
            handler.SetDword("Flags", info.flags);
            handler.SetDword("LoadPriority", info.loadPriority);
        }
        return 0;
    });
    return S_OK;
}

HRESULT UnregisterTool(const ToolInfo& info) noexcept
{
    GuardedCall(0, [&] {
        const std::string classKey = "CLSID\\" + ClsidText(*info.clsid);
        DeleteKeyTree(HKEY_CLASSES_ROOT, (classKey + "\\InProcServer32").c_str());
        DeleteKeyTree(HKEY_CLASSES_ROOT, classKey.c_str());
        for (std::size_t i = 0; i < info.classCount; ++i)
            DeleteKeyTree(HKEY_CURRENT_USER, HandlerKey(info.classes[i], *info.clsid).c_str());
        return 0;
    });
    return S_OK;
}

}  // namespace tools
}  // namespace orrel
