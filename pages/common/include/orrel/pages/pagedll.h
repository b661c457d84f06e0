// The generic skeleton of a page DLL: entry points, class factory,
// registration and the resource library, from one PageDllInfo.
//
//   // userpages.cpp
//   const orrel::pages::PageFactory kPages[] = {
//       &orrel::pages::MakePage<PersonalPage>, ...};
//   const orrel::pages::PageDllInfo kUserPages = {
//       "User", &CLSID_OrrelUserPages, "Corvane Orrel User Properties",
//       "OrrelUserPages.dlr", kPages, std::size(kPages)};
//   ORREL_PAGE_DLL(kUserPages)
//
// and pages/common/pagedll.def as the DLL's .def file. The DLL's .rc
// includes pages/common/editlist.rc (dialog 10000, strings 101 and 102) and
// holds icon 2, the class icon.
#pragma once

#include <windows.h>

#include <string>

#include "orrel/pages/handler.h"

namespace orrel {
namespace pages {

// The DLL's description, used by the class factory; set by DllMain.
void SetPageDllInfo(const PageDllInfo* info) noexcept;
const PageDllInfo* GetPageDllInfo() noexcept;

// DllMain's work: on attach, Module::Attach, the description and the
// resource library hook; on detach, the resource library is freed.
BOOL PageDllMain(HINSTANCE instance, DWORD reason, const PageDllInfo& info) noexcept;
HRESULT PageDllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) noexcept;
HRESULT PageDllCanUnloadNow() noexcept;

// Registration rows for a module path; always S_OK (a key that cannot be
// made is skipped with everything below it).
HRESULT RegisterPageDll(const PageDllInfo& info, const char* modulePath) noexcept;
HRESULT UnregisterPageDll(const PageDllInfo& info) noexcept;

// The properties command every page DLL registers for its class.
extern const CLSID CLSID_OrrelPropertiesCommand;  // {0FEC2000-2800-11d3-8685-00A0C9D59E71}
extern const char kPropertiesCommandDescription[];  // "Corvane Orrel Properties Handler"
// "Software\Halvet\Orrel NameSpace\Classes" under HKEY_CURRENT_USER.
extern const char kClassesKey[];

// The resource library rule, called by the module counter hook: loading at
// 0 -> 1 (LocateResourceLibrary, file version 1.0 exactly), freeing at 1 -> 0.
// Exposed for tests.
bool LoadResourceLibrary(const char* resourceLibraryName) noexcept;
void FreeResourceLibrary() noexcept;
// The full path of the resources' module: the resource library when one is
// loaded, else the DLL. Empty when it cannot be had.
std::string ResourceModulePath();
// The file version ("MS" word pair) of a file's root version block; false
// when it has none.
bool ReadFileVersionMS(const char* path, DWORD* versionMS) noexcept;

}  // namespace pages
}  // namespace orrel

#define ORREL_PAGE_DLL(info)                                                              \
    extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)             \
    {                                                                                     \
        return ::orrel::pages::PageDllMain(instance, reason, (info));                     \
    }                                                                                     \
    STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)                     \
    {                                                                                     \
        return ::orrel::pages::PageDllGetClassObject(clsid, riid, ppv);                   \
    }                                                                                     \
    STDAPI DllCanUnloadNow() { return ::orrel::pages::PageDllCanUnloadNow(); }            \
    STDAPI DllRegisterServer()                                                            \
    {                                                                                     \
        char path_[MAX_PATH + 1] = {};                                                    \
        if (!::orrel::Module::FileName(path_, sizeof path_)) return S_OK;                 \
        return ::orrel::pages::RegisterPageDll((info), path_);                            \
    }                                                                                     \
    STDAPI DllUnregisterServer() { return ::orrel::pages::UnregisterPageDll((info)); }
