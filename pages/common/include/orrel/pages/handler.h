// The property sheet handler of a page DLL: one class, PropertyHandler, for
// the directory objects of one class. A DLL describes itself with a
// PageDllInfo (class name, CLSID, description, resource library, ordered page
// factories) and gets everything else from pagedll.h.
//
// Lifetime: every page holds a counted reference on its handler from the
// moment it is offered to a sheet until the sheet releases it (PSPCB_RELEASE,
// or at once when the sheet refuses it), and deletes itself then. The
// handler keeps only a record of the pages of its latest AddPages; a second
// AddPages drops that record (the earlier pages stay alive for whatever
// sheet still shows them). The sheet's shared directory context lives in the
// handler and is freed in its destructor, after the last page is gone.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstddef>
#include <string>
#include <vector>

#include "orrel/com.h"
#include "orrel/pages/dirsession.h"

namespace orrel {
namespace pages {

class DirectoryPage;
class PropertyHandler;

// Makes one page of a sheet for a handler. May throw or return null; the
// page's constructor decides its visibility (DirectoryPage::ShowIfReadable).
using PageFactory = DirectoryPage* (*)(PropertyHandler& handler);

template <class Page>
DirectoryPage* MakePage(PropertyHandler& handler)
{
    return new Page(handler);
}

struct PageDllInfo {
    const char* className;        // "User"
    const CLSID* clsid;           // the DLL's one class
    const char* description;      // "Corvane Orrel User Properties"
    const char* resourceLibrary;  // "OrrelUserPages.dlr"
    const PageFactory* pages;     // in the order AddPages offers them
    std::size_t pageCount;
};

class PropertyHandler final : public IShellExtInit,
                              public IShellPropSheetExt,
                              public IExtractIconA {
public:
    explicit PropertyHandler(const PageDllInfo& info) noexcept;

    ORREL_IUNKNOWN_METHODS(PropertyHandler)
    static const QIEntry* QITable() noexcept;

    // The class factory's creator: a handler of the DLL's registered
    // PageDllInfo (SetPageDllInfo); E_UNEXPECTED when none is registered.
    static HRESULT Create(REFIID riid, void** ppv) noexcept;

    // IShellExtInit: exactly one selected directory object, else E_FAIL.
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progId) override;

    // IShellPropSheetExt: the DLL's pages in order, suppressed ones left out;
    // S_OK when at least one was added, else E_FAIL.
    STDMETHODIMP AddPages(LPFNSVADDPROPSHEETPAGE addPage, LPARAM lParam) override;
    STDMETHODIMP ReplacePage(EXPPS pageId, LPFNSVADDPROPSHEETPAGE replaceWith,
                             LPARAM lParam) override;

    // IExtractIconA: the module that supplies resources, index -2.
    STDMETHODIMP GetIconLocation(UINT flags, PSTR file, UINT size, int* index,
                                 UINT* outFlags) override;
    STDMETHODIMP Extract(PCSTR file, UINT index, HICON* large, HICON* small,
                         UINT sizes) override;

    const PageDllInfo& Info() const noexcept { return info_; }
    bool Initialized() const noexcept { return initialized_; }
    const std::string& ClassName() const noexcept { return className_; }
    const std::string& TreeName() const noexcept { return treeName_; }
    const std::string& ObjectName() const noexcept { return objectName_; }
    const std::string& NameContext() const noexcept { return nameContext_; }
    // The directory context all pages of the sheet share.
    ContextSlot& SharedContext() noexcept { return context_; }

    // Pages of the latest AddPages that their sheet still holds.
    std::size_t PageCount() const noexcept { return pages_.size(); }
    // A page leaving its sheet drops itself from the record.
    void ForgetPage(const DirectoryPage* page) noexcept;

    // For tests and tools that make a handler without a data object.
    void SetObject(std::string className, std::string treeName, std::string objectName,
                   std::string nameContext);

private:
    ~PropertyHandler();

    RefCount refs_;
    const PageDllInfo& info_;
    bool initialized_ = false;
    std::string className_;
    std::string treeName_;
    std::string objectName_;
    std::string nameContext_;
    ContextSlot context_;
    std::vector<DirectoryPage*> pages_;
};

}  // namespace pages
}  // namespace orrel
