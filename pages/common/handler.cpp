#include "orrel/pages/handler.h"

#include <algorithm>
#include <cstring>

#include "halvet/spacelib_scope.h"
#include "orrel/comguard.h"
#include "orrel/pages/directorypage.h"
#include "orrel/pages/pagedll.h"

namespace orrel {
namespace pages {
namespace {

std::string Copy(const char* text)
{
    return text ? std::string(text) : std::string();
}

}  // namespace

PropertyHandler::PropertyHandler(const PageDllInfo& info) noexcept : info_(info) {}

PropertyHandler::~PropertyHandler()
{
    // Every page holds a reference on its handler: none is left by now. The
    // shared directory context (context_) goes with the handler.
}

const QIEntry* PropertyHandler::QITable() noexcept
{
    static const QIEntry table[] = {
        ORREL_QI(PropertyHandler, IShellExtInit),
        ORREL_QI(PropertyHandler, IShellPropSheetExt),
        ORREL_QI_IID(PropertyHandler, IExtractIconA, IID_IExtractIconA),
        ORREL_QI_END,
    };
    return table;
}

HRESULT PropertyHandler::Create(REFIID riid, void** ppv) noexcept
{
    const PageDllInfo* info = GetPageDllInfo();
    if (!info) {
        if (ppv) *ppv = nullptr;
        return E_UNEXPECTED;
    }
    return CreateAndQuery<PropertyHandler>(riid, ppv, *info);
}

void PropertyHandler::SetObject(std::string className, std::string treeName,
                                std::string objectName, std::string nameContext)
{
    className_ = std::move(className);
    treeName_ = std::move(treeName);
    objectName_ = std::move(objectName);
    nameContext_ = std::move(nameContext);
    initialized_ = true;
}

STDMETHODIMP PropertyHandler::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY)
{
    return ComGuard([&]() -> HRESULT {
        halvet::SelectionScope selection;
        if (!selection.Open(data)) return E_FAIL;
        if (selection.Count() != 1) return E_FAIL;
        halvet::SelectedRecord object;
        if (!object.Read(selection, 0)) return E_FAIL;
        const SelectedObject& o = object.Get();
        SetObject(Copy(o.className), Copy(o.treeName), Copy(o.objectName), Copy(o.nameContext));
        return S_OK;
    });
}

STDMETHODIMP PropertyHandler::AddPages(LPFNSVADDPROPSHEETPAGE addPage, LPARAM lParam)
{
    if (!addPage) return E_INVALIDARG;
    return ComGuard([&]() -> HRESULT {
        // The pages of an earlier call belong to whatever sheet holds them;
        // this handler stops counting them as its sheet's.
        pages_.clear();
        std::size_t added = 0;
        for (std::size_t i = 0; i < info_.pageCount; ++i) {
            PageFactory factory = info_.pages[i];
            if (!factory) continue;
            DirectoryPage* page = GuardedCall<DirectoryPage*>(nullptr, [&] { return factory(*this); });
            if (!page) continue;
            if (page->Suppressed()) {
                delete page;
                continue;
            }
            pages_.reserve(pages_.size() + 1);  // no throw after the sheet took the page
            if (DirectoryPage::Offer(page, addPage, lParam)) {
                pages_.push_back(page);
                ++added;
            }
        }
        return added ? S_OK : E_FAIL;
    });
}

STDMETHODIMP PropertyHandler::ReplacePage(EXPPS, LPFNSVADDPROPSHEETPAGE, LPARAM)
{
    return E_FAIL;
}

STDMETHODIMP PropertyHandler::GetIconLocation(UINT, PSTR file, UINT size, int* index,
                                              UINT* outFlags)
{
    if (!file || !index || size == 0) return E_POINTER;
    return ComGuard([&]() -> HRESULT {
        std::string path = ResourceModulePath();
        if (path.empty()) {
            DWORD error = GetLastError();
            return static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
        }
        if (path.size() + 1 > size) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(file, path.c_str(), path.size() + 1);
        *index = -2;  // icon resource 2
        if (outFlags) *outFlags = 0;
        return S_OK;
    });
}

STDMETHODIMP PropertyHandler::Extract(PCSTR, UINT, HICON*, HICON*, UINT)
{
    // The shell extracts the icon from the file itself.
    return S_FALSE;
}

void PropertyHandler::ForgetPage(const DirectoryPage* page) noexcept
{
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
}

}  // namespace pages
}  // namespace orrel
