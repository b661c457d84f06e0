// IconHandler: the icon handler of the fallback class "Unknown". Initialize
// reads the class of the first selected object; GetIconLocation names this
// DLL and the class's icon resource, and the caller extracts the icon itself.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "orrel/com.h"

namespace orrel {
namespace icons {

// {0FEC1000-2900-11D3-8685-00A0C9D59E71}
extern const CLSID CLSID_OrrelIcons;

// Full path of this DLL, however long; ERROR_SUCCESS or the system's error
// code (0 when the system gave none: the caller reports a failure anyway).
DWORD ModulePath(std::string* path);

class IconHandler final : public IShellExtInit, public IExtractIconA {
public:
    IconHandler() noexcept = default;

    ORREL_IUNKNOWN_METHODS(IconHandler)
    static const QIEntry* QITable() noexcept;

    // IShellExtInit
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY key) override;

    // IExtractIconA
    STDMETHODIMP GetIconLocation(UINT flags, LPSTR file, UINT size, int* index,
                                 UINT* outFlags) override;
    STDMETHODIMP Extract(LPCSTR file, UINT index, HICON* large, HICON* small,
                         UINT sizes) override;

private:
    ~IconHandler() = default;

    RefCount refs_;
    LONG classRow_ = -1;  // row of the class icon table; -1 before Initialize
};

}  // namespace icons
}  // namespace orrel
