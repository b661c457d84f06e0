// The namespace's shell folder and its item enumerator.
#include "orrel/core/folder.h"

#include <cstring>
#include <new>

#include "orrel/comguard.h"
#include "orrel/core/classhandlers.h"
#include "orrel/core/config.h"
#include "orrel/core/itemid.h"
#include "orrel/core/itemuiobject.h"
#include "orrel/core/namespacelock.h"
#include "orrel/module.h"
#include "orrel/view/viewfactory.h"

namespace orrel {

namespace {

constexpr ULONG kAttributesMask = 0xE0040000;  // count 0: what may stay set
constexpr ULONG kAttrFolderReadOnly = SFGAO_FOLDER | SFGAO_READONLY;                  // 0x20040000
constexpr ULONG kAttrDropTarget = SFGAO_DROPTARGET;                                   // 0x100
constexpr ULONG kAttrRenameDelete = SFGAO_CANRENAME | SFGAO_CANDELETE;                // 0x30
constexpr ULONG kAttrCopyMoveLink = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;    // 7
constexpr std::size_t kMaxNameBytes = 1024;

std::uint16_t ReadU16(const BYTE* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// The first entry of ours that carries a record, decoded, and the entries
// after it. False when the list has none.
bool FirstOwnEntry(LPCITEMIDLIST list, ItemRecord* record, LPCITEMIDLIST* rest)
{
    const std::size_t bytes = IdListSize(list);
    const BYTE* p = reinterpret_cast<const BYTE*>(list);
    std::size_t pos = 0;
    while (pos + 2 <= bytes) {
        const std::size_t cb = ReadU16(p + pos);
        if (cb <= 2 || cb > bytes - pos) return false;
        if (DecodeItem(p + pos, cb, record)) {
            *rest = reinterpret_cast<LPCITEMIDLIST>(p + pos + cb);
            return true;
        }
        pos += cb;
    }
    return false;
}

// The last entry is the namespace's own junction entry: our signature and
// class identifier with no record behind them (how the Desktop names us).
bool EndsAtJunction(LPCITEMIDLIST list)
{
    const std::size_t bytes = IdListSize(list);
    if (bytes == 0) return false;
    const BYTE* p = reinterpret_cast<const BYTE*>(list);
    std::size_t pos = 0, last = 0;
    while (pos < bytes) {
        last = pos;
        pos += ReadU16(p + pos);
    }
    const std::size_t cb = ReadU16(p + last);
    return cb >= kEntryHeaderSize && p[last + 2] == kEntrySignature &&
           std::memcmp(p + last + 4, kNamespaceClsidBytes, 16) == 0;
}

int Sign(int value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// The order of two records: folders, then trees, then containers, then the
// rest; then by name without case. Items of equal rank and name are told
// apart by tree and path, so that 0 means the same item.
int CompareRecords(const ItemRecord& a, const ItemRecord& b)
{
    for (std::uint32_t bit : {std::uint32_t(ITEM_FOLDER), std::uint32_t(ITEM_TREE),
                              std::uint32_t(ITEM_CONTAINER)}) {
        if ((a.flags & bit) != (b.flags & bit)) return (a.flags & bit) ? -1 : 1;
    }
    int byName = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.displayName.data(),
                                static_cast<int>(a.displayName.size()), b.displayName.data(),
                                static_cast<int>(b.displayName.size()));
    if (byName != 0 && byName != CSTR_EQUAL) return byName == CSTR_LESS_THAN ? -1 : 1;
    if (int byTree = Sign(a.tree.compare(b.tree))) return byTree;
    return Sign(a.path.compare(b.path));
}

int CompareLists(LPCITEMIDLIST first, LPCITEMIDLIST second, bool* decoded)
{
    ItemRecord a, b;
    LPCITEMIDLIST restA = nullptr, restB = nullptr;
    if (!FirstOwnEntry(first, &a, &restA) || !FirstOwnEntry(second, &b, &restB)) {
        *decoded = false;
        return 0;
    }
    *decoded = true;
    if (int result = CompareRecords(a, b)) return result;
    // Equal first levels: the deeper levels decide; a list that ends first
    // comes first.
    const bool moreA = IdListSize(restA) != 0, moreB = IdListSize(restB) != 0;
    if (!moreA || !moreB) return moreA == moreB ? 0 : (moreA ? 1 : -1);
    bool deeper = false;
    int result = CompareLists(restA, restB, &deeper);
    if (deeper) return result;
    return 0;
}

std::string ToAnsi(LPCWSTR text, bool* ok)
{
    *ok = true;
    if (!text || !*text) return std::string();
    char buffer[kMaxNameBytes];
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    if (n <= 0) {
        *ok = false;
        return std::string();
    }
    return std::string(buffer);
}

}  // namespace

std::string DisplayNameOf(const ItemRecord& record, DWORD flags)
{
    if (flags != SHGDN_NORMAL && flags != SHGDN_FORPARSING) return record.displayName;
    if (record.IsFolder()) return DecodePath(record.path, false, '\\');
    if (record.flags & ITEM_TREE) return record.displayName;
    return DecodePath(record.path, true, '.');
}

HRESULT CompareItemLists(LPARAM param, LPCITEMIDLIST first, LPCITEMIDLIST second)
{
    bool decoded = false;
    int result = CompareLists(first, second, &decoded);
    if (!decoded) return static_cast<HRESULT>(-1);
    if ((static_cast<DWORD>(param) & 0xFFFF0000u) != 0) result = -result;
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(static_cast<short>(result)));
}

ULONG ItemAttributes(const ItemRecord& record, ClassHandlerTable& classes)
{
    ULONG attributes = kAttrFolderReadOnly;
    if (const ClassEntry* entry = classes.FindClass(record.className, true))
        if (HasHandlerKind(*entry, HANDLER_DROP_TARGET)) attributes |= kAttrDropTarget;
    if (record.IsContainer()) attributes |= SFGAO_HASSUBFOLDER;
    if (record.IsFolder()) attributes |= kAttrRenameDelete;
    return attributes | kAttrCopyMoveLink;
}

// ---------------------------------------------------------------------------
// NamespaceFolder

const QIEntry* NamespaceFolder::QITable() noexcept
{
    static const QIEntry table[] = {
        ORREL_QI(NamespaceFolder, IShellFolder),
        ORREL_QI(NamespaceFolder, IPersistFolder2),
        ORREL_QI_IID(NamespaceFolder, IPersistFolder2, IID_IPersistFolder),
        ORREL_QI_IID(NamespaceFolder, IPersistFolder2, IID_IPersist),
        ORREL_QI(NamespaceFolder, IShellExtInit),
        ORREL_QI(NamespaceFolder, IContextMenu),
        ORREL_QI(NamespaceFolder, IDropTarget),
        ORREL_QI(NamespaceFolder, IOrrelRefresh),
        ORREL_QI_END,
    };
    return table;
}

ItemRecord NamespaceFolder::FolderRecord() const
{
    ItemRecord record;
    if (folderId_) DecodeLastItem(folderId_.Get(), &record);
    return record;
}

void NamespaceFolder::ShowMessage(HWND owner, UINT id) noexcept
{
    char caption[128], text[512];
    if (!LoadModuleString(IDS_FOLDER_CAPTION, caption, sizeof caption))
        lstrcpynA(caption, "Orrel Explorer", sizeof caption);
    if (!LoadModuleString(id, text, sizeof text)) return;
    MessageBoxA(owner, text, caption, MB_OK | MB_ICONHAND);
}

STDMETHODIMP NamespaceFolder::ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG* eaten,
                                               PIDLIST_RELATIVE* list, ULONG*)
{
    if (list) *list = nullptr;
    if (eaten) *eaten = 0;
    return E_NOTIMPL;
}

