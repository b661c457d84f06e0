#include "browserframe.h"

#include <shlobj.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <vector>

#include "orrel/comguard.h"
#include "orrel/handles.h"

namespace orrel::launcher {

namespace {

const char kFrameClass[] = "OrrelLauncherFrame";

// Parsing names reach the desktop folder as wide text.
std::wstring Widen(const std::string& text)
{
    if (text.empty()) return std::wstring();
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                     nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

struct FindData {
    const char* className;
    HWND found;
};

BOOL CALLBACK FindChildOfClass(HWND window, LPARAM param)
{
    auto* data = reinterpret_cast<FindData*>(param);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, data->className) == 0) {
        data->found = window;
        return FALSE;
    }
    return TRUE;
}

std::string DisplayNameOf(IShellFolder* desktop, LPCITEMIDLIST pidl)
{
    STRRET name = {};
    char text[MAX_PATH] = {};
    if (FAILED(desktop->GetDisplayNameOf(pidl, SHGDN_NORMAL, &name))) return std::string();
    if (FAILED(StrRetToBufA(&name, pidl, text, sizeof text))) return std::string();
    text[sizeof text - 1] = '\0';
    return text;
}

}  // namespace

// The browser gives only a bare failure: find which step of opening a
// folder's view it was, as the browser takes them.
std::string BrowserFrame::WhyNoView(IShellFolder* desktop, LPCITEMIDLIST pidl) const
{
    ComPtr<IShellFolder> folder;
    HRESULT hr = desktop->BindToObject(pidl, nullptr, IID_IShellFolder, folder.PutVoid());
    if (FAILED(hr) || !folder)
        return "  binding its folder failed: " + DescribeHResult(FAILED(hr) ? hr : E_FAIL) + "\n";
    ComPtr<IShellView> view;
    hr = folder->CreateViewObject(window_, IID_IShellView, view.PutVoid());
    if (FAILED(hr) || !view)
        return "  its folder makes no view: " + DescribeHResult(FAILED(hr) ? hr : E_FAIL) + "\n";
    return "  its folder and view are there; the view's window failed\n";
}

std::string DescribeHResult(HRESULT hr)
{
    char number[16];
    wsprintfA(number, "0x%08lX", static_cast<unsigned long>(hr));
    std::string text = number;
    char* message = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&message), 0, nullptr);
    if (length && message) {
        std::string body(message, length);
        while (!body.empty() && (body.back() == '\n' || body.back() == '\r' || body.back() == ' '))
            body.pop_back();
        if (!body.empty()) text += " (" + body + ")";
    }
    if (message) LocalFree(message);
    return text;
}

BrowserFrame::~BrowserFrame()
{
    Destroy();
}

HRESULT BrowserFrame::Create(HINSTANCE instance, const char* title, int width, int height)
{
    if (window_) return E_UNEXPECTED;

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(instance, kFrameClass, &wc)) {
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &BrowserFrame::WindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFrameClass;
        if (!RegisterClassExA(&wc)) return HResultFromLastError();
    }

    window_ = CreateWindowExA(0, kFrameClass, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                              width, height, nullptr, nullptr, instance, this);
    if (!window_) return HResultFromLastError();

    HRESULT hr = CoCreateInstance(CLSID_ExplorerBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IExplorerBrowser, browser_.PutVoid());
    if (FAILED(hr)) return hr;

    // The tree pane is asked for before the browser makes its windows, and
    // again after, as the option may be read at either moment.
    const EXPLORER_BROWSER_OPTIONS options = EBO_SHOWFRAMES;
    browser_->SetOptions(options);

    RECT client;
    GetClientRect(window_, &client);
    FOLDERSETTINGS settings = {};
    settings.ViewMode = FVM_DETAILS;
    settings.fFlags = FWF_NOCLIENTEDGE;
    hr = browser_->Initialize(window_, &client, &settings);
    if (FAILED(hr)) {
        browser_.Reset();
        return hr;
    }
    browser_->SetOptions(options);

    hr = CreateAndQuery<BrowserEvents>(IID_IExplorerBrowserEvents, events_.PutVoid());
    if (SUCCEEDED(hr) && SUCCEEDED(browser_->Advise(events_.Get(), &eventsCookie_))) {
        advised_ = true;
    }
    return S_OK;
}

NavigationLog BrowserFrame::Log() const
{
    return events_ ? events_->Log() : NavigationLog();
}

