#include "orrel/view/containerview.h"

#include <commctrl.h>
#include <oleauto.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "orrel/comguard.h"
#include "orrel/core/folder.h"
#include "orrel/core/itemidlist.h"
#include "orrel/core/orrelrefresh.h"
#include "orrel/module.h"
#include "orrel/ui/format.h"
#include "orrel/ui/messagebox.h"
#include "orrel/view/containerlist.h"
#include "orrel/view/optionspage.h"
#include "orrel/view/viewfactory.h"
#include "orrel/view/viewlogic.h"
#include "orrel/view/viewresource.h"

namespace orrel {
namespace view {

const char kViewWindowClass[] = "OrrelContainerView";
const char kViewWindowTitle[] = "Orrel Contianer View";

namespace {

// View windows of this module alive now, on every thread (a window being
// made counts from before its class is registered). When the last one goes
// the module's window classes are unregistered, so that a DLL unloaded and
// loaded again registers them with its new procedure; the count and the
// unregistering are one step under g_classUse, so that a view being made on
// another thread never sees its class go between registering and creating.
LONG g_liveWindows = 0;
CriticalSection g_classUse;

void ReleaseClassesIfUnused() noexcept
{
    CriticalSectionLock lock(g_classUse);
    if (InterlockedCompareExchange(&g_liveWindows, 0, 0) == 0) ui::Window::UnregisterClasses();
}

void WindowGone() noexcept
{
    CriticalSectionLock lock(g_classUse);
    if (InterlockedDecrement(&g_liveWindows) < 0) InterlockedExchange(&g_liveWindows, 0);
}

// Commands the view disables or greys while it shows nothing to act on.
const UINT kDisabledButtons[] = {IDC_EDIT_CUT, IDC_EDIT_COPY, IDC_EDIT_PASTE, IDC_EDIT_DELETE,
                                 IDC_EDIT_PROPERTIES};
const UINT kGreyedItems[] = {IDC_EDIT_CUT, IDC_EDIT_COPY, IDC_EDIT_PASTE, IDC_EDIT_DELETE,
                             IDC_EDIT_SELECTALL};

constexpr int kMaxMenuDepth = 8;
constexpr UINT kMenuTextSize = 256;

// Copies every item of source into target from position on, with all its
// attributes; sub-menus become new pop-ups with their items copied too.
void CopyMenuItems(HMENU source, HMENU target, UINT position, int depth = 0)
{
    if (depth > kMaxMenuDepth) return;
    const int count = GetMenuItemCount(source);
    for (int i = 0; i < count; ++i) {
        char text[kMenuTextSize + 1] = {};
        MENUITEMINFOA info;
        std::memset(&info, 0, sizeof info);
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_DATA |
                     MIIM_CHECKMARKS | MIIM_BITMAP;
        info.dwTypeData = text;
        info.cch = kMenuTextSize;
        if (!GetMenuItemInfoA(source, static_cast<UINT>(i), TRUE, &info)) continue;
        if (info.fType & MFT_SEPARATOR) {
            info.fMask &= ~static_cast<UINT>(MIIM_STRING);
            info.dwTypeData = nullptr;
        } else {
            text[kMenuTextSize] = '\0';
            info.dwTypeData = text;
        }
        Menu popup;
        if (info.hSubMenu) {
            popup.Attach(CreatePopupMenu());
            if (!popup) continue;
            CopyMenuItems(info.hSubMenu, popup.Get(), 0, depth + 1);
            info.hSubMenu = popup.Get();
        }
        if (InsertMenuItemA(target, position, TRUE, &info)) {
            popup.Detach();  // the target owns it now
            ++position;
        }
    }
}

// The pop-up of a menu bar whose item carries the identifier (the browser's
// FCIDM_MENU_* pop-ups), or null.
HMENU FindPopup(HMENU bar, UINT id)
{
    const int count = GetMenuItemCount(bar);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info;
        std::memset(&info, 0, sizeof info);
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU;
        if (GetMenuItemInfoA(bar, static_cast<UINT>(i), TRUE, &info) && info.wID == id &&
            info.hSubMenu)
            return info.hSubMenu;
    }
    return nullptr;
}

// Position of the first separator of a menu, or -1.
int FirstSeparator(HMENU menu)
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info;
        std::memset(&info, 0, sizeof info);
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        if (GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info) &&
            (info.fType & MFT_SEPARATOR))
            return i;
    }
    return -1;
}

}  // namespace