STDMETHODIMP NamespaceFolder::EnumObjects(HWND, SHCONTF flags, IEnumIDList** out)
{
    return ComGuard([&]() -> HRESULT {
        if (!out) return E_POINTER;
        *out = nullptr;
        ChildListPtr children = model_.ChildrenOf(FolderRecord());
        if (!children) return E_FAIL;
        return CreateAndQuery<ItemEnumerator>(IID_IEnumIDList, reinterpret_cast<void**>(out),
                                              std::move(children), flags);
    });
}

STDMETHODIMP NamespaceFolder::BindToObject(PCUIDLIST_RELATIVE list, IBindCtx*, REFIID riid,
                                           void** ppv)
{
    return ComGuard([&]() -> HRESULT {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!list || IdListCount(list) == 0) return E_INVALIDARG;
        NamespaceFolder* folder = new (std::nothrow) NamespaceFolder(model_);
        if (!folder) return E_OUTOFMEMORY;
        // The child gets an absolute list (ours and the relative one), as
        // IPersistFolder wants; its last entry is the same either way.
        ItemIdList absolute = ItemIdList::Copy(folderId_.Get(), ListAllocator::Heap);
        if (!absolute || !absolute.Append(list)) absolute = ItemIdList::Copy(list, ListAllocator::Heap);
        folder->Initialize(absolute.Get());
        HRESULT hr = folder->QueryInterface(riid, ppv);
        folder->Release();
        return hr;
    });
}

