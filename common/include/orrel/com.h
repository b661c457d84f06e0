// Reference counting and QueryInterface for the system's COM objects.
//
// An object derives from its interfaces, holds a RefCount, lists its
// interfaces in a static table and expands ORREL_IUNKNOWN_METHODS:
//
//   class Folder : public IShellFolder, public IPersistFolder {
//   public:
//       ORREL_IUNKNOWN_METHODS(Folder)
//       static const QIEntry* QITable();
//   private:
//       RefCount refs_;
//   };
//
// Objects are born with one reference (made with new (std::nothrow), queried,
// then released by their maker); every AddRef and Release also moves the
// DLL-wide counter of Module.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstddef>
#include <new>
#include <utility>

#include "orrel/module.h"

namespace orrel {

struct QIEntry {
    const IID* iid;  // null ends the table
    std::ptrdiff_t offset;
};

// Answers riid from a table; the first entry also answers IUnknown. *ppv is
// cleared first; E_POINTER for a null ppv.
HRESULT QISearch(void* object, const QIEntry* table, REFIID riid, void** ppv) noexcept;

template <class Class, class Iface>
std::ptrdiff_t InterfaceOffset() noexcept
{
    // Offset of an interface's vtable part inside its object.
    Class* object = reinterpret_cast<Class*>(0x1000);
    return reinterpret_cast<char*>(static_cast<Iface*>(object)) - reinterpret_cast<char*>(object);
}

#define ORREL_QI(Class, Iface) \
    ::orrel::QIEntry { &IID_##Iface, ::orrel::InterfaceOffset<Class, Iface>() }
#define ORREL_QI_IID(Class, Iface, iid) \
    ::orrel::QIEntry { &(iid), ::orrel::InterfaceOffset<Class, Iface>() }
#define ORREL_QI_END \
    ::orrel::QIEntry { nullptr, 0 }

class RefCount {
public:
    RefCount() noexcept { Module::Lock(); }
    RefCount(const RefCount&) = delete;
    RefCount& operator=(const RefCount&) = delete;

    ULONG AddRef() noexcept
    {
        Module::Lock();
        return static_cast<ULONG>(InterlockedIncrement(&count_));
    }
    // Returns the count left; the owner deletes itself at 0.
    ULONG Release() noexcept
    {
        LONG left = InterlockedDecrement(&count_);
        Module::Unlock();
        return static_cast<ULONG>(left);
    }
    ULONG Count() const noexcept { return static_cast<ULONG>(count_); }

private:
    LONG count_ = 1;
};

#define ORREL_IUNKNOWN_METHODS(Class)                                             \
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override                 \
    {                                                                             \
        return ::orrel::QISearch(this, Class::QITable(), riid, ppv);              \
    }                                                                             \
    STDMETHODIMP_(ULONG) AddRef() override { return refs_.AddRef(); }             \
    STDMETHODIMP_(ULONG) Release() override                                       \
    {                                                                             \
        ULONG left = refs_.Release();                                             \
        if (left == 0) delete this;                                               \
        return left;                                                              \
    }

// Makes an object with its birth reference, queries it and drops the birth
// reference: the caller gets exactly what the query gave.
template <class T, class... Args>
HRESULT CreateAndQuery(REFIID riid, void** ppv, Args&&... args) noexcept
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    T* object = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

// Owning COM pointer (WTL's CComPtr, without the magic).
template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    explicit ComPtr(T* p, bool addRef = true) noexcept : p_(p)
    {
        if (p_ && addRef) p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : p_(other.p_)
    {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ~ComPtr() { Reset(); }
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(p_, other.p_);
        return *this;
    }

    void Reset() noexcept
    {
        if (T* p = p_) {
            p_ = nullptr;
            p->Release();
        }
    }
    void Attach(T* p) noexcept
    {
        Reset();
        p_ = p;
    }
    T* Detach() noexcept
    {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // Address for an out parameter; releases what was held.
    T** Put() noexcept
    {
        Reset();
        return &p_;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    template <class U>
    HRESULT As(REFIID iid, ComPtr<U>& out) const noexcept
    {
        if (!p_) return E_NOINTERFACE;
        return p_->QueryInterface(iid, out.PutVoid());
    }

private:
    T* p_ = nullptr;
};

// COM initialisation for the lifetime of a scope (apartment-threaded).
class ComInit {
public:
    ComInit() noexcept : hr_(CoInitialize(nullptr)) {}
    explicit ComInit(DWORD model) noexcept : hr_(CoInitializeEx(nullptr, model)) {}
    ~ComInit()
    {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    HRESULT Result() const noexcept { return hr_; }

private:
    HRESULT hr_;
};

// Registry form of a GUID: upper-case hexadecimal in braces (39 bytes with the zero).
void GuidToString(REFGUID guid, char (&out)[39]) noexcept;
bool StringToGuid(const char* text, GUID* out) noexcept;

}  // namespace orrel
