// SelectionTestHandlers.dll: extension handlers for the tests of the item UI
// object. Six classes, each answering IShellExtInit and, as the test sets,
// IExtractIconA, IContextMenu, IDropTarget and IDropSource; every call is
// written to an event log that the test reads through the DLL's exports.
#include "selection_handlers.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "orrel/classfactory.h"
#include "orrel/com.h"
#include "orrel/core/itemid.h"
#include "orrel/core/itemidlist.h"
#include "orrel/handles.h"

namespace {

orrel::CriticalSection g_lock;
std::vector<std::string> g_events;
seltest::Behaviour g_behaviour[seltest::kHandlerClasses + 1];
LONG g_live = 0;

seltest::Behaviour BehaviourOf(int n)
{
    orrel::CriticalSectionLock lock(g_lock);
    return g_behaviour[n];
}

void Log(int n, const std::string& text)
{
    orrel::CriticalSectionLock lock(g_lock);
    g_events.push_back(std::string(1, static_cast<char>('A' + n - 1)) + " " + text);
}

std::string Format(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// Display names of the selection carried by a data object, read straight from
// its "Orrel::Object" block; "none" without a data object.
std::string SelectionNames(IDataObject* data)
{
    if (!data) return "none";
    FORMATETC format = {static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Orrel::Object")), nullptr,
                        DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    orrel::StgMedium medium;
    HRESULT hr = data->GetData(&format, medium.Put());
    if (FAILED(hr)) return Format("error-%08lx", static_cast<unsigned long>(hr));
    orrel::GlobalLock lock(medium.Get().hGlobal);
    if (!lock) return "unlockable";
    std::vector<std::vector<std::uint8_t>> lists;
    if (!orrel::ParseObjectBlock(static_cast<const std::uint8_t*>(lock.Data()), lock.Size(), &lists))
        return "malformed";
    std::string names;
    for (const auto& list : lists) {
        std::vector<std::uint8_t> terminated(list);
        terminated.push_back(0);
        terminated.push_back(0);
        orrel::ItemRecord record;
        if (!names.empty()) names += ",";
        names += orrel::DecodeItem(terminated.data(), terminated.size(), &record) ? record.displayName
                                                                                   : "?";
    }
    return names;
}

class Handler final : public IShellExtInit,
                      public IExtractIconA,
                      public IContextMenu,
                      public IDropTarget,
                      public IDropSource {
public:
    explicit Handler(int n) : n_(n), behaviour_(BehaviourOf(n)) { InterlockedIncrement(&g_live); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        DWORD answers = behaviour_.answers;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellExtInit))
            *ppv = static_cast<IShellExtInit*>(this);
        else if (IsEqualIID(riid, IID_IExtractIconA) && (answers & seltest::ANSWERS_ICON))
            *ppv = static_cast<IExtractIconA*>(this);
        else if (IsEqualIID(riid, IID_IContextMenu) && (answers & seltest::ANSWERS_MENU))
            *ppv = static_cast<IContextMenu*>(this);
        else if (IsEqualIID(riid, IID_IDropTarget) && (answers & seltest::ANSWERS_DROP))
            *ppv = static_cast<IDropTarget*>(this);
        else if (IsEqualIID(riid, IID_IDropSource) && (answers & seltest::ANSWERS_SOURCE))
            *ppv = static_cast<IDropSource*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return refs_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG left = refs_.Release();
        if (left == 0) delete this;
        return left;
    }

    // IShellExtInit
    STDMETHODIMP Initialize(LPCITEMIDLIST folder, IDataObject* data, HKEY key) override
    {
        orrel::ItemRecord record;
        std::string first = !folder ? "none"
                            : orrel::DecodeItem(folder, &record) ? record.displayName
                                                                  : "?";
        Log(n_, "Initialize first=" + first + " data=" + SelectionNames(data) +
                    (key ? " key" : " nokey"));
        return behaviour_.initResult;
    }

    // IExtractIconA
    STDMETHODIMP GetIconLocation(UINT flags, LPSTR file, UINT size, int* index, UINT* outFlags) override
    {
        Log(n_, Format("GetIconLocation flags=0x%x size=%u", flags, size));
        if (SUCCEEDED(behaviour_.iconResult)) {
            if (file && size) lstrcpynA(file, behaviour_.iconFile, static_cast<int>(size));
            if (index) *index = behaviour_.iconIndex;
            if (outFlags) *outFlags = behaviour_.iconFlags;
        }
        return behaviour_.iconResult;
    }
    STDMETHODIMP Extract(LPCSTR file, UINT index, HICON*, HICON*, UINT sizes) override
    {
        Log(n_, Format("Extract file=%s index=%u sizes=0x%x", file ? file : "(null)", index, sizes));
        return behaviour_.extractResult;
    }

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId,
                                  UINT flags) override
    {
        Log(n_, Format("QueryContextMenu position=%u first=%u last=%u flags=0x%x", position, firstId,
                       lastId, flags));
        if (FAILED(behaviour_.menuResult)) return behaviour_.menuResult;
        for (UINT i = 0; i < behaviour_.menuItems; ++i) {
            char text[16];
            snprintf(text, sizeof text, "%c%u", 'A' + n_ - 1, i);
            InsertMenuA(menu, position + i, MF_BYPOSITION | MF_STRING, firstId + i, text);
        }
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, behaviour_.menuItems);
    }
    STDMETHODIMP InvokeCommand(LPCMINVOKECOMMANDINFO info) override
    {
        if (IS_INTRESOURCE(info->lpVerb))
            Log(n_, Format("InvokeCommand verb=%u", static_cast<unsigned>(LOWORD(info->lpVerb))));
        else
            Log(n_, Format("InvokeCommand verb=%s", info->lpVerb));
        return S_OK;
    }
    STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT*, LPSTR text, UINT size) override
    {
        Log(n_, Format("GetCommandString id=%u type=0x%x", static_cast<unsigned>(id), type));
        if (behaviour_.commandStringResult == S_OK && text && size)
            lstrcpynA(text, behaviour_.commandString, static_cast<int>(size));
        return behaviour_.commandStringResult;
    }

    // IDropTarget
    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override
    {
        Log(n_, Format("DragEnter keys=0x%lx x=%ld y=%ld data=", keys, point.x, point.y) +
                    SelectionNames(data));
        return Answer(effect);
    }
    STDMETHODIMP DragOver(DWORD keys, POINTL point, DWORD* effect) override
    {
        Log(n_, Format("DragOver keys=0x%lx x=%ld y=%ld", keys, point.x, point.y));
        return Answer(effect);
    }
    STDMETHODIMP DragLeave() override
    {
        Log(n_, "DragLeave");
        return Answer(nullptr);
    }
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override
    {
        Log(n_, Format("Drop keys=0x%lx x=%ld y=%ld data=", keys, point.x, point.y) +
                    SelectionNames(data));
        return Answer(effect);
    }

    // IDropSource
    STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) override
    {
        Log(n_, Format("QueryContinueDrag escape=%d keys=0x%lx", escape, keys));
        return behaviour_.sourceResult;
    }
    STDMETHODIMP GiveFeedback(DWORD effect) override
    {
        Log(n_, Format("GiveFeedback effect=0x%lx", effect));
        return behaviour_.sourceResult;
    }

