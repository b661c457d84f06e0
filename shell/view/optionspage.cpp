#include "orrel/view/optionspage.h"

#include <new>

#include "orrel/com.h"
#include "orrel/ui/propertypage.h"
#include "orrel/view/viewresource.h"

namespace orrel {
namespace view {

namespace {

class OptionsPage final : public ui::PropertyPage {
public:
    explicit OptionsPage(IShellView* view) noexcept
        : PropertyPage(IDD_OPTIONS, ui::PageOwnership::SelfOwned), view_(view)
    {
    }

    // Told when the page is released by the sheet (and then deleted).
    void WatchRelease(bool* released) noexcept { released_ = released; }

protected:
    void OnRelease() override
    {
        if (released_) *released_ = true;
    }

private:
    ComPtr<IShellView> view_;  // the view lives as long as its page
    bool* released_ = nullptr;
};

}  // namespace

HRESULT AddOptionsPage(IShellView* view, LPFNADDPROPSHEETPAGE addPage, LPARAM lParam) noexcept
{
    if (!addPage) return E_INVALIDARG;
    OptionsPage* page = new (std::nothrow) OptionsPage(view);
    if (!page) return E_NOTIMPL;
    bool released = false;
    page->WatchRelease(&released);
    if (page->AddTo(addPage, lParam)) {
        // The sheet holds the page now; it is released with the sheet.
        page->WatchRelease(nullptr);
        return S_OK;
    }
    // A refused page was released (and deleted) by AddTo; a page whose
    // handle could not be made is still ours.
    if (!released) delete page;
    return S_FALSE;
}

}  // namespace view
}  // namespace orrel
