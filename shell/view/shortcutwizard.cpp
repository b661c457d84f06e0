// The shortcut wizard's thread, its sheet and its type page.
#include "orrel/view/shortcutwizard.h"

#include <prsht.h>

#include <new>

#include "orrel/core/folder.h"
#include "orrel/module.h"
#include "orrel/ui/messagebox.h"
#include "orrel/view/wizardresource.h"

namespace orrel {
namespace view {

// ---------------------------------------------------------------------------
// Starting a wizard

bool StartShortcutWizard(HWND owner, const ItemIdList& folderId, const ItemIdList& selectionId,
                         NamespaceFolder* folder) noexcept
{
    if (!folder) return false;
    try {
        WizardThread* thread = new WizardThread(owner, folderId, selectionId, folder->Model());
        // The thread holds the folder object until it ends, and deletes
        // itself then.
        if (thread->Start(static_cast<IShellFolder*>(folder))) return true;
        delete thread;
    } catch (...) {
    }
    return false;
}

WizardThread::WizardThread(HWND owner, const ItemIdList& folderId, const ItemIdList& selectionId,
                           NamespaceModel& model) noexcept
    : UiThread(true), owner_(owner), model_(model)
{
    folderId_ = ItemIdList::Copy(folderId.Get(), ListAllocator::Heap);
    selectionId_ = ItemIdList::Copy(selectionId.Get(), ListAllocator::Heap);
}

bool WizardThread::InitInstance()
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_INTERNET_CLASSES |
                                                           ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        ShortcutWizard wizard(model_, std::move(folderId_), std::move(selectionId_));
        wizard.Run();
    } catch (...) {
    }
    // The sheet has closed: the loop ends at once.
    PostQuit();
    return true;
}

// ---------------------------------------------------------------------------
// The sheet

ShortcutWizard::ShortcutWizard(NamespaceModel& model, ItemIdList folderId, ItemIdList selectionId)
    : model_(model),
      folderId_(std::move(folderId)),
      selectionId_(std::move(selectionId)),
      typePage_(*this),
      folderPage_(*this),
      treePage_(*this),
      shortcutPage_(*this)
{
    // The sheet's title bar shows the page's title: every page carries the
    // wizard's caption.
    const std::string caption = ui::LoadModuleText(IDS_WIZ_CAPTION);
    for (ui::PropertyPage* page : {static_cast<ui::PropertyPage*>(&typePage_),
                                   static_cast<ui::PropertyPage*>(&folderPage_),
                                   static_cast<ui::PropertyPage*>(&treePage_),
                                   static_cast<ui::PropertyPage*>(&shortcutPage_)})
        page->SetTitle(caption.c_str());
}

INT_PTR ShortcutWizard::Run()
{
    const std::string caption = ui::LoadModuleText(IDS_WIZ_CAPTION);
    HPROPSHEETPAGE first = typePage_.Create();
    if (!first) return -1;
    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof header);
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_WIZARD;
    header.hwndParent = nullptr;
    header.hInstance = Module::ResourceInstance();
    header.pszCaption = caption.c_str();
    header.nPages = 1;
    header.nStartPage = 0;
    header.phpage = &first;
    return PropertySheetA(&header);
}

ItemRecord ShortcutWizard::TargetFolder() const
{
    ItemRecord target, decoded;
    if (selectionId_ && DecodeLastItem(selectionId_.Get(), &decoded)) target = decoded;
    return target;
}

bool ShortcutWizard::ShowPagesOf(HWND sheet, int type)
{
    if (!sheet) return false;
    // The pages of an earlier choice go first, the last one first.
    for (; pagesAfterType_ > 0; --pagesAfterType_)
        SendMessageA(sheet, PSM_REMOVEPAGE, static_cast<WPARAM>(pagesAfterType_), 0);
    ui::PropertyPage* pages[2] = {nullptr, nullptr};
    switch (type) {
    case WIZARD_FOLDER:
        pages[0] = &folderPage_;
        break;
    case WIZARD_SHORTCUT:
        pages[0] = &treePage_;
        pages[1] = &shortcutPage_;
        break;
    case WIZARD_TREE:
        pages[0] = &treePage_;
        break;
    default:
        return false;
    }
    for (ui::PropertyPage* page : pages) {
        if (!page) continue;
        HPROPSHEETPAGE handle = page->Create();
        if (!handle) return false;
        if (!SendMessageA(sheet, PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(handle))) {
            DestroyPropertySheetPage(handle);
            return false;
        }
        ++pagesAfterType_;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Type page

bool TypePage::OnInit()
{
    CheckItem(IDC_TYPE_FOLDER, true);
    wizard_.SetType(WIZARD_FOLDER);
    return true;
}

bool TypePage::OnCommand(WORD id, WORD code, HWND)
{
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_TYPE_FOLDER:
        wizard_.SetType(WIZARD_FOLDER);
        break;
    case IDC_TYPE_SHORTCUT:
        wizard_.SetType(WIZARD_SHORTCUT);
        break;
    case IDC_TYPE_TREE:
        wizard_.SetType(WIZARD_TREE);
        break;
    default:
        return false;
    }
    UpdateButtons();
    return true;
}

void TypePage::UpdateButtons() const
{
    SetWizardButtons(wizard_.Type() != WIZARD_NONE ? PSWIZB_NEXT : 0);
}

int TypePage::OnSetActive()
{
    UpdateButtons();
    return 0;
}

int TypePage::OnWizardNext()
{
    if (wizard_.Type() == WIZARD_NONE) return -1;
    return wizard_.ShowPagesOf(Sheet(), wizard_.Type()) ? 0 : -1;
}

}  // namespace view
}  // namespace orrel
