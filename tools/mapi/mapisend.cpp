#include "mapisend.h"

#include <mapix.h>
#include <mapiutil.h>
#include <mapitags.h>
#include <mapicode.h>

#include "orrel/handles.h"

namespace orrel {
namespace mapimail {
namespace {

using InitializeFn = HRESULT(WINAPI*)(LPVOID);
using LogonExFn = HRESULT(WINAPI*)(ULONG_PTR, LPSTR, LPSTR, ULONG, LPMAPISESSION*);
using UninitializeFn = void(WINAPI*)();
using QueryAllRowsFn = HRESULT(WINAPI*)(LPMAPITABLE, LPSPropTagArray, LPSRestriction, LPSSortOrderSet, LONG,
                                        LPSRowSet*);
using GetOnePropFn = HRESULT(WINAPI*)(LPMAPIPROP, ULONG, LPSPropValue*);
using AllocateBufferFn = SCODE(WINAPI*)(ULONG, LPVOID*);
using AllocateMoreFn = SCODE(WINAPI*)(ULONG, LPVOID, LPVOID*);
using FreeBufferFn = ULONG(WINAPI*)(LPVOID);

// Password prompt allowed, default profile, Extended MAPI, shared session.
constexpr ULONG kLogonFlags = MAPI_PASSWORD_UI | MAPI_USE_DEFAULT | MAPI_EXTENDED | MAPI_ALLOW_OTHERS;
static_assert(kLogonFlags == 0x20068, "logon flags of the send");
constexpr ULONG kStoreFlags = MDB_WRITE | MAPI_DEFERRED_ERRORS;         // 0xC
constexpr ULONG kFolderFlags = MAPI_MODIFY | MAPI_DEFERRED_ERRORS;      // 0x9
constexpr ULONG kMessageFlags = MSGFLAG_READ | MSGFLAG_UNSENT;          // 0x9

// MAPI32's entry points: the plain names, else the decorated ones that
// 64-bit builds of the library also carry.
struct MapiLibrary {
    UniqueHandle<HMODULE, LibraryTraits> module;
    InitializeFn initialize = nullptr;
    LogonExFn logonEx = nullptr;
    UninitializeFn uninitialize = nullptr;
    QueryAllRowsFn queryAllRows = nullptr;
    GetOnePropFn getOneProp = nullptr;
    AllocateBufferFn allocateBuffer = nullptr;
    AllocateMoreFn allocateMore = nullptr;
    FreeBufferFn freeBuffer = nullptr;

    template <class Fn>
    bool Find(Fn* fn, const char* name, const char* decorated) noexcept
    {
        FARPROC proc = GetProcAddress(module.Get(), name);
        if (!proc && decorated) proc = GetProcAddress(module.Get(), decorated);
        *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
        return proc != nullptr;
    }

    bool Load() noexcept
    {
        module.Attach(LoadLibraryA("MAPI32.DLL"));
        if (!module) return false;
        return Find(&initialize, "MAPIInitialize", "MAPIInitialize@4") &&
               Find(&logonEx, "MAPILogonEx", "MAPILogonEx@20") &&
               Find(&uninitialize, "MAPIUninitialize", "MAPIUninitialize@0") &&
               Find(&queryAllRows, "HrQueryAllRows", "HrQueryAllRows@24") &&
               Find(&getOneProp, "HrGetOneProp", "HrGetOneProp@12") &&
               Find(&allocateBuffer, "MAPIAllocateBuffer", "MAPIAllocateBuffer@8") &&
               Find(&allocateMore, "MAPIAllocateMore", "MAPIAllocateMore@12") &&
               Find(&freeBuffer, "MAPIFreeBuffer", "MAPIFreeBuffer@4");
    }
};

// A MAPI interface pointer released when it goes.
template <class T>
class MapiPtr {
public:
    MapiPtr() noexcept = default;
    MapiPtr(const MapiPtr&) = delete;
    MapiPtr& operator=(const MapiPtr&) = delete;
    ~MapiPtr() { Reset(); }
    void Reset() noexcept
    {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T** Put() noexcept
    {
        Reset();
        return &p_;
    }

private:
    T* p_ = nullptr;
};

// A block of MAPI's allocator (freed with its linked blocks).
class MapiBuffer {
public:
    explicit MapiBuffer(FreeBufferFn free) noexcept : free_(free) {}
    MapiBuffer(const MapiBuffer&) = delete;
    MapiBuffer& operator=(const MapiBuffer&) = delete;
    ~MapiBuffer()
    {
        if (p_) free_(p_);
    }
    void* Get() const noexcept { return p_; }
    void** Put() noexcept { return &p_; }

private:
    FreeBufferFn free_;
    void* p_ = nullptr;
};

// A row set of HrQueryAllRows: each row's values, then the set.
class RowSet {
public:
    explicit RowSet(FreeBufferFn free) noexcept : free_(free) {}
    RowSet(const RowSet&) = delete;
    RowSet& operator=(const RowSet&) = delete;
    ~RowSet()
    {
        if (!rows_) return;
        for (ULONG i = 0; i < rows_->cRows; ++i) free_(rows_->aRow[i].lpProps);
        free_(rows_);
    }
    LPSRowSet Get() const noexcept { return rows_; }
    LPSRowSet* Put() noexcept { return &rows_; }

private:
    FreeBufferFn free_;
    LPSRowSet rows_ = nullptr;
};

// The address list of the message: every entry's values in a block of its
// own, as ModifyRecipients expects them.
class AddressList {
public:
    explicit AddressList(const MapiLibrary& mapi) noexcept : mapi_(mapi) {}
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;
    ~AddressList()
    {
        if (!list_) return;
        for (ULONG i = 0; i < list_->cEntries; ++i)
            if (list_->aEntries[i].rgPropVals) mapi_.freeBuffer(list_->aEntries[i].rgPropVals);
        mapi_.freeBuffer(list_);
    }