STDMETHODIMP NamespaceFolder::BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void** ppv)
{
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP NamespaceFolder::CompareIDs(LPARAM param, PCUIDLIST_RELATIVE first,
                                         PCUIDLIST_RELATIVE second)
{
    return ComGuard([&] { return CompareItemLists(param, first, second); });
}

STDMETHODIMP NamespaceFolder::CreateViewObject(HWND, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const HRESULT hr = CreateContainerView(this, riid, ppv);
    return hr == E_OUTOFMEMORY ? E_NOTIMPL : hr;
}

STDMETHODIMP NamespaceFolder::GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY lists,
                                              SFGAOF* inOut)
{
    return ComGuard([&]() -> HRESULT {
        if (!inOut) return E_INVALIDARG;
        if (count == 0) {
            *inOut &= kAttributesMask;
            return S_OK;
        }
        if (!lists) return E_INVALIDARG;
        ULONG combined = ~0UL;
        bool any = false;
        for (UINT i = 0; i < count; ++i) {
            ItemRecord record;
            if (!lists[i] || !DecodeLastItem(lists[i], &record)) continue;
            combined &= ItemAttributes(record, model_.Classes());
            any = true;
        }
        if (any) *inOut = combined;
        return S_OK;
    });
}

STDMETHODIMP NamespaceFolder::GetUIObjectOf(HWND, UINT count, PCUITEMID_CHILD_ARRAY lists,
                                            REFIID riid, UINT*, void** ppv)
{
    return ComGuard([&]() -> HRESULT {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (count == 0 || !lists) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i)
            if (!lists[i]) return E_INVALIDARG;
        if (count == 1) {
            selectionId_.Reset();
            ItemRecord record;
            const bool ours = DecodeItem(lists[0], &record);
            const bool ownMenu = ours && (record.IsFolder() || record.IsRoot()) &&
                                 (IsEqualIID(riid, IID_IDropTarget) ||
                                  IsEqualIID(riid, IID_IContextMenu));
            if (!ours || ownMenu) {
                selectionId_ = ItemIdList::Copy(lists[0], ListAllocator::Heap);
                return QueryInterface(riid, ppv);
            }
        }
        ItemUIObject* object = new (std::nothrow) ItemUIObject(model_.Classes());
        if (!object) return E_FAIL;
        HRESULT hr = object->InitSelection(count, const_cast<LPCITEMIDLIST*>(lists));
        if (SUCCEEDED(hr))
            hr = object->QueryInterface(riid, ppv);
        else
            hr = E_INVALIDARG;
        object->Release();
        return hr;
    });
}

STDMETHODIMP NamespaceFolder::GetDisplayNameOf(PCUITEMID_CHILD list, SHGDNF flags, STRRET* name)
{
    return ComGuard([&]() -> HRESULT {
        if (!name) return E_INVALIDARG;
        ItemRecord record;
        if (!list || !DecodeLastItem(list, &record)) return E_FAIL;
        const std::string text = DisplayNameOf(record, flags);
        const std::size_t length = text.size() < kMaxDisplayName ? text.size() : kMaxDisplayName;
        name->uType = STRRET_CSTR;
        std::memcpy(name->cStr, text.data(), length);
        name->cStr[length] = '\0';
        return S_OK;
    });
}

