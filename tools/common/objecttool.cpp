#include "orrel/tools/objecttool.h"

#include <cstring>
#include <new>

#include "orrel/comguard.h"
#include "orrel/ui/messagebox.h"

namespace orrel {
namespace tools {

const char* const kMailClasses[6] = {"User",     "Group",        "Country",
                                     "Locality", "Organization", "Organizational Unit"};

bool SameTextNoCase(const char* a, const char* b) noexcept
{
    return a && b && lstrcmpiA(a, b) == 0;
}

namespace {

std::string Copy(const char* text)
{
    return text ? std::string(text) : std::string();
}

}  // namespace

ObjectTool::ObjectTool(UINT helpTextId) noexcept : helpTextId_(helpTextId) {}

// The selection closes with the object.
ObjectTool::~ObjectTool() = default;

const QIEntry* ObjectTool::QITable() noexcept
{
    static const QIEntry table[] = {
        ORREL_QI(ObjectTool, IShellExtInit),
        ORREL_QI(ObjectTool, IContextMenu),
        ORREL_QI_END,
    };
    return table;
}

STDMETHODIMP ObjectTool::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY)
{
    return ComGuard([&]() -> HRESULT {
        offered_ = false;
        treeName_.clear();
        nameContext_.clear();
        selection_.reset();
        auto selection = std::make_unique<halvet::SelectionScope>();
        if (!selection->Open(data)) return E_FAIL;
        selection_ = std::move(selection);
        HRESULT hr = CheckSelection();
        return FAILED(hr) ? hr : S_OK;
    });
}

int ObjectTool::Count() const noexcept
{
    return selection_ ? selection_->Count() : 0;
}

bool ObjectTool::Object(int index, SelectedItem* out) const
{
    if (!selection_ || !out) return false;
    halvet::SelectedRecord record;
    if (!record.Read(*selection_, index)) return false;
    const SelectedObject& o = record.Get();
    out->objectName = Copy(o.objectName);
    out->treeName = Copy(o.treeName);
    out->className = Copy(o.className);
    out->nameContext = Copy(o.nameContext);
    return true;
}

HRESULT ObjectTool::RequireSameClass() const
{
    SelectedItem previous, current;
    for (int i = 0; i < Count(); ++i) {
        if (!Object(i, &current)) return E_FAIL;
        if (i > 0 && !SameTextNoCase(previous.className.c_str(), current.className.c_str()))
            return E_FAIL;
        previous = current;
    }
    return S_OK;
}

HRESULT ObjectTool::RequireClasses(const char* const* classes, std::size_t count) const
{
    SelectedItem item;
    for (int i = 0; i < Count(); ++i) {
        if (!Object(i, &item)) return E_FAIL;
        bool known = false;
        for (std::size_t c = 0; c < count && !known; ++c)
            known = SameTextNoCase(item.className.c_str(), classes[c]);
        if (!known) return E_FAIL;
    }
    return S_OK;
}

HRESULT ObjectTool::CaptureFirstObject()
{
    SelectedItem first;
    if (!Object(0, &first)) return E_FAIL;
    treeName_ = first.treeName;
    nameContext_ = first.nameContext;
    return S_OK;
}

STDMETHODIMP ObjectTool::QueryContextMenu(HMENU menu, UINT position, UINT firstId, UINT lastId,
                                          UINT flags)
{
    return ComGuard([&]() -> HRESULT {
        offered_ = false;
        // A menu asked only for its default command gets none of ours.
        if (!selection_ || !menu || firstId > lastId || (flags & CMF_DEFAULTONLY))
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        std::string text;
        if (!MenuText(&text) ||
            !InsertMenuA(menu, position, MF_BYPOSITION | MF_STRING, firstId, text.c_str()))
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        commandId_ = firstId;
        offered_ = true;
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
    });
}

bool ObjectTool::IsOwnVerb(LPCSTR verb) const noexcept
{
    if (!offered_ || !IS_INTRESOURCE(verb)) return false;
    WORD offset = LOWORD(reinterpret_cast<ULONG_PTR>(verb));
    return static_cast<WORD>(offset + 1) == static_cast<WORD>(commandId_);
}

STDMETHODIMP ObjectTool::InvokeCommand(CMINVOKECOMMANDINFO* info)
{
    if (!info) return E_INVALIDARG;
    return ComGuard([&]() -> HRESULT {
        if (!IsOwnVerb(info->lpVerb)) return IgnoredVerbResult();
        return RunCommand(*info);
    });
}

STDMETHODIMP ObjectTool::GetCommandString(UINT_PTR id, UINT flags, UINT*, CHAR* buffer, UINT size)
{
    return ComGuard([&]() -> HRESULT {
        if (!(flags & GCS_HELPTEXTA)) return E_NOTIMPL;  // GCS_HELPTEXTW has the bit too
        // Another handler's command is not ours to describe.
        if (!offered_ || static_cast<WORD>(id + 1) != static_cast<WORD>(commandId_))
            return E_INVALIDARG;
        if (!helpTextId_) return S_OK;
        std::string help = ui::LoadModuleText(helpTextId_);
        if (help.empty()) return E_INVALIDARG;
        if (!buffer || size == 0) return E_INVALIDARG;
        if (flags & GCS_UNICODE) {
            auto* wide = reinterpret_cast<wchar_t*>(buffer);
            int n = MultiByteToWideChar(CP_ACP, 0, help.c_str(), static_cast<int>(help.size()), wide,
                                        static_cast<int>(size));
            if (n <= 0) return E_INVALIDARG;
            if (static_cast<UINT>(n) < size) wide[n] = L'\0';
            return S_OK;
        }
        // At most size characters; no terminator when the text fills the buffer.
        std::size_t n = help.size() < size ? help.size() : size;
        std::memcpy(buffer, help.data(), n);
        if (n < size) buffer[n] = '\0';
        return S_OK;
    });
}

}  // namespace tools
}  // namespace orrel
