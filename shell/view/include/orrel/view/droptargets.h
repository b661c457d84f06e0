// Drop targets of the namespace: the container list's (it passes each drag
// on to the drop target of the list item under the cursor) and the folder
// object's own, which files dropped items into a personal folder or the
// namespace root.
#pragma once

#include <windows.h>
#include <oleidl.h>

#include <string>

#include "orrel/com.h"
#include "orrel/core/itemidlist.h"
#include "orrel/core/itemrecord.h"

namespace orrel {

class NamespaceFolder;
class NamespaceModel;

namespace view {

class ContainerList;

// The effect a drag carrying "Orrel::Object" gets from the list before it
// reaches an item: copy with the Control key down, else move; none for
// other data. Masked with what the source allows (*allowed, when given).
DWORD ListEntryEffect(IDataObject* data, DWORD keys, const DWORD* allowed) noexcept;

// IDropTarget of the container list, registered with OLE while the list
// window exists. Lives as long as its list; its count does not free it.
class ListDropTarget final : public IDropTarget {
public:
    explicit ListDropTarget(ContainerList& list) noexcept : list_(list) {}
    ~ListDropTarget();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

    // The item whose drop target is current (-1 for none).
    int CurrentItem() const noexcept { return item_; }

private:
    // The list item whose icon or label is under a screen point, or -1.
    int HitItem(POINTL screen) const noexcept;
    // Near the list's top or bottom edge the list scrolls by a line, as a
    // list does under a drag; true when it did.
    bool ScrollNearEdge(POINTL screen) const noexcept;
    void ForgetItem() noexcept;

    ContainerList& list_;
    LONG refs_ = 0;
    DWORD keys_ = 0;
    DWORD effect_ = DROPEFFECT_NONE;
    int item_ = -1;
    ComPtr<IDropTarget> itemTarget_;
    ComPtr<IDataObject> data_;  // the drag's data object, from entry to leave or drop
};

// What a dropped personal folder became.
enum class FolderMove {
    Moved,     // stored under the target with everything below it, old entry removed
    Refused,   // onto itself, into a folder inside it, or already there
    Failed,    // the target holds a folder of that name, or the registry failed
};

// Moves a personal folder's stored entry, with every folder, shortcut and
// tree below it, into the target folder (a personal folder or the root):
// the subtree is copied first (nested folders' paths rewritten) and the old
// entry removed only once the copy is whole. The model follows at the next
// reload.
FolderMove MoveFolderInto(const ItemRecord& folder, const ItemRecord& target);

// The folder object's IDropTarget: files dragged directory objects,
// shortcuts and trees as new shortcuts, and dragged personal folders with
// everything under them, into the folder named by the folder object's
// selectionId (the folder itself when it has none).
class FolderDropTarget final : public IDropTarget {
public:
    // Holds no reference: the folder owns this object and releases it when
    // it goes.
    explicit FolderDropTarget(NamespaceFolder* folder) noexcept : folder_(folder) {}

    ORREL_IUNKNOWN_METHODS(FolderDropTarget)
    static const QIEntry* QITable() noexcept;

    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
    ~FolderDropTarget() = default;
    // The folder the drop files into: the one named when the drag entered,
    // else the folder object's selectionId, else its own folderId.
    ItemRecord TargetRecord() const;

    RefCount refs_;
    NamespaceFolder* folder_;
    DWORD effect_ = DROPEFFECT_NONE;
    ItemIdList enteredTarget_;  // selectionId when the drag entered
};

}  // namespace view
}  // namespace orrel