    HRESULT Build(const std::vector<tools::Recipient>& recipients) noexcept
    {
        ULONG count = static_cast<ULONG>(recipients.size());
        ULONG size = static_cast<ULONG>(CbNewADRLIST(count));
        HRESULT hr = mapi_.allocateBuffer(size, reinterpret_cast<void**>(&list_));
        if (FAILED(hr)) return hr;
        ZeroMemory(list_, size);
        for (const tools::Recipient& r : recipients) {
            hr = Add(r);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }
    LPADRLIST Get() const noexcept { return list_; }

private:
    HRESULT CopyText(const std::string& text, void* block, LPSTR* out) noexcept
    {
        void* copy = nullptr;
        HRESULT hr = mapi_.allocateMore(static_cast<ULONG>(text.size() + 1), block, &copy);
        if (FAILED(hr)) return hr;
        CopyMemory(copy, text.c_str(), text.size() + 1);
        *out = static_cast<LPSTR>(copy);
        return S_OK;
    }

    HRESULT Add(const tools::Recipient& r) noexcept
    {
        std::string type, address;
        try {
            type = tools::RecipientAddressType(r.text);
            address = tools::RecipientAddress(r.text);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        ULONG values = type.empty() ? 3 : 4;
        LPSPropValue props = nullptr;
        HRESULT hr = mapi_.allocateBuffer(sizeof(SPropValue) * values, reinterpret_cast<void**>(&props));
        if (FAILED(hr)) return hr;
        ZeroMemory(props, sizeof(SPropValue) * values);
        ADRENTRY& entry = list_->aEntries[list_->cEntries++];
        entry.rgPropVals = props;
        entry.cValues = values;
        props[0].ulPropTag = PR_RECIPIENT_TYPE;
        props[0].Value.l = MAPI_TO;
        props[1].ulPropTag = PR_DISPLAY_NAME_A;
        hr = CopyText(r.name, props, &props[1].Value.lpszA);
        if (FAILED(hr)) return hr;
        props[2].ulPropTag = PR_EMAIL_ADDRESS_A;
        hr = CopyText(address, props, &props[2].Value.lpszA);
        if (FAILED(hr)) return hr;
        if (!type.empty()) {
            props[3].ulPropTag = PR_ADDRTYPE_A;
            hr = CopyText(type, props, &props[3].Value.lpszA);
        }
        return hr;
    }

    const MapiLibrary& mapi_;
    LPADRLIST list_ = nullptr;
};

// The session's part of the send, between logon and logoff.
HRESULT SendInSession(const MapiLibrary& mapi, IMAPISession* session,
                      const std::vector<tools::Recipient>& recipients) noexcept
{
    MapiPtr<IMAPITable> table;
    HRESULT hr = session->GetMsgStoresTable(0, table.Put());
    if (FAILED(hr)) return hr;

    SizedSPropTagArray(2, columns) = {2, {PR_DEFAULT_STORE, PR_ENTRYID}};
    SPropValue isDefault{};
    isDefault.ulPropTag = PR_DEFAULT_STORE;
    isDefault.Value.b = TRUE;
    SRestriction restriction{};
    restriction.rt = RES_PROPERTY;
    restriction.res.resProperty.relop = RELOP_EQ;
    restriction.res.resProperty.ulPropTag = PR_DEFAULT_STORE;
    restriction.res.resProperty.lpProp = &isDefault;
    RowSet rows(mapi.freeBuffer);
    hr = mapi.queryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), &restriction, nullptr, 0,
                           rows.Put());
    if (FAILED(hr)) return hr;
    if (!rows.Get() || rows.Get()->cRows == 0 || rows.Get()->aRow[0].cValues < 2) return MAPI_E_NOT_FOUND;
    const SPropValue& entryId = rows.Get()->aRow[0].lpProps[1];
    if (entryId.ulPropTag != PR_ENTRYID) return MAPI_E_NOT_FOUND;

