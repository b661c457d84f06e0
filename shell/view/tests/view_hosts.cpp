// The hosts of the view tests: a recording browser of our own and Wine's
// ExplorerBrowser.
#include <cstdio>
#include <cstring>

#include "view_support.h"

namespace vtest {

namespace {

constexpr char kFrameClass[] = "ViewTestFrame";

HWND MakeFrame(const char* title)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kFrameClass;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        registered = RegisterClassA(&wc) != 0;
    }
    // Never shown: destroying a shown top-level window keeps Wine on X11
    // waiting two seconds, and nothing here needs to be seen.
    return CreateWindowExA(0, kFrameClass, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 10, 10, 700,
                           500, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

HMENU Popup(const char* first, const char* second, bool separator, const char* last)
{
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, 0xA001, first);
    AppendMenuA(popup, MF_STRING, 0xA002, second);
    if (separator) AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup, MF_STRING, 0xA003, last);
    return popup;
}

}  // namespace

// ---------------------------------------------------------------------------
// TestBrowser

const orrel::QIEntry* TestBrowser::QITable() noexcept
{
    static const orrel::QIEntry table[] = {
        ORREL_QI(TestBrowser, IShellBrowser),
        ORREL_QI_IID(TestBrowser, IShellBrowser, IID_IOleWindow),
        ORREL_QI_END,
    };
    return table;
}

TestBrowser::TestBrowser(const BrowserOptions& options) : options_(options)
{
    frame_ = MakeFrame("view test browser");
    if (options_.controls) {
        toolbar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | CCS_TOP, 0, 0,
                                   0, 0, frame_, nullptr, GetModuleHandleA(nullptr), nullptr);
        SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        if (options_.hotImages) {
            hot_ = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 4);
            SendMessageA(toolbar_, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hot_));
        }
        status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "browser status",
                                  WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, frame_,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    }
}

TestBrowser::~TestBrowser()
{
    for (HMENU popup : popups_)
        if (popup && IsMenu(popup)) DestroyMenu(popup);
    if (frame_) DestroyWindow(frame_);
    if (hot_) ImageList_Destroy(hot_);
}

int TestBrowser::CallCount(const std::string& prefix) const
{
    int count = 0;
    for (const std::string& call : calls_)
        if (call.compare(0, prefix.size(), prefix) == 0) ++count;
    return count;
}

HWND TestBrowser::ControlWindow(UINT id) const
{
    if (!options_.controls) return nullptr;
    return id == FCW_TOOLBAR ? toolbar_ : (id == FCW_STATUS ? status_ : nullptr);
}

STDMETHODIMP TestBrowser::GetWindow(HWND* out)
{
    if (!out) return E_INVALIDARG;
    *out = frame_;
    return S_OK;
}

STDMETHODIMP TestBrowser::InsertMenusSB(HMENU menu, LPOLEMENUGROUPWIDTHS)
{
    calls_.push_back("InsertMenusSB");
    if (!options_.menus) return E_NOTIMPL;
    popups_[0] = Popup("&New", "&Open", true, "E&xit");
    popups_[1] = Popup("&Undo", "&Redo", false, "&Invert Selection");
    popups_[2] = Popup("Tool&bar", "Status &Bar", options_.viewSeparator, "&Refresh");
    const UINT ids[] = {FCIDM_MENU_FILE, FCIDM_MENU_EDIT, FCIDM_MENU_VIEW};
    const char* names[] = {"&File", "&Edit", "&View"};
    for (int i = 0; i < 3; ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.wID = ids[i];
        info.hSubMenu = popups_[i];
        info.dwTypeData = const_cast<char*>(names[i]);
        InsertMenuItemA(menu, static_cast<UINT>(i), TRUE, &info);
    }
    return S_OK;
}

STDMETHODIMP TestBrowser::SetMenuSB(HMENU menu, HOLEMENU, HWND)
{
    calls_.push_back(menu ? "SetMenuSB menu" : "SetMenuSB none");
    if (!options_.menus) return E_NOTIMPL;
    menu_ = menu;
    return S_OK;
}

STDMETHODIMP TestBrowser::RemoveMenusSB(HMENU menu)
{
    calls_.push_back("RemoveMenusSB");
    if (!options_.menus) return E_NOTIMPL;
    // The browser's pop-ups leave the shared menu and stay the browser's.
    for (UINT id : {FCIDM_MENU_FILE, FCIDM_MENU_EDIT, FCIDM_MENU_VIEW})
        RemoveMenu(menu, id, MF_BYCOMMAND);
    return S_OK;
}

STDMETHODIMP TestBrowser::SetStatusTextSB(LPCWSTR)
{
    calls_.push_back("SetStatusTextSB");
    return E_NOTIMPL;
}

STDMETHODIMP TestBrowser::BrowseObject(PCUIDLIST_RELATIVE list, UINT flags)
{
    calls_.push_back("BrowseObject");
    const UINT size = list ? ILGetSize(list) : 0;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(list);
    browsed_.push_back(std::vector<BYTE>(bytes, bytes + size));
    browseFlags_.push_back(flags);
    return S_OK;
}

