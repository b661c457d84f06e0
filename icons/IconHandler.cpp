#include "IconHandler.h"

#include <cstring>
#include <vector>

#include "ClassIconTable.h"
#include "halvet/spacelib_scope.h"
#include "orrel/comguard.h"
#include "orrel/module.h"

namespace orrel {
namespace icons {

const CLSID CLSID_OrrelIcons = {
    0x0FEC1000, 0x2900, 0x11D3, {0x86, 0x85, 0x00, 0xA0, 0xC9, 0xD5, 0x9E, 0x71}};


DWORD ModulePath(std::string* path)
{
    // GetModuleFileName cuts a path that does not fit; grow until it does.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        DWORD n = GetModuleFileNameA(Module::Instance(), buffer.data(),
                                     static_cast<DWORD>(buffer.size()));
        if (n == 0) return GetLastError();
        if (n < buffer.size() - 1) {
            path->assign(buffer.data(), n);
            return ERROR_SUCCESS;
        }
        if (buffer.size() >= 32768) return ERROR_FILENAME_EXCED_RANGE;
        buffer.resize(buffer.size() * 2);
    }
}

const QIEntry* IconHandler::QITable() noexcept
{
    static const QIEntry table[] = {
        ORREL_QI(IconHandler, IShellExtInit),
        ORREL_QI(IconHandler, IExtractIconA),
        ORREL_QI_END,
    };
    return table;
}

STDMETHODIMP IconHandler::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY)
{
    // A handler initialised again forgets the class it had: a failure leaves
    // it without one, never with the previous object's.
    InterlockedExchange(&classRow_, -1);
    return ComGuard([&]() -> HRESULT {
        halvet::SelectionScope selection;
        if (!selection.Open(data)) return E_FAIL;
        // Only the first selected object counts.
        halvet::SelectedRecord record;
        if (!record.Read(selection, 0)) return E_FAIL;
        std::size_t row = FindClassIconRow(record.Get().className);
        InterlockedExchange(&classRow_, static_cast<LONG>(row));
        return S_OK;
    });
}

STDMETHODIMP IconHandler::GetIconLocation(UINT, LPSTR file, UINT size, int* index,
                                          UINT* outFlags)
{
    return ComGuard([&]() -> HRESULT {
        if (!file || size == 0) return E_INVALIDARG;
        file[0] = '\0';
        LONG row = InterlockedCompareExchange(&classRow_, 0, 0);
        // Without a class there is no icon to name; the caller shows its own.
        if (row < 0) return E_FAIL;

        std::string path;
        DWORD error = ModulePath(&path);
        if (error != ERROR_SUCCESS) return HRESULT_FROM_WIN32(error);
        if (path.empty()) return E_FAIL;
        // A cut path would name another file: refuse rather than truncate.
        if (path.size() + 1 > size) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(file, path.c_str(), path.size() + 1);

        // A negative index names a resource id.
        if (index) *index = -ClassIconIdOfRow(static_cast<std::size_t>(row));
        if (outFlags) *outFlags = 0;
        return S_OK;
    });
}

STDMETHODIMP IconHandler::Extract(LPCSTR, UINT, HICON*, HICON*, UINT)
{
    // The caller extracts the icon from the file and index itself.
    return S_FALSE;
}

}  // namespace icons
}  // namespace orrel