// ---------------------------------------------------------------------------

bool IsReadableMemory(const void* address, std::size_t size) noexcept
{
    if (!address || size == 0) return false;
    std::uintptr_t at = reinterpret_cast<std::uintptr_t>(address);
    const std::uintptr_t end = at + size;
    if (end < at) return false;
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY |
                                PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE |
                                PAGE_EXECUTE_WRITECOPY;
    while (at < end) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == 0)
            return false;
        if (region.State != MEM_COMMIT) return false;
        if (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) return false;
        if (!(region.Protect & kReadable)) return false;
        const std::uintptr_t regionEnd =
            reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (regionEnd <= at) return false;
        at = regionEnd;
    }
    return true;
}

bool ReadViewButtonRect(LPARAM param, RECT* out) noexcept
{
    // The block: three pointer-sized members (12 bytes in a 32-bit process),
    // the second a pointer to the variant.
    struct Block {
        const void* first;
        const VARIANT* variant;
        const void* third;
    };
    const void* address = reinterpret_cast<const void*>(param);
    if (!out || !IsReadableMemory(address, sizeof(Block))) return false;
    Block block;
    std::memcpy(&block, address, sizeof block);
    if (!IsReadableMemory(block.variant, sizeof(VARIANT))) return false;
    VARIANT variant;
    std::memcpy(&variant, block.variant, sizeof variant);
    const RECT* rect = nullptr;
    if (variant.vt == VT_I4) {
        rect = reinterpret_cast<const RECT*>(
            static_cast<std::uintptr_t>(static_cast<ULONG>(variant.lVal)));
    }
#ifdef _WIN64
    else if (variant.vt == VT_I8) {
        // A 64-bit process may hand the whole address.
        rect = reinterpret_cast<const RECT*>(static_cast<std::uintptr_t>(variant.llVal));
    }
#endif
    if (!rect || !IsReadableMemory(rect, sizeof(RECT))) return false;
    std::memcpy(out, rect, sizeof *out);
    return true;
}

// ---------------------------------------------------------------------------
// ContainerView

const QIEntry* ContainerView::QITable() noexcept
{
    static const QIEntry table[] = {
        ORREL_QI(ContainerView, IShellView),
        ORREL_QI_IID(ContainerView, IShellView, IID_IOleWindow),
        ORREL_QI_END,
    };
    return table;
}

ContainerView::ContainerView(NamespaceFolder* folder) noexcept
    : folder_(folder), status_(Module::ResourceInstance())
{
    static_cast<IShellFolder*>(folder_)->AddRef();
    settings_.ViewMode = MODE_DETAILS;
    settings_.fFlags = 0;
}

ContainerView::~ContainerView()
{
    if (inModel_) Model().RemoveView(this);
    inModel_ = false;
    if (statusSubclassed_) status_.Unsubclass();
    statusSubclassed_ = false;
    merged_.Reset();
    if (ContainerList* list = list_) {
        list_ = nullptr;
        list->ForgetView();
        list->Destroy();  // it deletes itself when its window is gone
    }
    if (Handle()) Destroy();
    ReleaseClassesIfUnused();
    browser_.Reset();
    static_cast<IShellFolder*>(folder_)->Release();
}

NamespaceModel& ContainerView::Model() const noexcept
{
    return folder_->Model();
}

STDMETHODIMP ContainerView::GetWindow(HWND* out)
{
    if (!out) return E_INVALIDARG;
    *out = Handle();
    return *out ? S_OK : E_FAIL;
}