STDMETHODIMP NamespaceFolder::SetNameOf(HWND owner, PCUITEMID_CHILD list, LPCWSTR name, SHGDNF,
                                        PITEMID_CHILD* out)
{
    return ComGuard([&]() -> HRESULT {
        if (out) *out = nullptr;
        ItemRecord record;
        if (!list || !DecodeLastItem(list, &record)) return E_FAIL;
        if (!CanEdit(record)) return E_FAIL;
        bool converted = false;
        const std::string newName = ToAnsi(name, &converted);
        if (!converted) {
            ShowMessage(owner, IDS_FOLDER_RENAME_FAILED);
            return E_FAIL;
        }
        if (!IsValidItemName(newName)) {
            ShowMessage(owner, IDS_FOLDER_BAD_NAME);
            return E_FAIL;
        }
        if (newName == record.displayName) return E_FAIL;
        if (!RenameFolder(model_, folderId_.Get(), record, newName)) {
            ShowMessage(owner, IDS_FOLDER_RENAME_FAILED);
            return E_FAIL;
        }
        NamespaceLock lock;
        Reload(model_);
        model_.RefreshViews();
        return S_OK;
    });
}

STDMETHODIMP NamespaceFolder::GetClassID(CLSID* clsid)
{
    if (!clsid) return E_POINTER;
    *clsid = CLSID_OrrelShell;
    return S_OK;
}

STDMETHODIMP NamespaceFolder::GetCurFolder(LPITEMIDLIST* list)
{
    return ComGuard([&]() -> HRESULT {
        if (!list) return E_POINTER;
        *list = nullptr;
        if (!folderId_) return S_FALSE;
        ItemIdList copy = ItemIdList::Copy(folderId_.Get(), ListAllocator::Shell);
        if (!copy) return E_OUTOFMEMORY;
        *list = copy.Detach();
        return S_OK;
    });
}

STDMETHODIMP NamespaceFolder::Initialize(LPCITEMIDLIST list)
{
    return ComGuard([&]() -> HRESULT {
        folderId_ = ItemIdList::Copy(list, ListAllocator::Heap);
        ItemRecord record;
        if (list && EndsAtJunction(list)) {
            DecodeLastItem(list, &record);
            if (record.IsRoot()) model_.AddRootId(list);
        }
        return S_OK;
    });
}

STDMETHODIMP NamespaceFolder::Initialize(LPCITEMIDLIST, IDataObject*, HKEY)
{
    return S_OK;
}

STDMETHODIMP NamespaceFolder::QueryContextMenu(HMENU menu, UINT position, UINT firstId,
                                               UINT lastId, UINT flags)
{
    return ComGuard([&]() -> HRESULT {
        if (!folderMenu_) ORREL_RETURN_IF_FAILED(CreateFolderMenu(this, folderMenu_.Put()));
        return folderMenu_->QueryContextMenu(menu, position, firstId, lastId, flags);
    });
}

STDMETHODIMP NamespaceFolder::InvokeCommand(LPCMINVOKECOMMANDINFO info)
{
    return ComGuard([&]() -> HRESULT {
        if (!folderMenu_) ORREL_RETURN_IF_FAILED(CreateFolderMenu(this, folderMenu_.Put()));
        return folderMenu_->InvokeCommand(info);
    });
}

STDMETHODIMP NamespaceFolder::GetCommandString(UINT_PTR id, UINT type, UINT* reserved,
                                               LPSTR text, UINT size)
{
    return ComGuard([&]() -> HRESULT {
        if (!folderMenu_) ORREL_RETURN_IF_FAILED(CreateFolderMenu(this, folderMenu_.Put()));
        return folderMenu_->GetCommandString(id, type, reserved, text, size);
    });
}

STDMETHODIMP NamespaceFolder::DragEnter(IDataObject* dataObject, DWORD keys, POINTL point,
                                         DWORD* effect)
{
    return ComGuard([&]() -> HRESULT {
        if (!dropTarget_) ORREL_RETURN_IF_FAILED(CreateFolderDropTarget(this, dropTarget_.Put()));
        return dropTarget_->DragEnter(dataObject, keys, point, effect);
    });
}

