// The item UI object: handlers of the selected classes, created per kind on
// first use, and the forwarding of the shell's calls to them.
#include "orrel/core/itemuiobject.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "orrel/comguard.h"
#include "orrel/core/dataobject.h"
#include "orrel/core/itemrecord.h"

namespace orrel {

namespace {

// The icon text buffer of the UTF-16 forms, in bytes.
constexpr UINT kIconTextBytes = 512;

bool FitsSelection(const HandlerEntry& handler, UINT count) noexcept
{
    if (count == 1) return (handler.flags & HANDLER_MULTI_ONLY) == 0;
    return (handler.flags & (HANDLER_MULTI_TOO | HANDLER_MULTI_ONLY)) != 0;
}

}  // namespace

const QIEntry* ItemUIObject::QITable() noexcept
{
    static const QIEntry table[] = {
        ORREL_QI(ItemUIObject, IShellExtInit),
        ORREL_QI(ItemUIObject, IExtractIconA),
        ORREL_QI(ItemUIObject, IExtractIconW),
        ORREL_QI(ItemUIObject, IContextMenu),
        ORREL_QI(ItemUIObject, IDropTarget),
        ORREL_QI(ItemUIObject, IDataObject),
        ORREL_QI(ItemUIObject, IDropSource),
        ORREL_QI_END,
    };
    return table;
}

ItemUIObject::~ItemUIObject()
{
    ReleaseHandlers();
    dataObject_.Reset();
}

HRESULT ItemUIObject::Create(ClassHandlerTable& table, UINT count, LPCITEMIDLIST* lists, REFIID riid,
                             void** ppv) noexcept
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    ItemUIObject* object = new (std::nothrow) ItemUIObject(table);
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->InitSelection(count, lists);
    if (SUCCEEDED(hr)) hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

void ItemUIObject::ReleaseHandlers() noexcept
{
    for (ActiveHandler& handler : handlers_) handler.handler.Reset();
}

HRESULT ItemUIObject::InitSelection(UINT count, LPCITEMIDLIST* lists) noexcept
{
    if (count == 0 || !lists) return E_INVALIDARG;
    return ComGuard([&]() -> HRESULT {
        ReleaseHandlers();
        handlers_.clear();
        loadedKinds_ = 0;
        firstClass_.clear();

        // Handlers of every class, each class looked up once; the first list
        // that does not decode ends the collection.
        std::vector<std::string> seen;
        for (UINT i = 0; i < count; ++i) {
            ItemRecord record;
            if (!lists[i] || !DecodeItem(lists[i], &record)) break;
            if (i == 0) firstClass_ = record.className;
            if (std::find(seen.begin(), seen.end(), record.className) != seen.end()) continue;
            seen.push_back(record.className);
            ClassEntry* entry = table_.FindClass(record.className, true);
            if (!entry) continue;
            for (const HandlerEntry& registered : entry->handlers) {
                if (!FitsSelection(registered, count)) continue;
                auto same = std::find_if(handlers_.begin(), handlers_.end(), [&](const ActiveHandler& h) {
                    return IsEqualCLSID(h.clsid, registered.clsid);
                });
                if (same != handlers_.end()) {
                    same->kinds |= registered.kinds;
                } else {
                    ActiveHandler handler;
                    handler.kinds = registered.kinds;
                    handler.clsid = registered.clsid;
                    handler.loadPriority = registered.loadPriority;
                    handlers_.push_back(std::move(handler));
                }
            }
        }
        std::stable_sort(handlers_.begin(), handlers_.end(),
                         [](const ActiveHandler& a, const ActiveHandler& b) {
                             return a.loadPriority < b.loadPriority;
                         });

        // The selection, every list of it, as "Orrel::Object".
        SelectionDataObject* data = new (std::nothrow) SelectionDataObject();
        if (!data) return E_FAIL;
        ComPtr<IDataObject> dataObject(data, false);  // takes the birth reference
        for (UINT i = 0; i < count; ++i) {
            if (!data->AddIdList(lists[i])) return E_FAIL;
        }
        return Initialize(lists[0], dataObject.Get(), nullptr);
    });
}

HRESULT ItemUIObject::LoadHandlers(std::uint32_t kind) noexcept
{
    bool registered = false;
    bool held = false;
    for (const ActiveHandler& handler : handlers_) {
        if (!(handler.kinds & kind)) continue;
        registered = true;
        if (handler.handler) held = true;
    }
    if (!registered) return E_NOTIMPL;
    // A handler of several kinds may already be held for another kind; the
    // other handlers of this kind are still to be made then.
    if (held && (loadedKinds_ & kind)) return S_OK;

    held = false;
    for (ActiveHandler& handler : handlers_) {
        if (!(handler.kinds & kind)) continue;
        if (handler.handler) {
            held = true;
            continue;
        }
        ComPtr<IShellExtInit> created;
        HRESULT hr = CoCreateInstance(handler.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                      created.PutVoid());
        if (hr == CO_E_NOTINITIALIZED) {
            // A caller on a thread without COM: initialise it and try once more.
            CoInitialize(nullptr);
            hr = CoCreateInstance(handler.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                  created.PutVoid());
        }
        if (FAILED(hr) || !created) continue;
        if (FAILED(created->Initialize(folderId_.Get(), dataObject_.Get(), nullptr))) continue;
        handler.handler = created;
        held = true;
    }
    loadedKinds_ |= kind;
    return held ? S_OK : E_NOTIMPL;
}

IShellExtInit* ItemUIObject::FirstHandler(std::uint32_t kind) const noexcept
{
    for (const ActiveHandler& handler : handlers_) {
        if ((handler.kinds & kind) && handler.handler) return handler.handler.Get();
    }
    return nullptr;
}

template <class I>
HRESULT ItemUIObject::FirstHandlerAs(std::uint32_t kind, REFIID iid, ComPtr<I>& out) noexcept
{
    out.Reset();
    HRESULT hr = LoadHandlers(kind);
    if (FAILED(hr)) return hr;
    IShellExtInit* handler = FirstHandler(kind);
    if (!handler) return S_OK;
    return handler->QueryInterface(iid, out.PutVoid());
}

// ---------------------------------------------------------------------------
// IShellExtInit

STDMETHODIMP ItemUIObject::Initialize(LPCITEMIDLIST folderList, IDataObject* dataObject, HKEY)
{
    return ComGuard([&]() -> HRESULT {
        if (folderList) {
            ItemIdList copy = ItemIdList::Copy(folderList, ListAllocator::Heap);
            if (!copy) return E_OUTOFMEMORY;
            folderId_ = std::move(copy);
        }
        dataObject_ = ComPtr<IDataObject>(dataObject);
        return S_OK;
    });
}

// ---------------------------------------------------------------------------
// IExtractIconA

STDMETHODIMP ItemUIObject::GetIconLocation(UINT flags, LPSTR file, UINT size, int* index,
                                           UINT* outFlags)
{
    return ComGuard([&]() -> HRESULT {
        ClassEntry* entry = table_.FindClass(firstClass_, true);
        if (!entry) return S_FALSE;
        std::string cachedFile;
        int cachedIndex = 0;
        if (table_.CachedIcon(*entry, &cachedFile, &cachedIndex)) {
            if (file && size) {
                std::size_t length = std::min<std::size_t>(cachedFile.size(), size - 1);
                std::memcpy(file, cachedFile.data(), length);
                file[length] = '\0';
            }
            if (outFlags) *outFlags = 0;
            if (index) *index = cachedIndex;
            // The handler's own answer for this class, given again: S_FALSE
            // would tell the shell to show its default icon instead.
            return S_OK;
        }

        ComPtr<IExtractIconA> icon;
        HRESULT hr = FirstHandlerAs(HANDLER_ICON, IID_IExtractIconA, icon);
        if (FAILED(hr)) return hr;
        if (!icon) return S_OK;
        hr = icon->GetIconLocation(flags, file, size, index, outFlags);
        // Only a location the handler really gave (S_OK, not "use the
        // default") is kept for the class.
        if (hr == S_OK && index && outFlags && file && size &&
            !(*outFlags & (GIL_NOTFILENAME | GIL_DONTCACHE))) {
            table_.CacheIcon(*entry, std::string(file, strnlen(file, size)), *index);
        }
        return hr;
    });
}

STDMETHODIMP ItemUIObject::Extract(LPCSTR file, UINT index, HICON* largeIcon, HICON* smallIcon, UINT sizes)
{
    return ComGuard([&]() -> HRESULT {
        ClassEntry* entry = table_.FindClass(firstClass_, true);
        std::string cachedFile;
        int cachedIndex = 0;
        if (!entry || table_.CachedIcon(*entry, &cachedFile, &cachedIndex))
            return S_FALSE;  // the shell extracts from the file
        ComPtr<IExtractIconA> icon;
        HRESULT hr = FirstHandlerAs(HANDLER_ICON, IID_IExtractIconA, icon);
        if (FAILED(hr)) return hr;
        if (!icon) return S_OK;
        return icon->Extract(file, index, largeIcon, smallIcon, sizes);
    });
}

// ---------------------------------------------------------------------------
// IExtractIconW: the 8-bit forms with text conversions.

STDMETHODIMP ItemUIObject::GetIconLocation(UINT flags, LPWSTR file, UINT size, int* index,
                                           UINT* outFlags)
{
    try {
        char buffer[kIconTextBytes] = {};
        UINT ansiSize = file ? std::min(size, kIconTextBytes) : 0;
        HRESULT hr = GetIconLocation(flags, ansiSize ? buffer : nullptr, ansiSize, index, outFlags);
        // Whatever the handler wrote, the text ends inside the buffer.
        if (ansiSize) buffer[ansiSize - 1] = '\0';
        if (SUCCEEDED(hr) && file && size) {
            int written = MultiByteToWideChar(CP_ACP, 0, buffer, -1, file, static_cast<int>(size));
            if (written == 0) file[0] = L'\0';
        }
        return hr;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

STDMETHODIMP ItemUIObject::Extract(LPCWSTR file, UINT index, HICON* largeIcon, HICON* smallIcon, UINT sizes)
{
    try {
        char buffer[kIconTextBytes] = {};
        if (file) {
            if (!WideCharToMultiByte(CP_ACP, 0, file, -1, buffer, sizeof buffer, nullptr, nullptr))
                buffer[sizeof buffer - 1] = '\0';
        }
        return Extract(file ? buffer : nullptr, index, largeIcon, smallIcon, sizes);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// ---------------------------------------------------------------------------
// IContextMenu

STDMETHODIMP ItemUIObject::QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId,
                                            UINT flags)
{
    if (FAILED(LoadHandlers(HANDLER_CONTEXT_MENU))) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    UINT total = 0;
    for (ActiveHandler& handler : handlers_) {
        if (!(handler.kinds & HANDLER_CONTEXT_MENU) || !handler.handler) continue;
        ComPtr<IContextMenu> contextMenu;
        if (FAILED(handler.handler->QueryInterface(IID_IContextMenu, contextMenu.PutVoid()))) continue;
        HRESULT hr = contextMenu->QueryContextMenu(menu, position, firstId, lastId, flags);
        // A failing handler added nothing: its error code is no count.
        if (FAILED(hr)) continue;
        UINT used = HRESULT_CODE(hr);
        position += used;
        firstId += used;
        total += used;
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, total & 0xFFFF);
}

STDMETHODIMP ItemUIObject::InvokeCommand(LPCMINVOKECOMMANDINFO info)
{
    HRESULT hr = LoadHandlers(HANDLER_CONTEXT_MENU);
    if (FAILED(hr)) return hr;
    if (!info) return E_INVALIDARG;
    // Every handler receives the same invocation and acts only on its own
    // identifier.
    for (ActiveHandler& handler : handlers_) {
        if (!(handler.kinds & HANDLER_CONTEXT_MENU) || !handler.handler) continue;
        ComPtr<IContextMenu> contextMenu;
        if (FAILED(handler.handler->QueryInterface(IID_IContextMenu, contextMenu.PutVoid()))) continue;
        contextMenu->InvokeCommand(info);
    }
    return S_OK;
}

STDMETHODIMP ItemUIObject::GetCommandString(UINT_PTR id, UINT type, UINT* reserved, LPSTR text,
                                            UINT size)
{
    HRESULT hr = LoadHandlers(HANDLER_CONTEXT_MENU);
    if (FAILED(hr)) return hr;
    // S_OK only when a handler answered: otherwise the caller would take an
    // unwritten buffer for the text.
    HRESULT last = E_INVALIDARG;
    for (ActiveHandler& handler : handlers_) {
        if (!(handler.kinds & HANDLER_CONTEXT_MENU) || !handler.handler) continue;
        ComPtr<IContextMenu> contextMenu;
        if (FAILED(handler.handler->QueryInterface(IID_IContextMenu, contextMenu.PutVoid()))) continue;
        HRESULT answer = contextMenu->GetCommandString(id, type, reserved, text, size);
        if (answer == S_OK) return S_OK;
        last = answer;
    }
    return last;
}

// ---------------------------------------------------------------------------
// IDropTarget

template <class Call>
HRESULT ItemUIObject::ForwardDrop(DWORD* effect, Call&& call) noexcept
{
    ComPtr<IDropTarget> target;
    HRESULT hr = FirstHandlerAs(HANDLER_DROP_TARGET, IID_IDropTarget, target);
    if (SUCCEEDED(hr)) {
        if (!target) return S_OK;
        hr = call(target.Get());
    }
    if (hr == E_NOTIMPL) {
        // No drop-target handler, or one that does not take drops: nothing
        // is dropped, and that is no error.
        if (effect) *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    return hr;
}

STDMETHODIMP ItemUIObject::DragEnter(IDataObject* dataObject, DWORD keys, POINTL point, DWORD* effect)
{
    return ForwardDrop(effect, [&](IDropTarget* target) {
        return target->DragEnter(dataObject, keys, point, effect);
    });
}

STDMETHODIMP ItemUIObject::DragOver(DWORD keys, POINTL point, DWORD* effect)
{
    return ForwardDrop(effect, [&](IDropTarget* target) { return target->DragOver(keys, point, effect); });
}

STDMETHODIMP ItemUIObject::DragLeave()
{
    return ForwardDrop(nullptr, [&](IDropTarget* target) { return target->DragLeave(); });
}

STDMETHODIMP ItemUIObject::Drop(IDataObject* dataObject, DWORD keys, POINTL point, DWORD* effect)
{
    return ForwardDrop(effect, [&](IDropTarget* target) {
        return target->Drop(dataObject, keys, point, effect);
    });
}

// ---------------------------------------------------------------------------
// IDropSource

STDMETHODIMP ItemUIObject::QueryContinueDrag(BOOL escapePressed, DWORD keys)
{
    ComPtr<IDropSource> source;
    HRESULT hr = FirstHandlerAs(HANDLER_DRAG_SOURCE, IID_IDropSource, source);
    if (FAILED(hr)) return hr;
    if (!source) return S_OK;
    return source->QueryContinueDrag(escapePressed, keys);
}

STDMETHODIMP ItemUIObject::GiveFeedback(DWORD effect)
{
    ComPtr<IDropSource> source;
    HRESULT hr = FirstHandlerAs(HANDLER_DRAG_SOURCE, IID_IDropSource, source);
    if (FAILED(hr)) return hr;
    if (!source) return S_OK;
    return source->GiveFeedback(effect);
}

// ---------------------------------------------------------------------------
// IDataObject

STDMETHODIMP ItemUIObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    return dataObject_ ? dataObject_->GetData(format, medium) : E_NOTIMPL;
}

STDMETHODIMP ItemUIObject::GetDataHere(FORMATETC* format, STGMEDIUM* medium)
{
    return dataObject_ ? dataObject_->GetDataHere(format, medium) : E_NOTIMPL;
}

STDMETHODIMP ItemUIObject::QueryGetData(FORMATETC* format)
{
    return dataObject_ ? dataObject_->QueryGetData(format) : E_NOTIMPL;
}

STDMETHODIMP ItemUIObject::GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out)
{
    return dataObject_ ? dataObject_->GetCanonicalFormatEtc(in, out) : E_NOTIMPL;
}

STDMETHODIMP ItemUIObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release)
{
    return dataObject_ ? dataObject_->SetData(format, medium, release) : E_NOTIMPL;
}

STDMETHODIMP ItemUIObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out)
{
    return dataObject_ ? dataObject_->EnumFormatEtc(direction, out) : OLE_S_USEREG;
}

STDMETHODIMP ItemUIObject::DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection)
{
    return dataObject_ ? dataObject_->DAdvise(format, flags, sink, connection)
                       : OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP ItemUIObject::DUnadvise(DWORD connection)
{
    return dataObject_ ? dataObject_->DUnadvise(connection) : OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP ItemUIObject::EnumDAdvise(IEnumSTATDATA** out)
{
    return dataObject_ ? dataObject_->EnumDAdvise(out) : OLE_E_ADVISENOTSUPPORTED;
}

}  // namespace orrel
