// Dragging out of the container list: the drop source used when items are
// dragged out of the list (the list's drop target is in droptargets.h). It
// lives as long as its list; its reference count does not free it.
#pragma once

#include <windows.h>
#include <oleidl.h>

#include "orrel/com.h"

namespace orrel {
namespace view {

// IDropSource of the list: cancels on escape, drops when neither mouse
// button is down, and highlights the list item under the cursor.
class ListDropSource final : public IDropSource {
public:
    ListDropSource() noexcept = default;

    void SetList(HWND list) noexcept { list_ = list; }
    // Removes the drop highlight, restoring the item's saved state.
    void ClearHighlight() noexcept;
    int HighlightedItem() const noexcept { return highlighted_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP QueryContinueDrag(BOOL escapePressed, DWORD keys) override;
    STDMETHODIMP GiveFeedback(DWORD effect) override;

private:
    HWND list_ = nullptr;
    int highlighted_ = -1;
    UINT savedState_ = 0;
    LONG refs_ = 0;
};

}  // namespace view
}  // namespace orrel