STDMETHODIMP NamespaceFolder::DragOver(DWORD keys, POINTL point, DWORD* effect)
{
    return ComGuard([&]() -> HRESULT {
        if (!dropTarget_) ORREL_RETURN_IF_FAILED(CreateFolderDropTarget(this, dropTarget_.Put()));
        return dropTarget_->DragOver(keys, point, effect);
    });
}

STDMETHODIMP NamespaceFolder::DragLeave()
{
    return dropTarget_ ? dropTarget_->DragLeave() : S_OK;
}

STDMETHODIMP NamespaceFolder::Drop(IDataObject* dataObject, DWORD keys, POINTL point, DWORD* effect)
{
    return ComGuard([&]() -> HRESULT {
        if (!dropTarget_) ORREL_RETURN_IF_FAILED(CreateFolderDropTarget(this, dropTarget_.Put()));
        return dropTarget_->Drop(dataObject, keys, point, effect);
    });
}

STDMETHODIMP NamespaceFolder::Refresh()
{
    return ComGuard([&]() -> HRESULT {
        NamespaceLock lock;
        Reload(model_);
        model_.RefreshViews();
        return S_OK;
    });
}

// ---------------------------------------------------------------------------
// ItemEnumerator

const QIEntry* ItemEnumerator::QITable() noexcept
{
    static const QIEntry table[] = {
        ORREL_QI(ItemEnumerator, IEnumIDList),
        ORREL_QI_END,
    };
    return table;
}

bool ItemEnumerator::Visible(const ItemRecord& record) const noexcept
{
    const bool folders = (flags_ & SHCONTF_FOLDERS) != 0;
    const bool nonFolders = (flags_ & SHCONTF_NONFOLDERS) != 0;
    if (folders && !nonFolders && !record.IsContainer()) return false;
    if (nonFolders && !folders && record.IsContainer()) return false;
    return true;
}

STDMETHODIMP ItemEnumerator::Next(ULONG count, PITEMID_CHILD* lists, ULONG* fetched)
{
    return ComGuard([&]() -> HRESULT {
        if (!lists) return E_POINTER;
        if (!children_) return S_FALSE;
        // The array is the model's: read under its lock.
        NamespaceLock lock;
        const ChildList& children = *children_;
        // Position counts visible items. Scanning goes on from where the last
        // call stopped when that is still valid (same array size, not past
        // the position), so walking a large container one item at a time
        // stays linear.
        std::size_t index = 0;
        ULONG visible = 0;
        if (cursorSize_ == children.size() && cursorVisible_ <= position_) {
            index = cursorIndex_;
            visible = cursorVisible_;
        }
        ULONG got = 0;
        HRESULT failure = S_OK;
        for (; index < children.size() && got < count; ++index) {
            const auto& child = children[index];
            if (!child || !Visible(*child)) continue;
            if (visible < position_) {
                ++visible;
                continue;
            }
            LPITEMIDLIST list = MakeItemId(*child, nullptr, ListAllocator::Shell);
            if (!list) {
                std::vector<std::uint8_t> probe;
                if (!AppendItemEntry(*child, &probe)) {
                    ++visible;
                    ++position_;  // a record too large for an entry is passed over
                    continue;
                }
                failure = E_OUTOFMEMORY;
                break;
            }
            lists[got++] = list;
            ++visible;
            ++position_;
        }
        cursorIndex_ = index;
        cursorVisible_ = visible;
        cursorSize_ = children.size();
        if (fetched) *fetched = got;
        if (got == 0 && FAILED(failure)) return failure;
        return got ? S_OK : S_FALSE;
    });
}

STDMETHODIMP ItemEnumerator::Skip(ULONG count)
{
    position_ += count;
    return S_OK;
}

STDMETHODIMP ItemEnumerator::Reset()
{
    position_ = 0;
    return S_OK;
}

STDMETHODIMP ItemEnumerator::Clone(IEnumIDList** out)
{
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace orrel
