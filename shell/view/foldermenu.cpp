#include "orrel/view/foldermenu.h"

#include <cstring>

#include "orrel/comguard.h"
#include "orrel/core/folder.h"
#include "orrel/core/orrelrefresh.h"
#include "orrel/core/searchsite.h"
#include "orrel/ui/messagebox.h"
#include "orrel/view/shortcutwizard.h"
#include "orrel/view/viewfactory.h"
#include "orrel/view/viewresource.h"

namespace orrel {
namespace view {

namespace {

bool LastItemIsSeparator(HMENU menu)
{
    const int count = GetMenuItemCount(menu);
    if (count <= 0) return false;
    MENUITEMINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    return GetMenuItemInfoA(menu, static_cast<UINT>(count - 1), TRUE, &info) &&
           (info.fType & MFT_SEPARATOR);
}

}  // namespace

const QIEntry* FolderMenu::QITable() noexcept
{
    static const QIEntry table[] = {
        ORREL_QI(FolderMenu, IContextMenu),
        ORREL_QI_END,
    };
    return table;
}

STDMETHODIMP FolderMenu::QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId,
                                          UINT flags)
{
    return ComGuard([&]() -> HRESULT {
        count_ = 0;
        if (!menu || !IsMenu(menu)) return E_INVALIDARG;
        if (firstId > lastId) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        if (GetMenuItemCount(menu) > 0 && !LastItemIsSeparator(menu)) {
            if (InsertMenuA(menu, position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr)) ++position;
        }
        const std::string wizard = ui::LoadModuleText(IDS_VIEW_SHORTCUT_WIZARD);
        if (!InsertMenuA(menu, position, MF_BYPOSITION | MF_STRING, firstId, wizard.c_str()))
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        count_ = 1;  // the wizard, at offset 0
        UINT used = count_;

        if (folder_->FolderRecord().IsRoot() && firstId < lastId) {
            if (!search_) {
                ComPtr<IShellExtInit> init;
                if (SUCCEEDED(CoCreateInstance(CLSID_OrrelFind, nullptr, CLSCTX_INPROC_SERVER,
                                               IID_IShellExtInit, init.PutVoid())) &&
                    init)
                    init.As(IID_IContextMenu, search_);
            }
            if (search_) {
                const HRESULT hr =
                    search_->QueryContextMenu(menu, position + 1, firstId + 1, lastId, flags);
                if (SUCCEEDED(hr)) used += HRESULT_CODE(hr);
            }
        }
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, used);
    });
}

STDMETHODIMP FolderMenu::InvokeCommand(LPCMINVOKECOMMANDINFO info)
{
    return ComGuard([&]() -> HRESULT {
        if (!info || info->cbSize < sizeof(CMINVOKECOMMANDINFO)) return E_INVALIDARG;
        if (!IS_INTRESOURCE(info->lpVerb)) return E_INVALIDARG;  // no verbs by name
        const UINT offset = LOWORD(reinterpret_cast<ULONG_PTR>(info->lpVerb));
        if (offset == 0) {
            // "Shortcut Wizard...": on a thread of its own; returns at once.
            return StartShortcutWizard(info->hwnd, folder_->FolderId(), folder_->SelectionId(),
                                       folder_)
                       ? S_OK
                       : E_FAIL;
        }
        if (!search_ || offset < count_) return E_FAIL;
        ComPtr<ISearchSite> site;
        if (FAILED(search_.As(IID_ISearchSite, site)) || !site) return E_FAIL;
        ComPtr<IOrrelRefresh> refresh;
        folder_->QueryInterface(IID_IOrrelRefresh, refresh.PutVoid());
        site->SetNamespaceHost(refresh.Get());

        // The search extension gets the invocation with its own offsets.
        CMINVOKECOMMANDINFOEX copy;
        std::memset(&copy, 0, sizeof copy);
        const DWORD size = info->cbSize < sizeof copy ? info->cbSize : static_cast<DWORD>(sizeof copy);
        std::memcpy(&copy, info, size);
        copy.cbSize = size;
        const UINT own = offset - count_;
        copy.lpVerb = MAKEINTRESOURCEA(own);
        if (size >= sizeof copy) copy.lpVerbW = MAKEINTRESOURCEW(own);
        // The menu is released once it has run its command.
        ComPtr<IContextMenu> search = std::move(search_);
        search_.Reset();
        return search->InvokeCommand(reinterpret_cast<LPCMINVOKECOMMANDINFO>(&copy));
    });
}

STDMETHODIMP FolderMenu::GetCommandString(UINT_PTR, UINT type, UINT*, LPSTR text, UINT size)
{
    // Nothing to say about any command; the caller's buffer gets an empty
    // text rather than whatever it held.
    if (text && size > 0) {
        if (type & GCS_UNICODE)
            reinterpret_cast<WCHAR*>(text)[0] = L'\0';
        else
            text[0] = '\0';
    }
    return S_OK;
}

}  // namespace view

HRESULT CreateFolderMenu(NamespaceFolder* folder, IContextMenu** out) noexcept
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!folder) return E_INVALIDARG;
    return CreateAndQuery<view::FolderMenu>(IID_IContextMenu, reinterpret_cast<void**>(out), folder);
}

}  // namespace orrel
