// The context menu of the namespace folder object: the menu of a folder
// view's background and of a personal folder or the root in the tree pane.
// It offers "Shortcut Wizard..." and, at the namespace root, the commands of
// the search extension, which it hands the folder's IOrrelRefresh before
// running one of them.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "orrel/com.h"

namespace orrel {

class NamespaceFolder;

namespace view {

class FolderMenu final : public IContextMenu {
public:
    // The folder owns the menu; the menu does not hold the folder.
    explicit FolderMenu(NamespaceFolder* folder) noexcept : folder_(folder) {}

    ORREL_IUNKNOWN_METHODS(FolderMenu)
    static const QIEntry* QITable() noexcept;

    STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId,
                                  UINT flags) override;
    STDMETHODIMP InvokeCommand(LPCMINVOKECOMMANDINFO info) override;
    STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT* reserved, LPSTR text,
                                  UINT size) override;

    // The number of own commands of the last QueryContextMenu.
    UINT CommandCount() const noexcept { return count_; }
    bool HasSearchMenu() const noexcept { return static_cast<bool>(search_); }

private:
    ~FolderMenu() = default;

    RefCount refs_;
    NamespaceFolder* folder_;
    UINT count_ = 0;
    ComPtr<IContextMenu> search_;  // the search extension's menu, at the root
};

}  // namespace view
}  // namespace orrel
