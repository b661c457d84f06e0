// The skeleton of a tool DLL: entry points, class factory, registration and
// the resource library, from one ToolInfo.
//
//   const char* const kClasses[] = {"User"};
//   const orrel::tools::ToolInfo kHomePage = {
//       &CLSID_OrrelWebPage, "Corvane Orrel Location Context Menu",
//       "Corvane Orrel Home Page Directory Context Menu", kClasses, 1,
//       1 /* Flags */, 1 /* LoadPriority */, nullptr /* resource library */,
//       &orrel::CreateComObject<HomePageTool>};
//   ORREL_TOOL_DLL(kHomePage)
//
// with ${ORREL_PAGEDLL_DEF} (the four COM exports) as the DLL's .def file.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "orrel/classfactory.h"

namespace orrel {
namespace tools {

struct ToolInfo {
    const CLSID* clsid;
    const char* description;         // HKCR\CLSID\{clsid}
    const char* handlerDescription;  // each class's handler key
    const char* const* classes;      // classes whose handler key is written, in order
    std::size_t classCount;
    DWORD flags;                     // 1: one and several selected objects
    DWORD loadPriority;              // lower first in the menu
    const char* resourceLibrary;     // "OrrelMailLink.dlr", or null
    CreatorFunc create;              // the tool object
};

// "Software\Halvet\Orrel NameSpace\Classes\<class>\ContextMenuHandlers\{clsid}".
std::string HandlerKey(const char* className, const CLSID& clsid);

// DllMain's work: module, description and the resource library hook.
BOOL ToolDllMain(HINSTANCE instance, DWORD reason, const ToolInfo& info) noexcept;
HRESULT ToolDllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) noexcept;
// Both always S_OK: a key that cannot be made or deleted is skipped.
HRESULT RegisterTool(const ToolInfo& info, const char* modulePath) noexcept;
HRESULT UnregisterTool(const ToolInfo& info) noexcept;

}  // namespace tools
}  // namespace orrel

#define ORREL_TOOL_DLL(info)                                                              \
    extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)             \
    {                                                                                     \
        return ::orrel::tools::ToolDllMain(instance, reason, (info));                     \
    }                                                                                     \
    STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)                     \
    {                                                                                     \
        return ::orrel::tools::ToolDllGetClassObject(clsid, riid, ppv);                   \
    }                                                                                     \
    STDAPI DllCanUnloadNow() { return ::orrel::Module::CanUnloadNow(); }                  \
    STDAPI DllRegisterServer()                                                            \
    {                                                                                     \
        char path_[MAX_PATH + 1] = {};                                                    \
        if (!::orrel::Module::FileName(path_, sizeof path_)) return S_OK;                 \
        return ::orrel::tools::RegisterTool((info), path_);                               \
    }                                                                                     \
    STDAPI DllUnregisterServer() { return ::orrel::tools::UnregisterTool((info)); }
