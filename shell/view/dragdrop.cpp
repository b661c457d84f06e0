#include "orrel/view/dragdrop.h"

#include <commctrl.h>

namespace orrel {
namespace view {

// ---------------------------------------------------------------------------
// ListDropSource

STDMETHODIMP ListDropSource::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDropSource)) return E_NOINTERFACE;
    *ppv = static_cast<IDropSource*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ListDropSource::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) ListDropSource::Release()
{
    // Lives as long as its list, whatever the count.
    const LONG left = InterlockedDecrement(&refs_);
    return static_cast<ULONG>(left > 0 ? left : 0);
}

STDMETHODIMP ListDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keys)
{
    if (escapePressed) return DRAGDROP_S_CANCEL;
    if ((keys & (MK_LBUTTON | MK_RBUTTON)) == 0) return DRAGDROP_S_DROP;
    return S_OK;
}

void ListDropSource::ClearHighlight() noexcept
{
    if (highlighted_ >= 0 && list_ && IsWindow(list_)) {
        LVITEMA item = {};
        item.stateMask = LVIS_DROPHILITED;
        item.state = savedState_ & LVIS_DROPHILITED;
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(highlighted_),
                     reinterpret_cast<LPARAM>(&item));
    }
    highlighted_ = -1;
    savedState_ = 0;
}

STDMETHODIMP ListDropSource::GiveFeedback(DWORD)
{
    if (!list_ || !IsWindow(list_)) return DRAGDROP_S_USEDEFAULTCURSORS;
    POINT point;
    if (!GetCursorPos(&point) || !ScreenToClient(list_, &point)) return DRAGDROP_S_USEDEFAULTCURSORS;
    ClearHighlight();
    LVHITTESTINFO hit = {};
    hit.pt = point;
    const int index = static_cast<int>(
        SendMessageA(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (index >= 0 && (hit.flags & (LVHT_ONITEMICON | LVHT_ONITEMLABEL))) {
        savedState_ = static_cast<UINT>(
            SendMessageA(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_DROPHILITED));
        highlighted_ = index;
        LVITEMA item = {};
        item.stateMask = LVIS_DROPHILITED;
        item.state = LVIS_DROPHILITED;
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&item));
    }
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

}  // namespace view
}  // namespace orrel