HRESULT BrowserFrame::BrowseToParsingName(const std::string& parsingName, std::string* report)
{
    ComPtr<IShellFolder> desktop;
    HRESULT hr = SHGetDesktopFolder(desktop.Put());
    if (FAILED(hr)) {
        *report += "the Desktop folder is not there: " + DescribeHResult(hr) + "\n";
        return hr;
    }
    std::wstring wide = Widen(parsingName);
    if (wide.empty()) {
        *report += "cannot convert the parsing name \"" + parsingName + "\"\n";
        return E_INVALIDARG;
    }
    TaskMem<ITEMIDLIST> pidl;
    hr = desktop->ParseDisplayName(window_, nullptr, &wide[0], nullptr, pidl.Put(), nullptr);
    if (FAILED(hr) || !pidl.Get()) {
        *report += "the Desktop does not know \"" + parsingName + "\": " + DescribeHResult(hr) + "\n";
        return FAILED(hr) ? hr : E_FAIL;
    }
    targetName_ = DisplayNameOf(desktop.Get(), pidl.Get());
    const int failedBefore = Log().failed;
    hr = browser_->BrowseToIDList(pidl.Get(), SBSP_ABSOLUTE);
    if (SUCCEEDED(hr) && Log().failed != failedBefore) hr = E_FAIL;
    if (FAILED(hr)) {
        *report += "cannot open \"" + parsingName + "\": " + DescribeHResult(hr) + "\n";
        *report += WhyNoView(desktop.Get(), pidl.Get());
        return hr;
    }
    return S_OK;
}

HRESULT BrowserFrame::BrowseToDesktop(std::string* report)
{
    TaskMem<ITEMIDLIST> pidl;
    HRESULT hr = SHGetSpecialFolderLocation(window_, CSIDL_DESKTOP, pidl.Put());
    if (SUCCEEDED(hr)) hr = browser_->BrowseToIDList(pidl.Get(), SBSP_ABSOLUTE);
    if (FAILED(hr)) *report += "cannot open the Desktop either: " + DescribeHResult(hr) + "\n";
    return hr;
}

HRESULT BrowserFrame::Navigate(const std::string& parsingName, std::string* report)
{
    if (!browser_) return E_UNEXPECTED;
    return ComGuard([&]() -> HRESULT {
        HRESULT hr = BrowseToParsingName(parsingName, report);
        if (SUCCEEDED(hr)) return S_OK;
        *report += "showing the Desktop instead\n";
        hr = BrowseToDesktop(report);
        return SUCCEEDED(hr) ? S_FALSE : hr;
    });
}

HWND BrowserFrame::FindDescendant(const char* className) const
{
    if (!window_) return nullptr;
    FindData data = {className, nullptr};
    EnumChildWindows(window_, &FindChildOfClass, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

bool BrowserFrame::RevealTarget()
{
    HWND tree = FindDescendant(WC_TREEVIEWA);
    if (!tree || targetName_.empty()) return false;
    auto next = [tree](HTREEITEM item, WPARAM how) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
    };
    auto matches = [&](HTREEITEM item) {
        char text[260] = {};
        TVITEMA tvi = {};
        tvi.mask = TVIF_TEXT | TVIF_HANDLE;
        tvi.hItem = item;
        tvi.pszText = text;
        tvi.cchTextMax = sizeof text;
        return SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi)) &&
               targetName_ == text;
    };
    // The target is a root of the tree pane or a child of one (the Desktop).
    HTREEITEM found = nullptr;
    int roots = 0;
    for (HTREEITEM root = next(nullptr, TVGN_ROOT); root && !found && roots < 64;
         root = next(root, TVGN_NEXT), ++roots) {
        if (matches(root)) {
            found = root;
            break;
        }
        int children = 0;
        for (HTREEITEM child = next(root, TVGN_CHILD); child && children < 1024;
             child = next(child, TVGN_NEXT), ++children) {
            if (matches(child)) {
                found = child;
                break;
            }
        }
    }
    if (!found) return false;
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(found));
    TVITEMA state = {};
    state.mask = TVIF_STATE | TVIF_HANDLE;
    state.hItem = found;
    state.stateMask = TVIS_EXPANDED;
    if (SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&state)) &&
        (state.state & TVIS_EXPANDED) && next(found, TVGN_CHILD))
        return true;

    // A first TVM_EXPAND tells the tree pane (TVN_ITEMEXPANDING), which
    // then fills the node; where the tree control does not send that
    // notification, the node stays empty: send it as the control would, and
    // expand again.
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(found));
    if (next(found, TVGN_CHILD)) return true;

    TVITEMW item = {};
    item.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
    item.hItem = found;
    item.stateMask = 0xFFFFFFFF;
    if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return false;
    NMTREEVIEWW notify = {};
    notify.hdr.hwndFrom = tree;
    notify.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(tree));
    notify.hdr.code = TVN_ITEMEXPANDINGW;
    notify.action = TVE_EXPAND;
    notify.itemNew = item;
    HWND owner = GetParent(tree);
    if (!SendMessageW(owner, WM_NOTIFY, notify.hdr.idFrom, reinterpret_cast<LPARAM>(&notify))) {
        SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(found));
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(found));
        notify.hdr.code = TVN_ITEMEXPANDEDW;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        notify.itemNew = item;
        SendMessageW(owner, WM_NOTIFY, notify.hdr.idFrom, reinterpret_cast<LPARAM>(&notify));
        if (next(found, TVGN_CHILD)) return true;
    }

    // Refused, or nothing came: leave the node as it was, closed and with
    // its button, so that the user can still open it.
    TVITEMA reset = {};
    reset.mask = TVIF_HANDLE | TVIF_STATE | TVIF_CHILDREN;
    reset.hItem = found;
    reset.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    reset.state = 0;
    reset.cChildren = 1;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&reset));
    return false;
}

