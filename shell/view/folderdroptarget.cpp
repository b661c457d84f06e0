// The folder object's drop target: dropped directory objects, shortcuts and
// trees become shortcuts in a personal folder or the namespace root, and a
// dropped personal folder moves there with everything it holds.
#include <cstring>

#include "orrel/comguard.h"
#include "orrel/core/config.h"
#include "orrel/core/dataobject.h"
#include "orrel/core/folder.h"
#include "orrel/core/model.h"
#include "orrel/registry.h"
#include "orrel/view/droptargets.h"
#include "orrel/view/namespacechange.h"
#include "orrel/view/viewfactory.h"

namespace orrel {
namespace view {

namespace {

// The path of the folder holding a folder ("" at the top) and the folder's
// own last label. False for a path that is not a sequence of labels.
bool SplitFolderPath(const std::string& path, std::string* parent, std::string* label)
{
    if (path.empty() || !IsWellFormedPath(path)) return false;
    std::size_t pos = 0, last = 0;
    while (pos < path.size()) {
        last = pos;
        pos += 1 + static_cast<unsigned char>(path[pos]);
    }
    *parent = path.substr(0, last);
    *label = path.substr(last + 1);
    return true;
}

// Registry key names compare without case: so do the paths they are made of.
std::string Folded(std::string text)
{
    if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::string FoldersSubkey(const std::string& path)
{
    return std::string(kFoldersKey) + "\\" + DecodePath(path, false, '\\');
}

// Whether and where a folder may move into the target; newPath receives the
// folder's Path there.
FolderMove CheckFolderMove(const ItemRecord& folder, const ItemRecord& target, std::string* newPath)
{
    if (!folder.IsFolder()) return FolderMove::Failed;
    if (!target.IsFolder() && !target.IsRoot()) return FolderMove::Failed;
    const std::string targetPath = target.IsFolder() ? target.path : std::string();
    if (target.IsFolder() && !IsWellFormedPath(targetPath)) return FolderMove::Failed;
    std::string parent, label;
    if (!SplitFolderPath(folder.path, &parent, &label)) return FolderMove::Failed;

    // Onto itself or into a folder inside it; or where it is already.
    const std::string own = Folded(folder.path);
    const std::string into = Folded(targetPath);
    if (into.compare(0, own.size(), own) == 0) return FolderMove::Refused;
    if (Folded(parent) == into) return FolderMove::Refused;

    std::string moved = targetPath;
    moved += static_cast<char>(label.size());
    moved += label;
    if (KeyExists(HKEY_CURRENT_USER, FoldersSubkey(moved).c_str())) return FolderMove::Failed;
    *newPath = std::move(moved);
    return FolderMove::Moved;
}

// The effect a dropped record has on the target: a folder moves (when it
// may), anything else is copied as a shortcut.
DWORD EffectOf(const ItemRecord& record, const ItemRecord& target)
{
    if (!target.IsFolder() && !target.IsRoot()) return DROPEFFECT_NONE;
    if (!record.IsFolder()) return DROPEFFECT_COPY;
    std::string newPath;
    return CheckFolderMove(record, target, &newPath) == FolderMove::Moved ? DROPEFFECT_MOVE
                                                                         : DROPEFFECT_NONE;
}

}  // namespace

FolderMove MoveFolderInto(const ItemRecord& folder, const ItemRecord& target)
{
    try {
        std::string newPath;
        const FolderMove check = CheckFolderMove(folder, target, &newPath);
        if (check != FolderMove::Moved) return check;
        const std::string oldKeyPath = FoldersSubkey(folder.path);
        const std::string newKeyPath = FoldersSubkey(newPath);

        RegKey oldKey;
        if (oldKey.Open(HKEY_CURRENT_USER, oldKeyPath.c_str(), KEY_READ) != ERROR_SUCCESS)
            return FolderMove::Failed;
        {
            RegKey newKey;
            if (newKey.Create(HKEY_CURRENT_USER, newKeyPath.c_str()) != ERROR_SUCCESS)
                return FolderMove::Failed;
            if (!CopyConfigTree(oldKey.Get(), newKey.Get(), folder.path, newPath)) {
                newKey.Close();
                DeleteKeyTree(HKEY_CURRENT_USER, newKeyPath.c_str());
                return FolderMove::Failed;
            }
        }
        oldKey.Close();
        // Only a whole copy lets the old entry go.
        DeleteKeyTree(HKEY_CURRENT_USER, oldKeyPath.c_str());
        return FolderMove::Moved;
    } catch (...) {
        return FolderMove::Failed;
    }
}

const QIEntry* FolderDropTarget::QITable() noexcept
{
    static const QIEntry table[] = {
        ORREL_QI(FolderDropTarget, IDropTarget),
        ORREL_QI_END,
    };
    return table;
}

ItemRecord FolderDropTarget::TargetRecord() const
{
    const ItemIdList* list = &folder_->FolderId();
    if (enteredTarget_)
        list = &enteredTarget_;
    else if (folder_->SelectionId())
        list = &folder_->SelectionId();
    // A list that is none of ours names the namespace itself: the root.
    ItemRecord record, decoded;
    if (*list && DecodeLastItem(list->Get(), &decoded)) record = decoded;
    return record;
}

STDMETHODIMP FolderDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect)
{
    return ComGuard([&]() -> HRESULT {
        if (!effect) return E_INVALIDARG;
        effect_ = DROPEFFECT_NONE;
        enteredTarget_ = folder_->SelectionId();
        FORMATETC format = ObjectFormatEtc();
        if (!data || !format.cfFormat || data->QueryGetData(&format) != S_OK) {
            *effect = DROPEFFECT_NONE;
            return E_INVALIDARG;
        }
        std::vector<ItemRecord> records;
        if (ReadSelection(data, &records) && !records.empty())
            effect_ = EffectOf(records.back(), TargetRecord()) & *effect;
        *effect = effect_;
        return S_OK;
    });
}

STDMETHODIMP FolderDropTarget::DragOver(DWORD, POINTL, DWORD* effect)
{
    if (!effect) return E_INVALIDARG;
    *effect = effect_ & *effect;
    return S_OK;
}

STDMETHODIMP FolderDropTarget::DragLeave()
{
    effect_ = DROPEFFECT_NONE;
    enteredTarget_.Reset();
    return S_OK;
}

STDMETHODIMP FolderDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect)
{
    return ComGuard([&]() -> HRESULT {
        if (!effect || !data) return E_INVALIDARG;
        const DWORD allowed = *effect;
        *effect = DROPEFFECT_NONE;
        const ItemRecord target = TargetRecord();
        effect_ = DROPEFFECT_NONE;
        enteredTarget_.Reset();

        std::vector<ItemRecord> records;
        if (!ReadSelection(data, &records) || records.empty()) return E_INVALIDARG;
        DWORD last = DROPEFFECT_NONE;
        ChangeNamespace(folder_->Model(), [&](NamespaceModel& model) {
            bool moved = false;
            for (ItemRecord& record : records) {
                last = EffectOf(record, target) & allowed;
                if (last == DROPEFFECT_MOVE) {
                    if (MoveFolderInto(record, target) == FolderMove::Moved)
                        moved = true;
                    else
                        last = DROPEFFECT_NONE;
                } else if (last == DROPEFFECT_COPY) {
                    // A shortcut the folder refuses (it has it already) is
                    // dropped; the others still go in.
                    record.flags |= ITEM_SHORTCUT;
                    AddToFolder(model, record, target);
                }
            }
            if (moved) Reload(model);
            model.NotifyAllRoots();
            return true;
        });
        *effect = last;
        return S_OK;
    });
}

}  // namespace view

HRESULT CreateFolderDropTarget(NamespaceFolder* folder, IDropTarget** out) noexcept
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!folder) return E_INVALIDARG;
    return CreateAndQuery<view::FolderDropTarget>(IID_IDropTarget, reinterpret_cast<void**>(out),
                                                  folder);
}

}  // namespace orrel
