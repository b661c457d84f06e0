// The container list's drop target: accepts drags that carry "Orrel::Object"
// and passes each one on to the drop target of the list item under the
// cursor (a personal folder's is the folder object's own; any other item's
// comes from its class's drop-target handler, through the item UI object).
#include <windows.h>
#include <commctrl.h>

#include "orrel/comguard.h"
#include "orrel/core/dataobject.h"
#include "orrel/view/containerlist.h"
#include "orrel/view/containerview.h"
#include "orrel/view/droptargets.h"

namespace orrel {
namespace view {

DWORD ListEntryEffect(IDataObject* data, DWORD keys, const DWORD* allowed) noexcept
{
    if (!data) return DROPEFFECT_NONE;
    FORMATETC format = ObjectFormatEtc();
    if (!format.cfFormat || data->QueryGetData(&format) != S_OK) return DROPEFFECT_NONE;
    DWORD effect = (keys & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    if (allowed) effect &= *allowed;
    return effect;
}

ListDropTarget::~ListDropTarget()
{
    ForgetItem();
    data_.Reset();
}

STDMETHODIMP ListDropTarget::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDropTarget)) return E_NOINTERFACE;
    *ppv = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ListDropTarget::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) ListDropTarget::Release()
{
    // Lives as long as its list, whatever the count.
    const LONG left = InterlockedDecrement(&refs_);
    return static_cast<ULONG>(left > 0 ? left : 0);
}

int ListDropTarget::HitItem(POINTL screen) const noexcept
{
    HWND list = list_.Handle();
    if (!list) return -1;
    LVHITTESTINFO hit = {};
    hit.pt.x = screen.x;
    hit.pt.y = screen.y;
    if (!ScreenToClient(list, &hit.pt)) return -1;
    const int index =
        static_cast<int>(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (index < 0 || !(hit.flags & (LVHT_ONITEMICON | LVHT_ONITEMLABEL))) return -1;
    return index;
}

bool ListDropTarget::ScrollNearEdge(POINTL screen) const noexcept
{
    HWND list = list_.Handle();
    POINT point = {screen.x, screen.y};
    RECT client;
    if (!list || !ScreenToClient(list, &point) || !GetClientRect(list, &client)) return false;
    if (point.x < client.left || point.x >= client.right) return false;
    // One line is an item's height; the band is half of it, and the top band
    // starts below the column header.
    RECT item = {};
    item.left = LVIR_BOUNDS;
    int line = 16;
    if (SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)) && item.bottom > item.top)
        line = item.bottom - item.top;
    int top = client.top;
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    RECT headerRect;
    if (header && IsWindowVisible(header) && GetWindowRect(header, &headerRect))
        top += headerRect.bottom - headerRect.top;
    int dy = 0;
    if (point.y >= top && point.y < top + line / 2) dy = -line;
    if (point.y >= client.bottom - line / 2 && point.y < client.bottom) dy = line;
    if (!dy) return false;
    const LRESULT before = SendMessageA(list, LVM_GETTOPINDEX, 0, 0);
    SendMessageA(list, LVM_SCROLL, 0, dy);
    return SendMessageA(list, LVM_GETTOPINDEX, 0, 0) != before;
}

void ListDropTarget::ForgetItem() noexcept
{
    item_ = -1;
    if (ComPtr<IDropTarget> target = std::move(itemTarget_)) {
        itemTarget_.Reset();
        target->DragLeave();
    }
}

STDMETHODIMP ListDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL, DWORD* effect)
{
    return ComGuard([&]() -> HRESULT {
        ForgetItem();
        keys_ = keys;
        data_ = ComPtr<IDataObject>(data);
        effect_ = ListEntryEffect(data, keys, effect);
        if (!effect_) data_.Reset();  // nothing of ours: no item sees this drag
        if (effect) *effect = effect_;
        return S_OK;
    });
}

STDMETHODIMP ListDropTarget::DragOver(DWORD keys, POINTL point, DWORD* effect)
{
    return ComGuard([&]() -> HRESULT {
        if (!effect) return E_INVALIDARG;
        const DWORD allowed = *effect;
        if (!data_) {
            *effect = DROPEFFECT_NONE;
            return S_OK;
        }
        if (ScrollNearEdge(point)) {
            // The item under the cursor is another one now.
            ForgetItem();
            *effect = (effect_ & allowed) | DROPEFFECT_SCROLL;
            return S_OK;
        }
        const int index = HitItem(point);
        if (index < 0) {
            ForgetItem();
            *effect = effect_ & allowed;
            return S_OK;
        }
        if (index == item_) {
            if (!itemTarget_) {
                *effect = DROPEFFECT_NONE;
                return S_OK;
            }
            DWORD answer = allowed;
            if (FAILED(itemTarget_->DragOver(keys, point, &answer))) answer = DROPEFFECT_NONE;
            *effect = answer & allowed;
            return S_OK;
        }

        // Another item: its own drop target, from the view's folder.
        ForgetItem();
        item_ = index;
        DWORD answer = DROPEFFECT_NONE;
        const ItemRecord* record = list_.RecordAt(index);
        ContainerView* view = list_.OwningView();
        ComPtr<IDropTarget> target;
        if (record && view &&
            SUCCEEDED(view->GetUIObjectOf({record}, IID_IDropTarget, target.PutVoid())) && target) {
            answer = allowed;
            if (SUCCEEDED(target->DragEnter(data_.Get(), keys, point, &answer)))
                itemTarget_ = std::move(target);
            else
                answer = DROPEFFECT_NONE;
        }
        *effect = answer & allowed;
        return S_OK;
    });
}

STDMETHODIMP ListDropTarget::DragLeave()
{
    ForgetItem();
    data_.Reset();
    effect_ = DROPEFFECT_NONE;
    return S_OK;
}

STDMETHODIMP ListDropTarget::Drop(IDataObject* data, DWORD, POINTL point, DWORD* effect)
{
    return ComGuard([&]() -> HRESULT {
        const DWORD allowed = effect ? *effect : DROPEFFECT_NONE;
        if (effect) *effect = DROPEFFECT_NONE;
        ComPtr<IDropTarget> target;
        if (item_ >= 0 && HitItem(point) == item_) {
            target = std::move(itemTarget_);
            itemTarget_.Reset();
        }
        ForgetItem();
        data_.Reset();
        // Dropping on the background, or on an item without a drop target,
        // does nothing.
        if (!target || !data) return S_OK;
        DWORD answer = allowed;
        const HRESULT hr = target->Drop(data, keys_, point, &answer);
        if (effect) *effect = hr == S_OK ? (answer & allowed) : DROPEFFECT_NONE;
        return S_OK;
    });
}

}  // namespace view
}  // namespace orrel
