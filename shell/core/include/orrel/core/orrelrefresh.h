// IOrrelRefresh: the private interface of the namespace's folder object. A
// caller that changed the stored configuration of trees and folders (the
// search extension saving results as a folder, the view's refresh) asks the
// namespace to read it again and to refill every open view.
//
// Usable from any DLL: the interface identifier is defined here (internal
// linkage, one copy per translation unit), so no import library is needed.
#pragma once

#include <windows.h>
#include <objbase.h>

// {76AAD001-C21A-11D1-8115-00C04FB67EB7}
static const IID IID_IOrrelRefresh = {
    0x76AAD001, 0xC21A, 0x11D1, {0x81, 0x15, 0x00, 0xC0, 0x4F, 0xB6, 0x7E, 0xB7}};

// {76AAD000-C21A-11D1-8115-00C04FB67EB7}: the namespace's class identifier.
static const CLSID CLSID_OrrelShell = {
    0x76AAD000, 0xC21A, 0x11D1, {0x81, 0x15, 0x00, 0xC0, 0x4F, 0xB6, 0x7E, 0xB7}};

struct IOrrelRefresh : public IUnknown {
    // Reloads the configuration into the namespace model and refreshes every
    // open view. S_OK.
    virtual HRESULT STDMETHODCALLTYPE Refresh() = 0;
};