bool BrowserFrame::Filled() const
{
    if (!browser_) return false;
    ComPtr<IShellView> view;
    if (FAILED(browser_->GetCurrentView(IID_IShellView, view.PutVoid())) || !view) return false;
    HWND viewWindow = nullptr;
    if (FAILED(view->GetWindow(&viewWindow)) || !IsWindow(viewWindow)) return false;
    HWND tree = FindDescendant(WC_TREEVIEWA);
    if (tree && SendMessageA(tree, TVM_GETCOUNT, 0, 0) == 0) return false;
    return true;
}

namespace {

void AddTreeLines(HWND tree, HTREEITEM item, int depth, std::vector<std::string>* lines)
{
    // Depth and count are bounded: a tree pane is never this deep or long.
    for (int guard = 0; item && guard < 4096 && lines->size() < 4096; ++guard) {
        char text[260] = {};
        TVITEMA tvi = {};
        tvi.mask = TVIF_TEXT | TVIF_STATE | TVIF_HANDLE;
        tvi.hItem = item;
        tvi.pszText = text;
        tvi.cchTextMax = sizeof text;
        tvi.stateMask = TVIS_EXPANDED;
        if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi))) break;
        text[sizeof text - 1] = '\0';
        lines->push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + text);
        if ((tvi.state & TVIS_EXPANDED) && depth < 32) {
            auto child = reinterpret_cast<HTREEITEM>(
                SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
            AddTreeLines(tree, child, depth + 1, lines);
        }
        item = reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
    }
}

}  // namespace

std::vector<std::string> BrowserFrame::TreeLines() const
{
    std::vector<std::string> lines;
    HWND tree = FindDescendant(WC_TREEVIEWA);
    if (!tree) return lines;
    auto root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    AddTreeLines(tree, root, 0, &lines);
    return lines;
}

std::vector<std::string> BrowserFrame::ViewLines() const
{
    std::vector<std::string> lines;
    if (!browser_) return lines;
    ComPtr<IShellView> view;
    HWND viewWindow = nullptr;
    if (FAILED(browser_->GetCurrentView(IID_IShellView, view.PutVoid())) || !view ||
        FAILED(view->GetWindow(&viewWindow)) || !viewWindow)
        return lines;
    FindData data = {WC_LISTVIEWA, nullptr};
    EnumChildWindows(viewWindow, &FindChildOfClass, reinterpret_cast<LPARAM>(&data));
    if (!data.found) return lines;
    LRESULT count = SendMessageA(data.found, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count && i < 4096; ++i) {
        char text[260] = {};
        LVITEMA lvi = {};
        lvi.iSubItem = 0;
        lvi.pszText = text;
        lvi.cchTextMax = sizeof text;
        SendMessageA(data.found, LVM_GETITEMTEXTA, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&lvi));
        text[sizeof text - 1] = '\0';
        lines.push_back(text);
    }
    return lines;
}

void BrowserFrame::ReleaseBrowser()
{
    if (!browser_) return;
    if (advised_) {
        browser_->Unadvise(eventsCookie_);
        advised_ = false;
    }
    browser_->Destroy();
    browser_.Reset();
    events_.Reset();
}

void BrowserFrame::Destroy()
{
    ReleaseBrowser();
    if (window_) {
        HWND window = window_;
        DestroyWindow(window);  // WM_NCDESTROY clears window_
        window_ = nullptr;
    }
}

LRESULT CALLBACK BrowserFrame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    BrowserFrame* self = nullptr;
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        self = static_cast<BrowserFrame*>(create->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) self->window_ = window;
    } else {
        self = reinterpret_cast<BrowserFrame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    return GuardedCall<LRESULT>(0, [&] {
        LRESULT result = self->OnMessage(message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            self->window_ = nullptr;
        }
        return result;
    });
}

LRESULT BrowserFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        if (browser_ && wParam != SIZE_MINIMIZED) {
            RECT client = {0, 0, LOWORD(lParam), HIWORD(lParam)};
            browser_->SetRect(nullptr, client);
        }
        return 0;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = 320;
        info->ptMinTrackSize.y = 240;
        return 0;
    }
    case WM_DESTROY:
        // The browser's windows are children of the frame: it goes first.
        ReleaseBrowser();
        return 0;
    default:
        return DefWindowProcA(window_, message, wParam, lParam);
    }
}

}  // namespace orrel::launcher
