// The selection data object: selected items in the "Orrel::Object" format,
// handed to extension handlers, the shell and drag and drop; and the reader
// that turns such a data object back into item records.
//
// Who frees the block: GetData hands out a new global memory block with no
// release object (pUnkForRelease null). The receiver owns it and releases it
// with ReleaseStgMedium (the standard medium rule); this object keeps nothing
// of what it gave out.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstddef>
#include <vector>

#include "orrel/com.h"
#include "orrel/core/itemidlist.h"
#include "orrel/core/itemrecord.h"

namespace orrel {

extern const char kObjectFormatName[];          // "Orrel::Object"
extern const char kInShellDragLoopFormatName[];  // "InShellDragLoop"

// The registered clipboard format number of "Orrel::Object" (0 when the
// registration fails).
CLIPFORMAT ObjectClipboardFormat() noexcept;

// Flags of the "Orrel::Object" block: shared, zero-filled, fixed.
constexpr UINT kObjectBlockFlags = GMEM_SHARE | GMEM_ZEROINIT;  // 0x2040

// The one format the data object offers: "Orrel::Object", content, index -1,
// global memory.
FORMATETC ObjectFormatEtc() noexcept;

class SelectionDataObject final : public IDataObject {
public:
    SelectionDataObject() noexcept;

    ORREL_IUNKNOWN_METHODS(SelectionDataObject)
    static const QIEntry* QITable() noexcept;

    // Adding items, before the object is handed out. Both return false when
    // memory fails; AddIdList also refuses a null or malformed list.
    bool AddIdList(LPCITEMIDLIST list) noexcept;
    bool AddRecord(const ItemRecord& record) noexcept;
    std::size_t Count() const noexcept { return lists_.size(); }

    // IDataObject
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                         DWORD* connection) override;
    STDMETHODIMP DUnadvise(DWORD connection) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** out) override;

private:
    ~SelectionDataObject();

    // The "Orrel::Object" block: 4 + the sum of (list size + 2) bytes.
    HGLOBAL BuildBlock() const noexcept;

    RefCount refs_;
    CLIPFORMAT format_;
    std::vector<ItemIdList> lists_;  // own heap, in the order added
};

class FormatEnumerator final : public IEnumFORMATETC {
public:
    explicit FormatEnumerator(CLIPFORMAT format) noexcept : format_(format) {}

    ORREL_IUNKNOWN_METHODS(FormatEnumerator)
    static const QIEntry* QITable() noexcept;

    STDMETHODIMP Next(ULONG count, FORMATETC* out, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumFORMATETC** out) override;

private:
    ~FormatEnumerator() = default;

    RefCount refs_;
    CLIPFORMAT format_;
    ULONG position_ = 0;  // 0: the format is still to come; 1 or more: done
};

// Reads "Orrel::Object" out of any data object and appends one record per
// selected list to records. True only when at least one list was read and
// every list decoded; on failure records is left as it was. The block is
// read within its real size and its medium released afterwards.
bool ReadSelection(IDataObject* dataObject, std::vector<ItemRecord>* records) noexcept;

}  // namespace orrel
