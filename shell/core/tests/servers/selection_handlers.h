// What the tests of the item UI object and their handler server
// (SelectionTestHandlers.dll) share: the served class identifiers, the
// behaviour a test gives each class, and the server's exported controls.
//
// The server is an ordinary in-process COM server; the test registers it,
// lets COM load it, and reads what its objects received through the exports
// of the same loaded module.
#pragma once

#include <windows.h>
#include <oleidl.h>

namespace seltest {

constexpr int kHandlerClasses = 6;  // handlers 1..6, named A..F in the log

// {C0DE5E1E-0000-4A00-9000-00000000000n}
inline CLSID HandlerClsid(int n)
{
    CLSID clsid = {0xC0DE5E1E, 0x0000, 0x4A00, {0x90, 0, 0, 0, 0, 0, 0, static_cast<BYTE>(n)}};
    return clsid;
}

// Interfaces a handler answers besides IShellExtInit.
enum : DWORD {
    ANSWERS_ICON = 0x1,    // IExtractIconA
    ANSWERS_MENU = 0x2,    // IContextMenu
    ANSWERS_DROP = 0x4,    // IDropTarget
    ANSWERS_SOURCE = 0x8,  // IDropSource
    ANSWERS_ALL = 0xF,
};

struct Behaviour {
    HRESULT createResult = S_OK;  // the class factory's CreateInstance fails with this
    HRESULT initResult = S_OK;    // IShellExtInit::Initialize
    DWORD answers = ANSWERS_ALL;
    UINT menuItems = 0;           // items QueryContextMenu inserts and counts
    HRESULT menuResult = S_OK;    // a failure is returned instead of the count
    HRESULT iconResult = S_OK;    // GetIconLocation (the location is written on success)
    char iconFile[MAX_PATH] = "";
    int iconIndex = 0;
    UINT iconFlags = 0;
    HRESULT extractResult = S_OK;
    HRESULT dropResult = S_OK;    // every IDropTarget method
    DWORD dropEffect = DROPEFFECT_COPY;  // written on success
    HRESULT sourceResult = S_OK;  // every IDropSource method
    HRESULT commandStringResult = E_NOTIMPL;
    char commandString[64] = "";  // written when commandStringResult is S_OK
};

}  // namespace seltest

extern "C" {
// Forgets every event and behaviour.
typedef void(WINAPI* SelTestResetFn)(void);
// Behaviour of handler n (1..kHandlerClasses); FALSE for another n.
typedef BOOL(WINAPI* SelTestSetBehaviourFn)(int n, const seltest::Behaviour* behaviour);
// The events so far, one line each ("A QueryContextMenu position=2 ..."),
// copied with a terminator and forgotten when clear is set and they fit;
// returns the size needed.
typedef DWORD(WINAPI* SelTestEventsFn)(char* buffer, DWORD size, BOOL clear);
// Handler objects alive now.
typedef LONG(WINAPI* SelTestLiveObjectsFn)(void);
}