STDMETHODIMP ContainerView::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP ContainerView::TranslateAccelerator(MSG*)
{
    return E_NOTIMPL;
}

STDMETHODIMP ContainerView::EnableModeless(BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP ContainerView::UIActivate(UINT state)
{
    return ComGuard([&]() -> HRESULT {
        if (state == activation_) return S_OK;
        if (state != SVUIA_DEACTIVATE) {
            if (browser_) MergeMenus();
            activation_ = state;
        } else {
            UndoMerge();
            activation_ = SVUIA_DEACTIVATE;
        }
        return S_OK;
    });
}

STDMETHODIMP ContainerView::Refresh()
{
    return ComGuard([&]() -> HRESULT {
        ComPtr<IOrrelRefresh> refresh;
        if (SUCCEEDED(folder_->QueryInterface(IID_IOrrelRefresh, refresh.PutVoid())) && refresh)
            refresh->Refresh();
        return S_OK;
    });
}

STDMETHODIMP ContainerView::CreateViewWindow(IShellView*, LPCFOLDERSETTINGS settings,
                                             IShellBrowser* browser, RECT* rect, HWND* out)
{
    return ComGuard([&]() -> HRESULT {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!browser) return E_INVALIDARG;
        if (Handle()) return E_UNEXPECTED;

        browser_ = ComPtr<IShellBrowser>(browser);
        HWND parent = nullptr;
        if (FAILED(browser->GetWindow(&parent))) parent = nullptr;
        if (settings) settings_ = *settings;

        ui::WindowClass cls;
        cls.name = kViewWindowClass;
        cls.style = CS_DBLCLKS | CS_PARENTDC;
        const RECT area = rect ? *rect : RECT{0, 0, 0, 0};
        HWND hwnd = nullptr;
        {
            // Counted from here: its WM_NCDESTROY takes the count back.
            CriticalSectionLock lock(g_classUse);
            InterlockedIncrement(&g_liveWindows);
            if (parent && RegisterWindowClass(cls))
                hwnd = Create(kViewWindowClass, parent, kViewWindowTitle,
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, WS_EX_CLIENTEDGE, area);
            if (!hwnd) InterlockedDecrement(&g_liveWindows);
        }
        if (!hwnd) {
            browser_.Reset();
            ReleaseClassesIfUnused();
            return E_FAIL;
        }
        *out = hwnd;

        AddToolbarButtons();
        if (list_ && list_->Handle()) {
            Model().AddView(this);
            inModel_ = true;
            // The list shows the mode the browser asked for from the start.
            ApplyViewMode();
            list_->Fill();
        }
        HWND toolbar = nullptr;
        if (browser_ && SUCCEEDED(browser_->GetControlWindow(FCW_TOOLBAR, &toolbar)) && toolbar &&
            IsWindow(toolbar))
            UpdateWindow(toolbar);
        return S_OK;
    });
}

STDMETHODIMP ContainerView::DestroyViewWindow()
{
    return ComGuard([&]() -> HRESULT {
        if (inModel_) Model().RemoveView(this);
        inModel_ = false;
        // A browser that did not deactivate the view first gets its menus
        // and status bar back all the same.
        if (activation_ != SVUIA_DEACTIVATE || merged_ || statusSubclassed_) UndoMerge();
        activation_ = SVUIA_DEACTIVATE;
        if (list_) list_->Destroy();
        if (Handle()) Destroy();
        browser_.Reset();
        ReleaseClassesIfUnused();
        return S_OK;
    });
}

STDMETHODIMP ContainerView::GetCurrentInfo(LPFOLDERSETTINGS out)
{
    if (!out) return E_INVALIDARG;
    *out = settings_;
    return S_OK;
}

STDMETHODIMP ContainerView::AddPropertySheetPages(DWORD, LPFNADDPROPSHEETPAGE addPage,
                                                  LPARAM lParam)
{
    return AddOptionsPage(this, addPage, lParam);
}

