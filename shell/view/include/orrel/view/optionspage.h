// The view's page in the browser's options sheet: dialog template 1038
// ("Orrel Explorer", no controls). The page holds a reference on its view
// until the page object goes, which the sheet decides.
#pragma once

#include <windows.h>
#include <shlobj.h>

namespace orrel {
namespace view {

// Adds the page through the browser's add-page callback: S_OK when the
// sheet took it, S_FALSE (the page deleted) when it could not be created or
// was refused, E_NOTIMPL when the page object cannot be allocated.
HRESULT AddOptionsPage(IShellView* view, LPFNADDPROPSHEETPAGE addPage, LPARAM lParam) noexcept;

}  // namespace view
}  // namespace orrel