private:
    ~Handler()
    {
        Log(n_, "Destroyed");
        InterlockedDecrement(&g_live);
    }

    HRESULT Answer(DWORD* effect)
    {
        if (SUCCEEDED(behaviour_.dropResult) && effect) *effect = behaviour_.dropEffect;
        return behaviour_.dropResult;
    }

    orrel::RefCount refs_;
    int n_;
    seltest::Behaviour behaviour_;  // as set when the object was made
};

template <int N>
HRESULT CreateHandler(REFIID riid, void** ppv) noexcept
{
    HRESULT refused = BehaviourOf(N).createResult;
    if (FAILED(refused)) {
        Log(N, "Refused");
        return refused;
    }
    Log(N, "Created");
    return orrel::CreateAndQuery<Handler>(riid, ppv, N);
}

const CLSID kClsids[seltest::kHandlerClasses] = {
    seltest::HandlerClsid(1), seltest::HandlerClsid(2), seltest::HandlerClsid(3),
    seltest::HandlerClsid(4), seltest::HandlerClsid(5), seltest::HandlerClsid(6),
};

const orrel::FactoryEntry kClasses[] = {
    {&kClsids[0], &CreateHandler<1>}, {&kClsids[1], &CreateHandler<2>},
    {&kClsids[2], &CreateHandler<3>}, {&kClsids[3], &CreateHandler<4>},
    {&kClsids[4], &CreateHandler<5>}, {&kClsids[5], &CreateHandler<6>},
};

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

void WINAPI SelTestReset()
{
    orrel::CriticalSectionLock lock(g_lock);
    g_events.clear();
    for (seltest::Behaviour& behaviour : g_behaviour) behaviour = seltest::Behaviour();
}

BOOL WINAPI SelTestSetBehaviour(int n, const seltest::Behaviour* behaviour)
{
    if (n < 1 || n > seltest::kHandlerClasses || !behaviour) return FALSE;
    orrel::CriticalSectionLock lock(g_lock);
    g_behaviour[n] = *behaviour;
    return TRUE;
}

DWORD WINAPI SelTestEvents(char* buffer, DWORD size, BOOL clear)
{
    orrel::CriticalSectionLock lock(g_lock);
    std::string all;
    for (const std::string& event : g_events) all += event + "\n";
    if (buffer && size) {
        lstrcpynA(buffer, all.c_str(), static_cast<int>(size));
        if (clear && size > all.size()) g_events.clear();
    }
    return static_cast<DWORD>(all.size() + 1);
}

LONG WINAPI SelTestLiveObjects()
{
    return InterlockedCompareExchange(&g_live, 0, 0);
}

}  // extern "C"