STDMETHODIMP ContainerView::SaveViewState()
{
    return E_NOTIMPL;
}

STDMETHODIMP ContainerView::SelectItem(PCUITEMID_CHILD, SVSIF)
{
    return E_NOTIMPL;
}

STDMETHODIMP ContainerView::GetItemObject(UINT, REFIID, void** ppv)
{
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
}

void ContainerView::Refill()
{
    if (!list_ || !list_->Handle()) return;
    list_->Fill();
    // The counts changed with the items: the status follows.
    if (activation_ != SVUIA_DEACTIVATE) UpdateStatus();
}

HRESULT ContainerView::GetUIObjectOf(const std::vector<const ItemRecord*>& records, REFIID riid,
                                     void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!folder_) return E_FAIL;
    if (records.empty()) return E_INVALIDARG;
    std::vector<ItemIdList> lists;
    std::vector<LPCITEMIDLIST> raw;
    lists.reserve(records.size());
    raw.reserve(records.size());
    for (const ItemRecord* record : records) {
        if (!record) return E_INVALIDARG;
        ItemIdList list = ItemIdList::FromRecord(*record, nullptr, ListAllocator::Heap);
        if (!list) return E_OUTOFMEMORY;
        raw.push_back(list.Get());
        lists.push_back(std::move(list));
    }
    return folder_->GetUIObjectOf(nullptr, static_cast<UINT>(raw.size()), raw.data(), riid,
                                  nullptr, ppv);
}

LRESULT ContainerView::SendToolbar(UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (browser_) browser_->SendControlMsg(FCW_TOOLBAR, msg, wp, lp, &result);
    return result;
}

void ContainerView::UpdateStatus()
{
    if (!list_ || !list_->Handle()) return;
    const ui::ListViewCtrl control = list_->Control();
    const int selected = control.GetSelectedCount();
    const int items = control.GetItemCount();
    const StatusText status = StatusFor(selected > 0 ? static_cast<std::size_t>(selected) : 0,
                                        items > 0 ? static_cast<std::size_t>(items) : 0);
    const std::string format = ui::LoadModuleText(status.stringId);
    const std::string text = ui::FormatText(format.c_str(), status.count);
    if (statusSubclassed_) {
        status_.SetText(text.c_str());
    } else if (browser_) {
        LRESULT result = 0;
        browser_->SendControlMsg(FCW_STATUS, SB_SIMPLE, TRUE, 0, &result);
        browser_->SendControlMsg(FCW_STATUS, SB_SETTEXTA, SB_SIMPLEID,
                                 reinterpret_cast<LPARAM>(text.c_str()), &result);
    }
}

void ContainerView::AddToolbarButtons()
{
    if (!browser_) return;
    TBADDBITMAP bitmap;
    bitmap.hInst = HINST_COMMCTRL;
    bitmap.nID = IDB_STD_SMALL_COLOR;
    LRESULT standardBase = 0;
    if (FAILED(browser_->SendControlMsg(FCW_TOOLBAR, TB_ADDBITMAP, 8,
                                        reinterpret_cast<LPARAM>(&bitmap), &standardBase)))
        standardBase = 0;
    bitmap.nID = IDB_VIEW_SMALL_COLOR;
    LRESULT viewBase = 0;
    if (FAILED(browser_->SendControlMsg(FCW_TOOLBAR, TB_ADDBITMAP, 8,
                                        reinterpret_cast<LPARAM>(&bitmap), &viewBase)))
        viewBase = 0;
    LRESULT hot = 0;
    const bool hotImages =
        SUCCEEDED(browser_->SendControlMsg(FCW_TOOLBAR, TB_GETHOTIMAGELIST, 0, 0, &hot)) &&
        hot != 0;

    std::size_t count = 0;
    const ToolbarButtonInfo* layout = ToolbarLayout(hotImages, &count);
    std::vector<TBBUTTON> buttons(count);
    for (std::size_t i = 0; i < count; ++i) {
        TBBUTTON& button = buttons[i];
        std::memset(&button, 0, sizeof button);
        const ToolbarButtonInfo& entry = layout[i];
        button.fsState = TBSTATE_ENABLED;
        button.iString = -1;
        switch (entry.bitmap) {
        case ButtonBitmap::Separator:
            button.fsStyle = BTNS_SEP;
            break;
        case ButtonBitmap::Standard:
            button.iBitmap = static_cast<int>(standardBase) + entry.image;
            break;
        case ButtonBitmap::View:
            button.iBitmap = static_cast<int>(viewBase) + entry.image;
            break;
        }
        if (entry.bitmap != ButtonBitmap::Separator) {
            button.idCommand = entry.command;
            button.fsStyle = entry.dropDown ? BTNS_DROPDOWN : BTNS_BUTTON;
        }
    }
    browser_->SetToolbarItems(buttons.data(), static_cast<UINT>(count), FCT_MERGE);
}

