// The shortcut wizard: how the user adds a personal folder, a shortcut to a
// directory container or a whole directory tree to the namespace. Started by
// "Shortcut Wizard..." of the folder's menu, it runs modally on a
// user-interface thread of its own (WizardThread), one per started wizard,
// and changes the model and the configuration through ChangeNamespace
// (namespacechange.h), which also has every open view refilled on its own
// thread.
//
// The sheet starts with the type page alone; Next there leaves the sheet
// holding the type page and exactly the pages of the chosen type (pages of an
// earlier choice are withdrawn first):
//   Folder          -> folder page -> Finish
//   Orrel Shortcut  -> tree page -> shortcut page -> Finish
//   Tree            -> tree page -> Finish
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "orrel/core/dirsession.h"
#include "orrel/core/itemidlist.h"
#include "orrel/core/itemrecord.h"
#include "orrel/ui/dialog.h"
#include "orrel/ui/propertypage.h"
#include "orrel/ui/thread.h"

namespace orrel {

class NamespaceFolder;
class NamespaceModel;

namespace view {

// What the wizard adds.
enum WizardType : int {
    WIZARD_NONE = 0,
    WIZARD_FOLDER = 1,
    WIZARD_SHORTCUT = 2,
    WIZARD_TREE = 3,
};

// Starts a wizard for the folder (its folderId and selectionId are copied;
// the new item goes into the folder selectionId names) on a thread of its
// own, which holds a reference on the folder object until it ends. Returns
// at once; false when the thread could not be started.
bool StartShortcutWizard(HWND owner, const ItemIdList& folderId, const ItemIdList& selectionId,
                         NamespaceFolder* folder) noexcept;

class ShortcutWizard;

// Template 1032: Folder, Orrel Shortcut or Tree.
class TypePage final : public ui::PropertyPage {
public:
    explicit TypePage(ShortcutWizard& wizard) noexcept
        : PropertyPage(1032, ui::PageOwnership::OwnerOwned), wizard_(wizard)
    {
    }

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    int OnSetActive() override;
    int OnWizardNext() override;

private:
    void UpdateButtons() const;
    ShortcutWizard& wizard_;
};

// Template 1033: a new personal folder at any depth.
class FolderPage final : public ui::PropertyPage {
public:
    explicit FolderPage(ShortcutWizard& wizard) noexcept
        : PropertyPage(1033, ui::PageOwnership::OwnerOwned), wizard_(wizard)
    {
    }

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(NMHDR* header) override;
    int OnSetActive() override;
    bool OnWizardFinish() override;

private:
    void UpdateButtons() const;
    void NameChanged();
    void FolderSelected(HTREEITEM item);
    void ShowLocation(const std::string& location);

    ShortcutWizard& wizard_;
    std::string name_;      // the name the location ends with
    std::string location_;  // the folder location as shown
    bool updating_ = false;
};

// Template 1034: the tree of a new tree entry or of a shortcut.
class TreePage final : public ui::PropertyPage {
public:
    enum Mode { AUTHENTICATED = 0, ALL = 1, LOCATED = 2 };

    explicit TreePage(ShortcutWizard& wizard) noexcept
        : PropertyPage(1034, ui::PageOwnership::OwnerOwned), wizard_(wizard)
    {
    }

    const std::string& Tree() const noexcept { return tree_; }
    const std::string& Server() const noexcept { return server_; }

protected:
    // A page added anew (after another choice of type) starts over.
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    int OnSetActive() override;
    bool OnWizardFinish() override;

private:
    void ShowTrees(Mode mode);
    void ShowLocated();
    void SetButtons(bool selected) const;
    void FillList(const std::vector<std::string>& names);
    void Locate();

    ShortcutWizard& wizard_;
    Mode mode_ = AUTHENTICATED;
    std::string tree_;
    std::string server_;
};

// Template 1035: a container of the chosen tree to become the shortcut.
class ShortcutPage final : public ui::PropertyPage {
public:
    explicit ShortcutPage(ShortcutWizard& wizard) noexcept
        : PropertyPage(1035, ui::PageOwnership::OwnerOwned), wizard_(wizard)
    {
    }

protected:
    bool OnNotify(NMHDR* header) override;
    int OnSetActive() override;
    bool OnWizardFinish() override;
    void OnDestroy() override;

private:
    // What every item of the selection tree owns.
    struct Entry {
        std::string name;       // one label
        std::string className;  // "Organization" or "Organizational Unit"
        bool hasChildren;
    };
    static Entry* EntryOf(HWND tree, HTREEITEM item) noexcept;
    // The item's name, its ancestors' labels after its own.
    std::string NameOf(HTREEITEM item, bool absolute) const;
    void ListUnder(HTREEITEM parent, const std::string& container);

    ShortcutWizard& wizard_;
    std::unique_ptr<DirSession> session_;
    std::string listedTree_;  // the tree the selection tree shows
};

// Template 1036: locates the tree of a server given by name or IP address
// and records it under "Trees".
class LocateTreeDialog final : public ui::Dialog {
public:
    LocateTreeDialog() noexcept : Dialog(1036) {}

    // After OK: the tree found (without padding) and the server text.
    const std::string& Tree() const noexcept { return tree_; }
    const std::string& Server() const noexcept { return server_; }

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(NMHDR* header) override;
    void OnOK() override;

private:
    void SetMode(bool byAddress);
    void UpdateOk() const;
    // The text OK works with: the name, or a whole dotted address.
    std::string LocationText() const;

    bool byAddress_ = false;
    std::string tree_;
    std::string server_;
};

class ShortcutWizard {
public:
    ShortcutWizard(NamespaceModel& model, ItemIdList folderId, ItemIdList selectionId);
    ShortcutWizard(const ShortcutWizard&) = delete;
    ShortcutWizard& operator=(const ShortcutWizard&) = delete;

    // Shows the sheet modally (no parent window) until it closes.
    INT_PTR Run();

    NamespaceModel& Model() const noexcept { return model_; }
    const ItemIdList& FolderId() const noexcept { return folderId_; }
    const ItemIdList& SelectionId() const noexcept { return selectionId_; }
    // The folder the new item goes into: selectionId's record, the root when
    // it names none of ours.
    ItemRecord TargetFolder() const;

    int Type() const noexcept { return type_; }
    void SetType(int type) noexcept { type_ = type; }
    // The sheet holds the type page and the pages of type only.
    bool ShowPagesOf(HWND sheet, int type);

    const TreePage& Trees() const noexcept { return treePage_; }

private:
    NamespaceModel& model_;
    ItemIdList folderId_;
    ItemIdList selectionId_;
    int type_ = WIZARD_NONE;
    int pagesAfterType_ = 0;
    TypePage typePage_;
    FolderPage folderPage_;
    TreePage treePage_;
    ShortcutPage shortcutPage_;
};

// The wizard's user-interface thread; deletes itself when it ends.
class WizardThread final : public ui::UiThread {
public:
    WizardThread(HWND owner, const ItemIdList& folderId, const ItemIdList& selectionId,
                 NamespaceModel& model) noexcept;

protected:
    bool InitInstance() override;

private:
    HWND owner_;  // kept, never the sheet's parent
    ItemIdList folderId_;
    ItemIdList selectionId_;
    NamespaceModel& model_;
};

}  // namespace view
}  // namespace orrel
