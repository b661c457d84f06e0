// The launcher's frame window: a top-level window whose client area holds
// the shell's explorer browser (its tree pane and a details view).
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "orrel/com.h"

namespace orrel::launcher {

// What the browser told us about its navigations (IExplorerBrowserEvents).
struct NavigationLog {
    int pending = 0;
    int completed = 0;
    int failed = 0;
    int viewsCreated = 0;
};

// Counts what the browser reports of its navigations.
class BrowserEvents final : public IExplorerBrowserEvents {
public:
    ORREL_IUNKNOWN_METHODS(BrowserEvents)
    static const QIEntry* QITable()
    {
        static const QIEntry table[] = {ORREL_QI(BrowserEvents, IExplorerBrowserEvents),
                                        ORREL_QI_END};
        return table;
    }

    STDMETHODIMP OnNavigationPending(PCIDLIST_ABSOLUTE) override
    {
        ++log_.pending;
        return S_OK;
    }
    STDMETHODIMP OnViewCreated(IShellView*) override
    {
        ++log_.viewsCreated;
        return S_OK;
    }
    STDMETHODIMP OnNavigationComplete(PCIDLIST_ABSOLUTE) override
    {
        ++log_.completed;
        return S_OK;
    }
    STDMETHODIMP OnNavigationFailed(PCIDLIST_ABSOLUTE) override
    {
        ++log_.failed;
        return S_OK;
    }

    const NavigationLog& Log() const noexcept { return log_; }

private:
    RefCount refs_;
    NavigationLog log_;
};

class BrowserFrame {
public:
    BrowserFrame() = default;
    ~BrowserFrame();
    BrowserFrame(const BrowserFrame&) = delete;
    BrowserFrame& operator=(const BrowserFrame&) = delete;

    // Creates the frame (not yet shown) and the browser in its client area,
    // with the tree pane and a details view. Needs an apartment-threaded
    // COM apartment on the calling thread.
    HRESULT Create(HINSTANCE instance, const char* title, int width, int height);

    // Opens the item whose parsing name (relative to the Desktop) is given.
    // When that fails, opens the Desktop instead, so that the tree pane is
    // there all the same; report says what failed. S_OK when the item asked
    // for is shown, S_FALSE when the Desktop stands in, an error when
    // neither could be opened.
    HRESULT Navigate(const std::string& parsingName, std::string* report);

    HWND Window() const noexcept { return window_; }
    IExplorerBrowser* Browser() const noexcept { return browser_.Get(); }
    NavigationLog Log() const;

    // The browser has filled: a view is shown and, with the tree pane, the
    // tree holds items. Cheap enough to ask while pumping messages.
    bool Filled() const;

    // Expands, in the tree pane, the item last asked for (found by its
    // display name among the roots and their children), so that its
    // contents show there even when its own view could not open. False when
    // it is not in the tree (yet).
    bool RevealTarget();

    // What the tree pane shows: one line per item that can be seen (the
    // children of expanded items), indented by two blanks per level.
    std::vector<std::string> TreeLines() const;
    // The names in the current view's list.
    std::vector<std::string> ViewLines() const;

    // The first descendant window of a window class ("SysTreeView32", ...).
    HWND FindDescendant(const char* className) const;

    // Destroys the browser (IExplorerBrowser::Destroy, then Release) and the
    // frame. Safe to call twice; the destructor calls it.
    void Destroy();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HRESULT BrowseToParsingName(const std::string& parsingName, std::string* report);
    HRESULT BrowseToDesktop(std::string* report);
    void ReleaseBrowser();
    std::string WhyNoView(IShellFolder* desktop, LPCITEMIDLIST pidl) const;

    HWND window_ = nullptr;
    ComPtr<IExplorerBrowser> browser_;
    ComPtr<BrowserEvents> events_;
    DWORD eventsCookie_ = 0;
    bool advised_ = false;
    std::string targetName_;  // display name of the item last asked for
};

// Text of an HRESULT: its number and the system's message when it has one.
std::string DescribeHResult(HRESULT hr);

}  // namespace orrel::launcher