void ContainerView::MergeMenus()
{
    UndoMerge();
    Menu menu(CreateMenu());
    browser_->OnViewWindowActive(this);
    if (menu) {
        OLEMENUGROUPWIDTHS widths;
        std::memset(&widths, 0, sizeof widths);
        browser_->InsertMenusSB(menu.Get(), &widths);

        if (HMENU viewMenu = FindPopup(menu.Get(), FCIDM_MENU_VIEW)) {
            Menu modes(LoadMenuA(Module::ResourceInstance(), MAKEINTRESOURCEA(IDM_VIEW_MODES)));
            if (HMENU items = modes ? GetSubMenu(modes.Get(), 0) : nullptr) {
                const int separator = FirstSeparator(viewMenu);
                if (separator > 0) {
                    InsertMenuA(viewMenu, static_cast<UINT>(separator), MF_BYPOSITION | MF_SEPARATOR,
                                0, nullptr);
                    CopyMenuItems(items, viewMenu, static_cast<UINT>(separator) + 1);
                } else {
                    CopyMenuItems(items, viewMenu, 0);
                }
            }
        }
        if (HMENU editMenu = FindPopup(menu.Get(), FCIDM_MENU_EDIT)) {
            Menu edit(LoadMenuA(Module::ResourceInstance(), MAKEINTRESOURCEA(IDM_EDIT_ITEMS)));
            if (HMENU items = edit ? GetSubMenu(edit.Get(), 0) : nullptr)
                CopyMenuItems(items, editMenu, 0);
        }
        browser_->SetMenuSB(menu.Get(), nullptr, nullptr);
        merged_ = std::move(menu);
    }
    UpdateCommandStates();

    if (!statusSubclassed_) {
        HWND status = nullptr;
        if (SUCCEEDED(browser_->GetControlWindow(FCW_STATUS, &status)) && status &&
            IsWindow(status) && status_.Subclass(status))
            statusSubclassed_ = true;
    }
    UpdateStatus();
}

void ContainerView::UndoMerge()
{
    if (merged_) {
        if (browser_) {
            browser_->SetMenuSB(nullptr, nullptr, nullptr);
            browser_->RemoveMenusSB(merged_.Get());
        }
        merged_.Reset();
    }
    if (statusSubclassed_) {
        status_.Unsubclass();
        statusSubclassed_ = false;
        HWND status = nullptr;
        if (browser_ && SUCCEEDED(browser_->GetControlWindow(FCW_STATUS, &status)) && status &&
            IsWindow(status))
            InvalidateRect(status, nullptr, TRUE);
    }
}

void ContainerView::UpdateCommandStates()
{
    for (UINT id : kDisabledButtons) SendToolbar(TB_ENABLEBUTTON, id, MAKELPARAM(FALSE, 0));
    SendToolbar(TB_ENABLEBUTTON, IDC_VIEW_BUTTON, MAKELPARAM(TRUE, 0));
    if (merged_) {
        for (UINT id : kGreyedItems) EnableMenuItem(merged_.Get(), id, MF_BYCOMMAND | MF_GRAYED);
        const unsigned checked = CommandOfMode(settings_.ViewMode);
        for (UINT id = IDC_VIEW_LARGEICONS; id <= IDC_VIEW_DETAILS; ++id)
            CheckMenuItem(merged_.Get(), id,
                          MF_BYCOMMAND | (id == checked ? MF_CHECKED : MF_UNCHECKED));
    }
    ApplyViewMode();
}

