// The container view: the shell view the browser shows for a folder of the
// namespace. A window object with the IShellView interface embedded; its one
// child is the ContainerList. It merges its commands into the browser's
// menus and toolbar, keeps the status bar up to date (taking the browser's
// status window over with a LogoStatusBar while active), and is one of the
// model's open views, refilled after every change.
//
// Hosts that answer none of the merging calls (menus, toolbar, status bar,
// UIActivate never called) still get a filled, sorted, working list.
//
// Threads: a view is used only on the thread that created its window. It is
// registered with the model from its window's creation to WM_DESTROY; a
// change made on any thread reaches it as kRefillViewMessage (see
// namespacelock.h), never as a call.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "orrel/com.h"
#include "orrel/core/model.h"
#include "orrel/handles.h"
#include "orrel/ui/window.h"
#include "orrel/view/logostatusbar.h"

namespace orrel {

class NamespaceFolder;

namespace view {

class ContainerList;

extern const char kViewWindowClass[];  // the view window's class
extern const char kViewWindowTitle[];  // "Orrel Contianer View"

class ContainerView final : public ui::Window, public IShellView, public ModelView {
public:
    // Holds a reference on the folder from here to destruction.
    explicit ContainerView(NamespaceFolder* folder) noexcept;

    ORREL_IUNKNOWN_METHODS(ContainerView)
    static const QIEntry* QITable() noexcept;

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* out) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    // IShellView
    STDMETHODIMP TranslateAccelerator(MSG* msg) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP UIActivate(UINT state) override;
    STDMETHODIMP Refresh() override;
    STDMETHODIMP CreateViewWindow(IShellView* previous, LPCFOLDERSETTINGS settings,
                                  IShellBrowser* browser, RECT* rect, HWND* out) override;
    STDMETHODIMP DestroyViewWindow() override;
    STDMETHODIMP GetCurrentInfo(LPFOLDERSETTINGS out) override;
    STDMETHODIMP AddPropertySheetPages(DWORD reserved, LPFNADDPROPSHEETPAGE addPage,
                                       LPARAM lParam) override;
    STDMETHODIMP SaveViewState() override;
    STDMETHODIMP SelectItem(PCUITEMID_CHILD item, SVSIF flags) override;
    STDMETHODIMP GetItemObject(UINT item, REFIID riid, void** ppv) override;

    // ModelView: the window the model posts kRefillViewMessage to.
    HWND ViewWindow() const noexcept override { return Handle(); }
    // Fills the list again from the model; on the view's own thread only
    // (the model asks with kRefillViewMessage).
    void Refill();

    NamespaceFolder& Folder() const noexcept { return *folder_; }
    NamespaceModel& Model() const noexcept;
    IShellBrowser* Browser() const noexcept { return browser_.Get(); }
    ContainerList* List() const noexcept { return list_; }
    // The list tells its view that it is going (its window was destroyed).
    void ForgetList(const ContainerList* list) noexcept
    {
        if (list_ == list) list_ = nullptr;
    }
    UINT ActivationState() const noexcept { return activation_; }
    UINT ViewMode() const noexcept { return settings_.ViewMode; }
    bool StatusSubclassed() const noexcept { return statusSubclassed_; }
    LogoStatusBar& StatusBar() noexcept { return status_; }

    // The UI object of a selection of records: one single-level identifier
    // per record, handed to the folder's GetUIObjectOf. E_FAIL without a
    // folder, E_OUTOFMEMORY when an identifier cannot be made.
    HRESULT GetUIObjectOf(const std::vector<const ItemRecord*>& records, REFIID riid, void** ppv);

    // The status text from the list's counts, shown in the logo status bar
    // when it is subclassed, else sent to the browser's status bar.
    void UpdateStatus();

    // The view commands (menus and toolbar); param is WM_COMMAND's lParam.
    void OnCommand(UINT id, LPARAM param);

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    ~ContainerView() override;

    bool CreateList();
    void AddToolbarButtons();
    void MergeMenus();
    void UndoMerge();
    void UpdateCommandStates();
    void ApplyViewMode();
    void SetViewMode(UINT mode);
    void ShowViewMenu(const RECT& button);
    void ForgetWindow();
    LRESULT SendToolbar(UINT msg, WPARAM wp, LPARAM lp);

    RefCount refs_;
    NamespaceFolder* folder_;  // referenced
    ComPtr<IShellBrowser> browser_;
    // The list deletes itself once its window is gone (never inside one of
    // its own messages); the view only points to it.
    ContainerList* list_ = nullptr;
    UINT activation_ = 0;  // SVUIA_DEACTIVATE
    FOLDERSETTINGS settings_;
    Menu merged_;
    bool statusSubclassed_ = false;
    bool inModel_ = false;
    LogoStatusBar status_;
};

// Whether a pointer given with the views command names a readable block
// whose second member points to a readable VT_I4 variant whose value points
// to a readable rectangle (the views button's screen rectangle). Checked
// page by page with VirtualQuery, never by touching the memory first.
bool ReadViewButtonRect(LPARAM param, RECT* out) noexcept;

// Whether [address, address + size) lies in committed, readable pages.
bool IsReadableMemory(const void* address, std::size_t size) noexcept;

}  // namespace view
}  // namespace orrel
