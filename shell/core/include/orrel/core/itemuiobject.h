// The item UI object: what the folder answers for an interface on selected
// items. It carries the selection as an "Orrel::Object" data object, collects
// the handlers registered for the selected classes, creates them per kind on
// first use and forwards icon, context-menu, drop-target and drag-source
// calls to them.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <oleidl.h>
#include <shlobj.h>

#include <cstdint>
#include <string>
#include <vector>

#include "orrel/com.h"
#include "orrel/core/classhandlers.h"
#include "orrel/core/itemidlist.h"

namespace orrel {

// One handler of the selection: the union of the kinds it was registered
// for, and its IShellExtInit once created.
struct ActiveHandler {
    std::uint32_t kinds = 0;
    CLSID clsid{};
    std::uint32_t loadPriority = 0;
    ComPtr<IShellExtInit> handler;
};

class ItemUIObject final : public IShellExtInit,
                           public IExtractIconA,
                           public IExtractIconW,
                           public IContextMenu,
                           public IDropTarget,
                           public IDataObject,
                           public IDropSource {
public:
    // The table must outlive the object; the process-wide table of the COM
    // server, or a table of a test.
    explicit ItemUIObject(ClassHandlerTable& table) noexcept : table_(table) {}

    ORREL_IUNKNOWN_METHODS(ItemUIObject)
    static const QIEntry* QITable() noexcept;

    // Makes an object for the selected relative lists, initialises it and
    // queries it for riid. The initialisation's failure is returned as it is
    // (the folder turns it into E_INVALIDARG); E_OUTOFMEMORY when the object
    // cannot be made.
    static HRESULT Create(ClassHandlerTable& table, UINT count, LPCITEMIDLIST* lists, REFIID riid,
                          void** ppv) noexcept;

    // Collects the handlers of the selected classes, fitted to the
    // selection's size and sorted by LoadPriority, builds the data object
    // and initialises the object with the first list and it.
    HRESULT InitSelection(UINT count, LPCITEMIDLIST* lists) noexcept;

    // Creates the handlers of one kind once: S_OK when at least one of the
    // kind is held, E_NOTIMPL when none is registered or none could be made.
    HRESULT LoadHandlers(std::uint32_t kind) noexcept;
    // The first handler of the kind, in list order, that is held (not
    // referenced for the caller); null when none.
    IShellExtInit* FirstHandler(std::uint32_t kind) const noexcept;

    const std::vector<ActiveHandler>& Handlers() const noexcept { return handlers_; }
    const std::string& FirstClass() const noexcept { return firstClass_; }

    // IShellExtInit
    STDMETHODIMP Initialize(LPCITEMIDLIST folderList, IDataObject* dataObject, HKEY key) override;

    // IExtractIconA
    STDMETHODIMP GetIconLocation(UINT flags, LPSTR file, UINT size, int* index,
                                 UINT* outFlags) override;
    STDMETHODIMP Extract(LPCSTR file, UINT index, HICON* largeIcon, HICON* smallIcon,
                         UINT sizes) override;
    // IExtractIconW
    STDMETHODIMP GetIconLocation(UINT flags, LPWSTR file, UINT size, int* index,
                                 UINT* outFlags) override;
    STDMETHODIMP Extract(LPCWSTR file, UINT index, HICON* largeIcon, HICON* smallIcon,
                         UINT sizes) override;

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId,
                                  UINT flags) override;
    STDMETHODIMP InvokeCommand(LPCMINVOKECOMMANDINFO info) override;
    STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT* reserved, LPSTR text,
                                  UINT size) override;

    // IDropTarget
    STDMETHODIMP DragEnter(IDataObject* dataObject, DWORD keys, POINTL point,
                           DWORD* effect) override;
    STDMETHODIMP DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* dataObject, DWORD keys, POINTL point, DWORD* effect) override;

    // IDataObject (forwarded to the selection's data object)
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                         DWORD* connection) override;
    STDMETHODIMP DUnadvise(DWORD connection) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** out) override;

    // IDropSource
    STDMETHODIMP QueryContinueDrag(BOOL escapePressed, DWORD keys) override;
    STDMETHODIMP GiveFeedback(DWORD effect) override;

private:
    ~ItemUIObject();

    void ReleaseHandlers() noexcept;
    // LoadHandlers(kind), then the first held handler of the kind queried
    // for iid. S_OK with a null out when the kind has no held handler.
    template <class I>
    HRESULT FirstHandlerAs(std::uint32_t kind, REFIID iid, ComPtr<I>& out) noexcept;
    // The drop-target pattern: E_NOTIMPL becomes S_OK with no effect.
    template <class Call>
    HRESULT ForwardDrop(DWORD* effect, Call&& call) noexcept;

    RefCount refs_;
    ClassHandlerTable& table_;
    ItemIdList folderId_;
    std::vector<ActiveHandler> handlers_;
    std::uint32_t loadedKinds_ = 0;  // kinds whose handlers were created once
    ComPtr<IDataObject> dataObject_;
    std::string firstClass_;
};

}  // namespace orrel