    MapiPtr<IMsgStore> store;
    hr = session->OpenMsgStore(0, entryId.Value.bin.cb, reinterpret_cast<LPENTRYID>(entryId.Value.bin.lpb),
                               nullptr, kStoreFlags, store.Put());
    if (FAILED(hr)) return hr;

    MapiBuffer outboxProp(mapi.freeBuffer);
    hr = mapi.getOneProp(reinterpret_cast<LPMAPIPROP>(store.Get()), PR_IPM_OUTBOX_ENTRYID,
                         reinterpret_cast<LPSPropValue*>(outboxProp.Put()));
    if (FAILED(hr)) return hr;
    const SPropValue* outboxId = static_cast<const SPropValue*>(outboxProp.Get());
    if (!outboxId || outboxId->ulPropTag != PR_IPM_OUTBOX_ENTRYID) return MAPI_E_NOT_FOUND;

    ULONG objectType = 0;
    MapiPtr<IMAPIFolder> outbox;
    hr = store->OpenEntry(outboxId->Value.bin.cb, reinterpret_cast<LPENTRYID>(outboxId->Value.bin.lpb), nullptr,
                          kFolderFlags, &objectType, reinterpret_cast<LPUNKNOWN*>(outbox.Put()));
    if (FAILED(hr)) return hr;
    if (!outbox.Get()) return MAPI_E_NOT_FOUND;

    MapiPtr<IMessage> message;
    hr = outbox->CreateMessage(nullptr, MAPI_DEFERRED_ERRORS, message.Put());
    if (FAILED(hr)) return hr;

    {
        AddressList addresses(mapi);
        hr = addresses.Build(recipients);
        if (FAILED(hr)) return hr;
        hr = message->ModifyRecipients(MODRECIP_ADD, addresses.Get());
        if (FAILED(hr)) return hr;
    }

    ULONG token = 0;
    hr = session->PrepareForm(nullptr, message.Get(), &token);
    if (FAILED(hr)) return hr;
    message.Reset();
    char messageClass[] = "IPM.Note";
    return session->ShowForm(0, store.Get(), outbox.Get(), nullptr, token, nullptr, MAPI_NEW_MESSAGE, 0,
                             kMessageFlags, 0, messageClass);
}

}  // namespace

bool MapiAvailable() noexcept
{
    if (GetProfileIntA("MAIL", "MAPI", 0) == 0) return false;
    char path[MAX_PATH];
    char* file = nullptr;
    DWORD n = SearchPathA(nullptr, "MAPI32.DLL", nullptr, MAX_PATH, path, &file);
    return n > 0 && n < MAX_PATH;
}

HRESULT SendMapiMessage(const std::vector<tools::Recipient>& recipients) noexcept
{
    MapiLibrary mapi;
    if (!mapi.Load()) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    MAPIINIT_0 init{0, MAPI_MULTITHREAD_NOTIFICATIONS};
    HRESULT hr = mapi.initialize(&init);
    if (FAILED(hr)) return hr;
    {
        MapiPtr<IMAPISession> session;
        hr = mapi.logonEx(0, nullptr, nullptr, kLogonFlags, session.Put());
        if (SUCCEEDED(hr) && session.Get()) {
            hr = SendInSession(mapi, session.Get(), recipients);
            session->Logoff(0, 0, 0);
        }
    }
    mapi.uninitialize();
    return hr;
}

}  // namespace mapimail
}  // namespace orrel