void ContainerView::ApplyViewMode()
{
    std::uint32_t type = 0;
    if (list_ && list_->Handle() && ListTypeOfMode(settings_.ViewMode, &type))
        list_->Control().SetViewType(type);
}

void ContainerView::SetViewMode(UINT mode)
{
    settings_.ViewMode = mode;
    UpdateCommandStates();
}

void ContainerView::ShowViewMenu(const RECT& button)
{
    Menu menu(LoadMenuA(Module::ResourceInstance(), MAKEINTRESOURCEA(IDM_VIEW_MODES)));
    HMENU popup = menu ? GetSubMenu(menu.Get(), 0) : nullptr;
    if (!popup) return;
    if (const unsigned checked = CommandOfMode(settings_.ViewMode))
        CheckMenuItem(popup, checked, MF_BYCOMMAND | MF_CHECKED);
    // The chosen item arrives as one of the mode commands.
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, button.left, button.bottom,
                   0, Handle(), nullptr);
}

void ContainerView::OnCommand(UINT id, LPARAM param)
{
    if (const std::uint32_t mode = ModeOfCommand(id)) {
        SetViewMode(mode);
        return;
    }
    if (id == IDC_VIEW_BUTTON) {
        if (!param) return;
        RECT button;
        if (ReadViewButtonRect(param, &button))
            ShowViewMenu(button);
        else
            SetViewMode(NextViewMode(settings_.ViewMode));
    }
    // Cut, copy, paste, properties, select all, delete and rename arrive
    // from the merged menus and toolbar and are accepted without action.
}

bool ContainerView::CreateList()
{
    auto list = std::make_unique<ContainerList>(*this);
    RECT client;
    GetClientRect(Handle(), &client);
    if (!list->CreateControl(Handle(), client)) return false;
    list_ = list.release();
    return true;
}

bool ContainerView::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    switch (msg) {
    case WM_CREATE:
        try {
            CreateList();
        } catch (...) {
            // No list: the view shows nothing.
        }
        result = 0;
        return true;
    case WM_SIZE:
        if (list_ && list_->Handle())
            MoveWindow(list_->Handle(), 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        result = 0;
        return true;
    case WM_SETFOCUS:
        if (list_ && list_->Handle()) SetFocus(list_->Handle());
        result = 0;
        return true;
    case WM_NOTIFY: {
        // The list's own notifications go straight to it (one for every
        // item inserted while filling).
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (header && list_ && list_->Handle() && header->hwndFrom == list_->Handle())
            return list_->OnNotify(header, result);
        return ReflectNotification(msg, wp, lp, result);
    }
    case WM_COMMAND:
        if (ReflectNotification(msg, wp, lp, result)) return true;
        OnCommand(LOWORD(wp), lp);
        result = 0;
        return true;
    case WM_DESTROY:
        // A browser may destroy the view window with its own: the model
        // must not refill a view without a window.
        if (inModel_) Model().RemoveView(this);
        inModel_ = false;
        return false;
    case WM_NCDESTROY:
        WindowGone();
        return false;
    case kRefillViewMessage:
        // Posted by the model (any thread) to this window's own thread.
        TakeRefill();
        try {
            Refill();
        } catch (...) {
            // The list stays as it was; the next change refills it.
        }
        result = 0;
        return true;
    default:
        return false;
    }
}

}  // namespace view

HRESULT CreateContainerView(NamespaceFolder* folder, REFIID riid, void** ppv) noexcept
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!folder) return E_INVALIDARG;
    return CreateAndQuery<view::ContainerView>(riid, ppv, folder);
}

}  // namespace orrel
