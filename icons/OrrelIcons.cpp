// OrrelIcons: the in-process server of the icon handler. Four exports, one
// class, registration in the machine's COM classes and in the user's class
// handler registry as the icon handler of the fallback class "Unknown".
#include <windows.h>
#include <objbase.h>

#include <string>

#include "IconHandler.h"
#include "orrel/classfactory.h"
#include "orrel/comguard.h"
#include "orrel/module.h"
#include "orrel/registry.h"

namespace {

using orrel::RegRow;

const char kDescription[] = "Corvane Orrel Icon Handler";
const char kClsidKey[] = "CLSID\\%CLSID%";
const char kServerKey[] = "CLSID\\%CLSID%\\InProcServer32";
const char kHandlersKey[] = "Software\\Halvet\\Orrel NameSpace\\Classes\\Unknown\\IconHandler";
const char kHandlerKey[] =
    "Software\\Halvet\\Orrel NameSpace\\Classes\\Unknown\\IconHandler\\%CLSID%";

const RegRow kRegistration[] = {
    {HKEY_CLASSES_ROOT, kClsidKey, nullptr, RegRow::String, kDescription, 0},
    {HKEY_CLASSES_ROOT, kServerKey, nullptr, RegRow::String, "%MODULE%", 0},
    {HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel", RegRow::String, "Apartment", 0},
    {HKEY_CURRENT_USER, kHandlerKey, nullptr, RegRow::String, kDescription, 0},
};

const orrel::FactoryEntry kClasses[] = {
    {&orrel::icons::CLSID_OrrelIcons, &orrel::CreateComObject<orrel::icons::IconHandler>},
};

orrel::RegSubstitutions Substitutions()
{
    orrel::RegSubstitutions subs;
    char clsid[39];
    orrel::GuidToString(orrel::icons::CLSID_OrrelIcons, clsid);
    subs.clsid = clsid;
    // A module path that cannot be read leaves the server key's value empty.
    orrel::icons::ModulePath(&subs.module);
    return subs;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        orrel::Module::Attach(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    return orrel::GetClassObject(kClasses, clsid, riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return orrel::Module::CanUnloadNow();
}

// Every key is written on its own; registration never reports failure: a key
// that cannot be created simply lacks its value.
STDAPI DllRegisterServer()
{
    orrel::ComGuard([] {
        orrel::WriteRegistryRows(kRegistration, Substitutions());
        return S_OK;
    });
    return S_OK;
}

// Removes the class and this handler's entry under "Unknown"; the entries of
// other handlers stay. Nothing is created on the way: a user who never had the
// handler registered keeps a registry without it.
STDAPI DllUnregisterServer()
{
    orrel::ComGuard([] {
        orrel::RegSubstitutions subs = Substitutions();
        orrel::DeleteKeyTree(HKEY_CLASSES_ROOT, orrel::ExpandRegText(kServerKey, subs).c_str());
        orrel::DeleteKeyTree(HKEY_CLASSES_ROOT, orrel::ExpandRegText(kClsidKey, subs).c_str());
        orrel::RegKey handlers;
        if (handlers.Open(HKEY_CURRENT_USER, kHandlersKey) == ERROR_SUCCESS)
            orrel::DeleteKeyTree(handlers.Get(), subs.clsid.c_str());
        return S_OK;
    });
    return S_OK;
}

}  // extern "C"
