// ISearchSite: how the namespace hands the search extension the interface
// through which it refreshes the namespace after it changed the stored
// configuration (saving search results as a personal folder). The namespace
// calls SetNamespaceHost on the search extension's object before it invokes
// one of its commands.
//
// Usable from any DLL: the identifiers are defined here (internal linkage,
// one copy per translation unit), so no import library is needed.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "orrel/core/orrelrefresh.h"

// {1864285E-93AD-11D3-B59A-00C04F79CAC7}
static const IID IID_ISearchSite = {
    0x1864285E, 0x93AD, 0x11D3, {0xB5, 0x9A, 0x00, 0xC0, 0x4F, 0x79, 0xCA, 0xC7}};

// {8AB75040-93A6-11D3-B59A-00C04F79CAC7}: the search extension's class.
static const CLSID CLSID_OrrelFind = {
    0x8AB75040, 0x93A6, 0x11D3, {0xB5, 0x9A, 0x00, 0xC0, 0x4F, 0x79, 0xCA, 0xC7}};

struct ISearchSite : public IUnknown {
    // Keeps the namespace's refresh interface (AddRef) for the commands that
    // follow; null forgets it. S_OK.
    virtual HRESULT STDMETHODCALLTYPE SetNamespaceHost(IOrrelRefresh* host) = 0;
};
