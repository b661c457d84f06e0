// The selection data object ("Orrel::Object"), its format enumerator and the
// reader of the format.
#include "orrel/core/dataobject.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <new>

#include "orrel/comguard.h"
#include "orrel/core/itemid.h"
#include "orrel/handles.h"

namespace orrel {

const char kObjectFormatName[] = "Orrel::Object";
const char kInShellDragLoopFormatName[] = "InShellDragLoop";

CLIPFORMAT ObjectClipboardFormat() noexcept
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kObjectFormatName));
}

FORMATETC ObjectFormatEtc() noexcept
{
    FORMATETC format = {ObjectClipboardFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return format;
}

namespace {

std::uint16_t ReadU16(const std::uint8_t* p) noexcept
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// The first entry of ours in a list of known size, deserialised. Stricter
// than DecodeItem: an entry that carries our signature but whose record
// bytes are not a whole record does not decode, so that a damaged block
// never yields empty records that a drop would then act on.
bool DecodeSelectedList(const std::uint8_t* list, std::size_t size, ItemRecord* record)
{
    std::size_t offset = 0;
    while (size - offset >= 2) {
        std::uint16_t cb = ReadU16(list + offset);
        if (cb <= 2 || cb > size - offset) return false;
        const std::uint8_t* entry = list + offset;
        if (cb > kEntryHeaderSize && entry[2] == kEntrySignature &&
            std::memcmp(entry + 4, kNamespaceClsidBytes, sizeof kNamespaceClsidBytes) == 0) {
            ItemRecord decoded;
            if (!decoded.DeserialiseRecord(entry + kEntryHeaderSize, cb - kEntryHeaderSize))
                return false;
            *record = std::move(decoded);
            return true;
        }
        offset += cb;
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// SelectionDataObject

SelectionDataObject::SelectionDataObject() noexcept : format_(ObjectClipboardFormat()) {}

SelectionDataObject::~SelectionDataObject() = default;

const QIEntry* SelectionDataObject::QITable() noexcept
{
    static const QIEntry table[] = {
        ORREL_QI(SelectionDataObject, IDataObject),
        ORREL_QI_END,
    };
    return table;
}

bool SelectionDataObject::AddIdList(LPCITEMIDLIST list) noexcept
{
    if (!list) return false;
    try {
        // A list whose cb chain is broken is not copied (Copy gives no list).
        ItemIdList copy = ItemIdList::Copy(list, ListAllocator::Heap);
        if (!copy) return false;
        lists_.push_back(std::move(copy));
        return true;
    } catch (...) {
        return false;
    }
}

bool SelectionDataObject::AddRecord(const ItemRecord& record) noexcept
{
    try {
        ItemIdList list = ItemIdList::FromRecord(record, nullptr, ListAllocator::Heap);
        if (!list) return false;
        lists_.push_back(std::move(list));
        return true;
    } catch (...) {
        return false;
    }
}

HGLOBAL SelectionDataObject::BuildBlock() const noexcept
{
    if (lists_.size() > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    SIZE_T total = 4;
    for (const ItemIdList& list : lists_) total += list.Size() + 2;

    GlobalMemory memory(GlobalAlloc(kObjectBlockFlags, total));
    if (!memory) return nullptr;
    {
        GlobalLock lock(memory.Get());
        if (!lock || lock.Size() < total) return nullptr;
        auto* out = static_cast<std::uint8_t*>(lock.Data());
        std::uint32_t count = static_cast<std::uint32_t>(lists_.size());
        std::memcpy(out, &count, sizeof count);
        std::size_t offset = 4;
        for (const ItemIdList& list : lists_) {
            std::size_t size = list.Size();
            if (size) std::memcpy(out + offset, list.Get(), size);
            out[offset + size] = 0;
            out[offset + size + 1] = 0;
            offset += size + 2;
        }
    }
    return memory.Detach();
}

STDMETHODIMP SelectionDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    HRESULT hr = QueryGetData(format);
    if (FAILED(hr)) return hr;
    if (!medium) return E_INVALIDARG;
    HGLOBAL block = BuildBlock();
    if (!block) return E_OUTOFMEMORY;
    // The receiver owns the block and releases it with ReleaseStgMedium.
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

STDMETHODIMP SelectionDataObject::GetDataHere(FORMATETC*, STGMEDIUM*)
{
    return E_NOTIMPL;
}

STDMETHODIMP SelectionDataObject::QueryGetData(FORMATETC* format)
{
    if (!format) return E_INVALIDARG;
    if (format->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (format->lindex != -1) return DV_E_LINDEX;
    // The medium kinds are a set: a request that allows global memory among
    // others is served with global memory.
    if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    if (format_ == 0 || format->cfFormat != format_) return DV_E_FORMATETC;
    return S_OK;
}

STDMETHODIMP SelectionDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC*)
{
    return E_NOTIMPL;
}

STDMETHODIMP SelectionDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release)
{
    if (!format) return E_NOTIMPL;
    // The shell tells the data object that its own drag loop runs; the value
    // is accepted and not kept.
    CLIPFORMAT dragLoop = static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kInShellDragLoopFormatName));
    if (dragLoop != 0 && format->cfFormat == dragLoop) {
        if (!medium) return E_INVALIDARG;
        if (medium->tymed != TYMED_HGLOBAL) return DV_E_TYMED;
        if (medium->hGlobal) {
            GlobalLock lock(medium->hGlobal);
        }
        // A caller that hands over the medium expects it gone once the call
        // succeeded.
        if (release) ReleaseStgMedium(medium);
        return S_OK;
    }
    if (format_ != 0 && format->cfFormat == format_) return E_NOTIMPL;
    return DV_E_FORMATETC;
}

STDMETHODIMP SelectionDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out)
{
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    return CreateAndQuery<FormatEnumerator>(IID_IEnumFORMATETC, reinterpret_cast<void**>(out),
                                            format_);
}

STDMETHODIMP SelectionDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP SelectionDataObject::DUnadvise(DWORD)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP SelectionDataObject::EnumDAdvise(IEnumSTATDATA**)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

// ---------------------------------------------------------------------------
// FormatEnumerator

const QIEntry* FormatEnumerator::QITable() noexcept
{
    static const QIEntry table[] = {
        ORREL_QI(FormatEnumerator, IEnumFORMATETC),
        ORREL_QI_END,
    };
    return table;
}

STDMETHODIMP FormatEnumerator::Next(ULONG count, FORMATETC* out, ULONG* fetched)
{
    if (fetched) *fetched = 0;
    if (count == 0 || !out) return S_FALSE;
    if (position_ != 0) return S_FALSE;
    out[0] = FORMATETC{format_, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    position_ = 1;
    if (fetched) *fetched = 1;
    // S_OK means that every element asked for was returned.
    return count == 1 ? S_OK : S_FALSE;
}

STDMETHODIMP FormatEnumerator::Skip(ULONG count)
{
    ULONG left = position_ == 0 ? 1 : 0;
    ULONG room = std::numeric_limits<ULONG>::max() - position_;
    position_ += count < room ? count : room;
    return count <= left ? S_OK : S_FALSE;
}

STDMETHODIMP FormatEnumerator::Reset()
{
    position_ = 0;
    return S_OK;
}

STDMETHODIMP FormatEnumerator::Clone(IEnumFORMATETC** out)
{
    if (!out) return E_POINTER;
    return CreateAndQuery<FormatEnumerator>(IID_IEnumFORMATETC, reinterpret_cast<void**>(out), format_);
}

// ---------------------------------------------------------------------------
// ReadSelection

bool ReadSelection(IDataObject* dataObject, std::vector<ItemRecord>* records) noexcept
{
    if (!dataObject || !records) return false;
    try {
        FORMATETC format = ObjectFormatEtc();
        if (format.cfFormat == 0) return false;
        StgMedium medium;
        if (FAILED(dataObject->GetData(&format, medium.Put()))) {
            // Nothing was handed over; whatever a failing object wrote is
            // not ours to release.
            ZeroMemory(&medium.Get(), sizeof(STGMEDIUM));
            return false;
        }
        if (medium.Get().tymed != TYMED_HGLOBAL || !medium.Get().hGlobal) return false;

        GlobalLock lock(medium.Get().hGlobal);
        if (!lock || lock.Size() < 4) return false;
        const auto* data = static_cast<const std::uint8_t*>(lock.Data());
        const std::size_t size = lock.Size();

        std::uint32_t count = 0;
        std::memcpy(&count, data, sizeof count);
        std::vector<ItemRecord> read;
        std::size_t offset = 4;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::size_t bytes = 0;
            if (!MeasureIdList(data + offset, size - offset, &bytes)) return false;
            ItemRecord record;
            if (!DecodeSelectedList(data + offset, bytes + 2, &record)) return false;
            read.push_back(std::move(record));
            offset += bytes + 2;
        }
        if (read.empty()) return false;
        records->insert(records->end(), std::make_move_iterator(read.begin()),
                        std::make_move_iterator(read.end()));
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace orrel
