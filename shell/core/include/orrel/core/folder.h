// The shell folder of the namespace: what the Desktop binds for "Orrel
// Explorer" and for every node below it. A folder object knows the container
// it shows by the last entry of its own identifier list (every entry carries
// a whole record) and answers from the process-wide namespace model.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <oleidl.h>
#include <shlobj.h>

#include <string>

#include "orrel/com.h"
#include "orrel/core/itemidlist.h"
#include "orrel/core/model.h"
#include "orrel/core/orrelrefresh.h"

namespace orrel {

// Resource identifiers of the folder's messages (string table of the DLL).
enum FolderStrings : UINT {
    IDS_FOLDER_CAPTION = 125,       // "Orrel Explorer"
    IDS_FOLDER_BAD_NAME = 126,      // the name-character message
    IDS_FOLDER_RENAME_FAILED = 127,  // "Folder name already exist or ..."
};

// Display name texts are at most this long (and a terminating zero).
constexpr std::size_t kMaxDisplayName = 259;

// The text GetDisplayNameOf gives for a record and SHGDN flags.
std::string DisplayNameOf(const ItemRecord& record, DWORD flags);

// CompareIDs on two lists: -1, 0 or 1 (param's upper 16 bits invert the
// order); E_FAIL-like -1 result code (returned as is) when either list has
// no record of ours.
HRESULT CompareItemLists(LPARAM param, LPCITEMIDLIST first, LPCITEMIDLIST second);

// Attributes of one record (SFGAO_*), given the class handler table.
ULONG ItemAttributes(const ItemRecord& record, ClassHandlerTable& classes);

class NamespaceFolder final : public IShellFolder,
                              public IPersistFolder2,
                              public IShellExtInit,
                              public IContextMenu,
                              public IDropTarget,
                              public IOrrelRefresh {
public:
    // The model must outlive the object (the COM server's model lives until
    // the DLL unloads).
    explicit NamespaceFolder(NamespaceModel& model) noexcept : model_(model) {}

    ORREL_IUNKNOWN_METHODS(NamespaceFolder)
    static const QIEntry* QITable() noexcept;

    NamespaceModel& Model() const noexcept { return model_; }
    const ItemIdList& FolderId() const noexcept { return folderId_; }
    const ItemIdList& SelectionId() const noexcept { return selectionId_; }
    void SetSelectionId(ItemIdList list) noexcept { selectionId_ = std::move(list); }
    // The record of the container this folder shows (the root record when
    // the last entry of folderId is no record of ours).
    ItemRecord FolderRecord() const;

    // IShellFolder
    STDMETHODIMP ParseDisplayName(HWND owner, IBindCtx* context, LPWSTR name, ULONG* eaten,
                                  PIDLIST_RELATIVE* list, ULONG* attributes) override;
    STDMETHODIMP EnumObjects(HWND owner, SHCONTF flags, IEnumIDList** out) override;
    STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE list, IBindCtx* context, REFIID riid,
                              void** ppv) override;
    STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE list, IBindCtx* context, REFIID riid,
                               void** ppv) override;
    STDMETHODIMP CompareIDs(LPARAM param, PCUIDLIST_RELATIVE first,
                            PCUIDLIST_RELATIVE second) override;
    STDMETHODIMP CreateViewObject(HWND owner, REFIID riid, void** ppv) override;
    STDMETHODIMP GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY lists, SFGAOF* inOut) override;
    STDMETHODIMP GetUIObjectOf(HWND owner, UINT count, PCUITEMID_CHILD_ARRAY lists, REFIID riid,
                               UINT* reserved, void** ppv) override;
    STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD list, SHGDNF flags, STRRET* name) override;
    STDMETHODIMP SetNameOf(HWND owner, PCUITEMID_CHILD list, LPCWSTR name, SHGDNF flags,
                           PITEMID_CHILD* out) override;

    // IPersistFolder2
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP Initialize(LPCITEMIDLIST list) override;
    // A copy of the absolute list the folder was initialised with (the
    // shell's tree asks for it to make items of the folder's children).
    STDMETHODIMP GetCurFolder(LPITEMIDLIST* list) override;

    // IShellExtInit
    STDMETHODIMP Initialize(LPCITEMIDLIST folder, IDataObject* dataObject, HKEY key) override;

    // IContextMenu: the folder's own menu (FolderMenu of the view layer).
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId,
                                  UINT flags) override;
    STDMETHODIMP InvokeCommand(LPCMINVOKECOMMANDINFO info) override;
    STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT* reserved, LPSTR text,
                                  UINT size) override;

    // IDropTarget: dropping into a personal folder or the root (FolderDropTarget
    // of the view layer).
    STDMETHODIMP DragEnter(IDataObject* dataObject, DWORD keys, POINTL point,
                           DWORD* effect) override;
    STDMETHODIMP DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* dataObject, DWORD keys, POINTL point, DWORD* effect) override;

    // IOrrelRefresh
    STDMETHODIMP Refresh() override;

private:
    ~NamespaceFolder() = default;

    // Shows a message of the string table, owned by the window, with the
    // caption "Orrel Explorer" and the stop icon.
    static void ShowMessage(HWND owner, UINT id) noexcept;

    RefCount refs_;
    NamespaceModel& model_;
    ItemIdList folderId_;     // the list given to Initialize
    ItemIdList selectionId_;  // the one item the folder's menu or drop target acts on
    ComPtr<IContextMenu> folderMenu_;  // the folder's own menu, made on first use
    ComPtr<IDropTarget> dropTarget_;   // the folder's own drop target, made on first use
};

// The enumerator of a children array: visible items from the start of the
// array, counted by position; the array is shared with the model.
class ItemEnumerator final : public IEnumIDList {
public:
    ItemEnumerator(ChildListPtr children, SHCONTF flags) noexcept
        : children_(std::move(children)), flags_(flags)
    {
    }

    ORREL_IUNKNOWN_METHODS(ItemEnumerator)
    static const QIEntry* QITable() noexcept;

    STDMETHODIMP Next(ULONG count, PITEMID_CHILD* lists, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumIDList** out) override;

private:
    ~ItemEnumerator() = default;
    bool Visible(const ItemRecord& record) const noexcept;

    RefCount refs_;
    ChildListPtr children_;
    SHCONTF flags_;
    ULONG position_ = 0;
    // Where the last Next stopped: array index, visible items before it, and
    // the array's size then (a different size means the array changed).
    std::size_t cursorIndex_ = 0;
    ULONG cursorVisible_ = 0;
    std::size_t cursorSize_ = static_cast<std::size_t>(-1);
};

}  // namespace orrel
