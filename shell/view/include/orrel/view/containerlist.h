// The list of a container view: a list-view control (id 666) with the
// folder's children in two columns, one image per directory class, and the
// commands that the list's notifications start: the item and background
// menus, open, delete, rename and dragging items out.
//
// The control is virtual (LVS_OWNERDATA): it holds only the count and the
// selection, and asks the list for the text, image and drop highlight of
// the items it shows, so opening a container costs its listing and one sort,
// whatever its size. Item i is the i-th record of the list's own copy of the
// folder's children (taken under the NamespaceLock when the list fills) in
// sorted order: the model may change on any thread meanwhile, the list's
// records stay until its next fill (on its own thread).
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <oleidl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "orrel/com.h"
#include "orrel/core/itemrecord.h"
#include "orrel/core/model.h"
#include "orrel/ui/controls.h"
#include "orrel/ui/window.h"
#include "orrel/view/dragdrop.h"
#include "orrel/view/droptargets.h"
#include "orrel/view/viewlogic.h"

namespace orrel {
namespace view {

class ContainerView;

// The private message that starts a drag once the begin-drag notification
// has returned.
constexpr UINT kStartDragMessage = WM_USER + 10;

class ContainerList final : public ui::Window {
public:
    explicit ContainerList(ContainerView& view) noexcept : view_(view) {}
    ~ContainerList() override;

    // Creates the control over the rectangle of the parent's client area,
    // its image lists and columns, and registers its drop target.
    bool CreateControl(HWND parent, const RECT& rect);

    ui::ListViewCtrl Control() const noexcept { return ui::ListViewCtrl(Handle()); }
    // The view is going: the list no longer tells it anything.
    void ForgetView() noexcept { viewGone_ = true; }
    // The view the list belongs to; null once it is going.
    ContainerView* OwningView() const noexcept { return viewGone_ ? nullptr : &view_; }

    // Deletes every item and inserts the children of the folder again,
    // sorted; keeps the folder's capabilities.
    void Fill();
    std::uint32_t Capabilities() const noexcept { return capabilities_; }
    std::size_t CachedClassIcons() const noexcept { return icons_.Size(); }

    // The image index of a record's class (-1 for none).
    int ResolveIcon(const ItemRecord* record);

    // The records of the selected items, in list order.
    std::vector<const ItemRecord*> SelectedRecords() const;
    const ItemRecord* RecordAt(int index) const;

    // The commands the list's notifications start.
    void ShowContextMenu(POINT screen);
    void OpenSelection();
    void DeleteSelection();
    // End of a label edit: whether the list should keep the new text.
    bool FinishRename(int index, const char* newName);

    // A notification of the control, as its parent passes it on; false when
    // the list does not handle it.
    bool OnNotify(NMHDR* header, LRESULT& result);

    // The sort order of two records: containers first, then by class, then
    // by name, both without case by the locale's collation.
    static int CompareRecords(const ItemRecord& a, const ItemRecord& b) noexcept;

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // Once the window is gone and its last message has returned.
    void OnFinalMessage(HWND hwnd) override;

private:
    void ShowItemMenu(POINT screen, const std::vector<const ItemRecord*>& selected);
    void ShowBackgroundMenu(POINT screen);
    bool BackgroundMenuAllowed() const;
    void BeginDrag();
    void RunDrag();
    int AddIconPair(const std::string& className, HICON large, HICON small);
    // Delete, rename and a drag that moved items change the configuration:
    // reload the model, refill every view and tell the shell.
    void AfterConfigurationChange();
    void SelectRecord(const ItemRecord& record);
    // The control asks for an item's text, image or state.
    void AnswerDisplayInfo(LVITEMA& item);
    void AnswerDisplayInfo(LVITEMW& item);
    // The control looks for an item by its text (type-ahead, LVM_FINDITEM).
    int FindByText(const NMLVFINDITEMA& find) const;
    // The drop highlight, kept by the list (the control keeps no such state
    // of a virtual item): LVM_SETITEMSTATE and LVM_GETITEMSTATE of
    // LVIS_DROPHILITED land here.
    void SetDropHighlight(int index, bool on);
    // Records in the order of CompareRecords (stable: equal records keep
    // the model's order).
    static std::vector<const ItemRecord*> SortRecords(const std::vector<ItemRecord>& records);

    ContainerView& view_;
    bool viewGone_ = false;
    HIMAGELIST smallImages_ = nullptr;  // owned by the control
    HIMAGELIST largeImages_ = nullptr;  // owned by the control
    ClassIconMap icons_;
    std::uint32_t capabilities_ = 0;
    std::shared_ptr<const std::vector<ItemRecord>> records_;  // the folder's children, copied
    std::vector<const ItemRecord*> order_;  // item i: order_[i], into records_
    std::vector<int> images_;               // item i's image (-1: none)
    std::string folderText_;                // the type shown for folders
    int dropHighlight_ = -1;                // -2: every item
    ListDropSource dropSource_;
    ListDropTarget dropTarget_{*this};
    bool dropRegistered_ = false;
    ComPtr<IDataObject> pendingDrag_;
    std::vector<ItemRecord> dragged_;
};

// Invokes a context-menu command chosen from a menu whose first identifier
// was 1: the integer verb id - 1, owned by window. E_FAIL for an id <= 0.
HRESULT InvokeMenuCommand(IContextMenu* menu, HWND owner, int id) noexcept;

}  // namespace view
}  // namespace orrel
