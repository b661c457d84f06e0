// Helpers of the view tests: OrrelShell.dll, OrrelIcons.dll and the test
// handlers registered in the test's prefix with a directory image and a
// stored configuration of their own; the namespace reached through the
// shell's desktop folder; a recording IShellBrowser that hosts views with a
// real toolbar and status bar; Wine's ExplorerBrowser as a host; drivers of
// pop-up menus and message boxes; readers of the list.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "orrel/com.h"
#include "orrel/handles.h"

namespace vtest {

constexpr char kFoldersKey[] = "Software\\Halvet\\Orrel Namespace\\Folders";
constexpr char kTree[] = "VIEWTREE";

using Pidl = orrel::TaskMem<ITEMIDLIST>;

// ---------------------------------------------------------------------------
// Registry

// The configuration every test starts from (see view_support.cpp) and the
// model brought in line with it.
void ResetConfiguration();
bool KeyExists(const std::string& pathBelowHkcu);
// A personal folder at keyPath ("Projects\\Sub") and a shortcut in a folder.
void WriteFolder(const std::string& keyPath, DWORD extraFlags = 0);
void WriteShortcut(const std::string& folderKey, const std::string& dotted,
                   const std::string& className, DWORD flags);

// The test handlers' log (one call per line) and its reset.
std::string HandlerLog();
void ResetHandlerLog();

// ---------------------------------------------------------------------------
// Shell

Pidl RootPidl();
// The namespace root, or the folder reached by display names below it.
orrel::ComPtr<IShellFolder> BindPath(const std::vector<std::string>& names);
// The folder's child with this display name, as a relative list.
Pidl ChildPidl(IShellFolder* folder, const std::string& name);
// The display name (SHGDN_INFOLDER) of a relative list in a folder.
std::string NameOf(IShellFolder* folder, LPCITEMIDLIST child);
// The display names of the children of the folder reached by display names
// below the root (none when it cannot be bound).
std::vector<std::string> ChildNames(const std::vector<std::string>& path);
// The registry key of a personal folder's entry, relative to the Folders key.
std::string FolderKey(const std::string& relative);
// Reloads the namespace's configuration through IOrrelRefresh.
HRESULT RefreshNamespace();

// Lets posted and sent messages of this thread run for a while.
void Pump(DWORD milliseconds = 50);

// ---------------------------------------------------------------------------
// The list

std::vector<std::string> Column(HWND list, int subItem);
std::vector<int> Images(HWND list);
int ItemIndex(HWND list, const std::string& name);
void SelectOnly(HWND list, const std::vector<int>& indices);
// The client point at the middle of an item's label.
POINT ItemPoint(HWND list, int index);
// A right-click as the mouse makes it (the list sends NM_RCLICK).
void RightClick(HWND list, POINT client);
std::string Join(const std::vector<std::string>& texts);

// ---------------------------------------------------------------------------
// Pop-up menus and message boxes

struct MenuItem {
    UINT id;
    std::string text;  // "-" for a separator
    bool grayed;
    bool checked;
    bool isDefault;
};
std::vector<MenuItem> ReadMenu(HMENU menu);
std::string Describe(const std::vector<MenuItem>& items);  // "Rename(32514) | - | ..."

// While alive, every pop-up menu this thread tracks is read, then the item
// with the chosen identifier is picked with the keyboard (0: dismissed).
class MenuDriver {
public:
    explicit MenuDriver(UINT choose = 0);
    ~MenuDriver();
    int Shown() const;
    const std::vector<MenuItem>& Items() const;  // of the last menu

private:
    UINT_PTR timer_;
};

// While alive, every message box this thread shows is read and answered.
class MessageBoxCatcher {
public:
    explicit MessageBoxCatcher(int answer = IDOK);
    ~MessageBoxCatcher();
    int Count() const;
    std::string Text() const;
    std::string Caption() const;
    HWND Owner() const;
    HICON Icon() const;

private:
    UINT_PTR timer_;
};

// ---------------------------------------------------------------------------
// A browser of our own

struct BrowserOptions {
    bool menus = true;      // InsertMenusSB and SetMenuSB work
    bool controls = true;   // toolbar and status bar exist and answer
    bool hotImages = false;  // the toolbar has a hot image list
    bool viewSeparator = true;  // the View pop-up has a separator after two items
    bool lendStatus = true;     // GetControlWindow hands out the status window
};

class TestBrowser final : public IShellBrowser {
public:
    explicit TestBrowser(const BrowserOptions& options);