STDMETHODIMP TestBrowser::GetViewStateStream(DWORD, IStream** out)
{
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TestBrowser::GetControlWindow(UINT id, HWND* out)
{
    calls_.push_back("GetControlWindow " + std::to_string(id));
    if (!out) return E_INVALIDARG;
    *out = (id == FCW_STATUS && !options_.lendStatus) ? nullptr : ControlWindow(id);
    return *out ? S_OK : E_NOTIMPL;
}

STDMETHODIMP TestBrowser::SendControlMsg(UINT id, UINT msg, WPARAM wp, LPARAM lp, LRESULT* ret)
{
    char call[96];
    std::snprintf(call, sizeof call, "SendControlMsg %u 0x%X %u", id, msg, static_cast<unsigned>(wp));
    calls_.push_back(call);
    if (id == FCW_STATUS && msg == SB_SETTEXTA && lp)
        statusTexts_.push_back(reinterpret_cast<const char*>(lp));
    HWND window = ControlWindow(id);
    if (!window) return E_NOTIMPL;  // the result is left alone, as Wine's browser does
    const LRESULT result = SendMessageA(window, msg, wp, lp);
    if (ret) *ret = result;
    if (id == FCW_TOOLBAR && msg == TB_ADDBITMAP && bitmapsAdded_ < 2)
        bitmapBase_[bitmapsAdded_++] = result;
    return S_OK;
}

STDMETHODIMP TestBrowser::QueryActiveShellView(IShellView** out)
{
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TestBrowser::OnViewWindowActive(IShellView*)
{
    calls_.push_back("OnViewWindowActive");
    return S_OK;
}

STDMETHODIMP TestBrowser::SetToolbarItems(LPTBBUTTONSB buttons, UINT count, UINT flags)
{
    calls_.push_back("SetToolbarItems");
    buttons_.assign(buttons, buttons + count);
    buttonFlags_ = flags;
    if (!options_.controls) return E_NOTIMPL;
    SendMessageA(toolbar_, TB_ADDBUTTONSA, count, reinterpret_cast<LPARAM>(buttons));
    return S_OK;
}

// ---------------------------------------------------------------------------
// ViewHost

bool ViewHost::Open(const std::vector<std::string>& path, const BrowserOptions& options,
                    UINT activate, UINT mode)
{
    Close();
    browser_.Attach(new TestBrowser(options));
    folder_ = BindPath(path);
    if (!folder_) return false;
    if (FAILED(folder_->CreateViewObject(browser_->Frame(), IID_IShellView, view_.PutVoid())) || !view_)
        return false;
    FOLDERSETTINGS settings = {mode, 0};
    RECT rect = {0, 30, 680, 420};
    if (FAILED(view_->CreateViewWindow(nullptr, &settings, browser_.Get(), &rect, &window_)))
        return false;
    list_ = GetDlgItem(window_, 666);
    if (activate) view_->UIActivate(activate);
    return list_ != nullptr;
}

void ViewHost::Close()
{
    if (view_) {
        view_->UIActivate(SVUIA_DEACTIVATE);
        view_->DestroyViewWindow();
    }
    view_.Reset();
    folder_.Reset();
    browser_.Reset();
    window_ = list_ = nullptr;
}

std::string ViewHost::StatusText() const
{
    if (browser_->Status() && View() && browser_->StatusTexts().empty()) {
        char text[256] = {};
        GetWindowTextA(browser_->Status(), text, sizeof text);
        return text;
    }
    const auto& texts = browser_->StatusTexts();
    return texts.empty() ? std::string("<none>") : texts.back();
}

// ---------------------------------------------------------------------------
// ExplorerHost

ExplorerHost::ExplorerHost()
{
    frame_ = MakeFrame("view test explorer");
    if (FAILED(CoCreateInstance(CLSID_ExplorerBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IExplorerBrowser, browser_.PutVoid())))
        return;
    RECT rect = {0, 0, 680, 460};
    FOLDERSETTINGS settings = {FVM_DETAILS, 0};
    if (FAILED(browser_->Initialize(frame_, &rect, &settings))) browser_.Reset();
}

ExplorerHost::~ExplorerHost()
{
    if (browser_) browser_->Destroy();
    browser_.Reset();
    if (frame_) DestroyWindow(frame_);
}

HRESULT ExplorerHost::BrowseTo(LPCITEMIDLIST absolute)
{
    if (!browser_) return E_FAIL;
    const HRESULT hr = browser_->BrowseToIDList(absolute, SBSP_ABSOLUTE);
    Pump(50);
    return hr;
}

orrel::ComPtr<IShellView> ExplorerHost::View() const
{
    orrel::ComPtr<IShellView> view;
    if (browser_) browser_->GetCurrentView(IID_IShellView, view.PutVoid());
    return view;
}

HWND ExplorerHost::List() const
{
    orrel::ComPtr<IShellView> view = View();
    HWND window = nullptr;
    if (!view || FAILED(view->GetWindow(&window))) return nullptr;
    return FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr);
}

}  // namespace vtest