    ORREL_IUNKNOWN_METHODS(TestBrowser)
    static const orrel::QIEntry* QITable() noexcept;

    HWND Frame() const { return frame_; }
    HWND Toolbar() const { return toolbar_; }
    HWND Status() const { return status_; }
    HMENU Menu() const { return menu_; }  // what SetMenuSB installed last
    const std::vector<std::string>& Calls() const { return calls_; }
    int CallCount(const std::string& prefix) const;
    const std::vector<TBBUTTON>& Buttons() const { return buttons_; }
    UINT ButtonFlags() const { return buttonFlags_; }
    LRESULT BitmapBase(int which) const { return bitmapBase_[which]; }
    const std::vector<std::string>& StatusTexts() const { return statusTexts_; }
    const std::vector<std::vector<BYTE>>& Browsed() const { return browsed_; }
    const std::vector<UINT>& BrowseFlags() const { return browseFlags_; }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* out) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IShellBrowser
    STDMETHODIMP InsertMenusSB(HMENU menu, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenuSB(HMENU menu, HOLEMENU, HWND) override;
    STDMETHODIMP RemoveMenusSB(HMENU menu) override;
    STDMETHODIMP SetStatusTextSB(LPCWSTR) override;
    STDMETHODIMP EnableModelessSB(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAcceleratorSB(MSG*, WORD) override { return E_NOTIMPL; }
    STDMETHODIMP BrowseObject(PCUIDLIST_RELATIVE list, UINT flags) override;
    STDMETHODIMP GetViewStateStream(DWORD, IStream** out) override;
    STDMETHODIMP GetControlWindow(UINT id, HWND* out) override;
    STDMETHODIMP SendControlMsg(UINT id, UINT msg, WPARAM wp, LPARAM lp, LRESULT* ret) override;
    STDMETHODIMP QueryActiveShellView(IShellView** out) override;
    STDMETHODIMP OnViewWindowActive(IShellView*) override;
    STDMETHODIMP SetToolbarItems(LPTBBUTTONSB buttons, UINT count, UINT flags) override;

private:
    ~TestBrowser();
    HWND ControlWindow(UINT id) const;

    orrel::RefCount refs_;
    BrowserOptions options_;
    HWND frame_ = nullptr, toolbar_ = nullptr, status_ = nullptr;
    HIMAGELIST hot_ = nullptr;
    HMENU menu_ = nullptr;
    HMENU popups_[3] = {};
    std::vector<std::string> calls_;
    std::vector<TBBUTTON> buttons_;
    UINT buttonFlags_ = 0;
    LRESULT bitmapBase_[2] = {-1, -1};
    int bitmapsAdded_ = 0;
    std::vector<std::string> statusTexts_;
    std::vector<std::vector<BYTE>> browsed_;
    std::vector<UINT> browseFlags_;
};

// A view of a namespace folder hosted by a TestBrowser.
class ViewHost {
public:
    ViewHost() = default;
    ViewHost(const ViewHost&) = delete;
    ViewHost& operator=(const ViewHost&) = delete;
    ~ViewHost() { Close(); }

    // Creates the view window (and activates the view unless activate is 0).
    bool Open(const std::vector<std::string>& path, const BrowserOptions& options = BrowserOptions(),
              UINT activate = SVUIA_ACTIVATE_FOCUS, UINT mode = FVM_DETAILS);
    void Close();

    TestBrowser& Browser() const { return *browser_.Get(); }
    IShellView* View() const { return view_.Get(); }
    IShellFolder* Folder() const { return folder_.Get(); }
    HWND Window() const { return window_; }
    HWND List() const { return list_; }
    // The status text the view shows (the logo status bar's, or the last
    // one sent to the browser's status bar).
    std::string StatusText() const;

private:
    orrel::ComPtr<TestBrowser> browser_;
    orrel::ComPtr<IShellFolder> folder_;
    orrel::ComPtr<IShellView> view_;
    HWND window_ = nullptr, list_ = nullptr;
};

// Wine's own ExplorerBrowser in a frame window.
class ExplorerHost {
public:
    ExplorerHost();
    ~ExplorerHost();
    HRESULT BrowseTo(LPCITEMIDLIST absolute);
    orrel::ComPtr<IShellView> View() const;
    HWND List() const;  // the SysListView32 of the current view
    IExplorerBrowser* Browser() const { return browser_.Get(); }

private:
    HWND frame_ = nullptr;
    orrel::ComPtr<IExplorerBrowser> browser_;
};

}  // namespace vtest
