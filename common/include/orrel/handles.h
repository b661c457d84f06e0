// Owning wrappers of Win32 handles, one class per handle type, non-copyable,
// with Attach/Detach. Non-owning views of windows and controls live in ui/.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <utility>

namespace orrel {

// A handle closed by a function of its own.
template <class H, class Traits>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(H h) noexcept : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Detach()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) Attach(other.Detach());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    void Reset() noexcept
    {
        if (Traits::Valid(h_)) Traits::Close(h_);
        h_ = Traits::Invalid();
    }
    void Attach(H h) noexcept
    {
        Reset();
        h_ = h;
    }
    H Detach() noexcept
    {
        H h = h_;
        h_ = Traits::Invalid();
        return h;
    }
    H Get() const noexcept { return h_; }
    H* Put() noexcept
    {
        Reset();
        return &h_;
    }
    bool Valid() const noexcept { return Traits::Valid(h_); }
    explicit operator bool() const noexcept { return Valid(); }

private:
    H h_ = Traits::Invalid();
};

struct KernelHandleTraits {  // events, threads, mutexes (null = none)
    static HANDLE Invalid() noexcept { return nullptr; }
    static bool Valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile (INVALID_HANDLE_VALUE = none)
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
struct LibraryTraits {
    static HMODULE Invalid() noexcept { return nullptr; }
    static bool Valid(HMODULE h) noexcept { return h != nullptr; }
    static void Close(HMODULE h) noexcept { FreeLibrary(h); }
};
struct MenuTraits {
    static HMENU Invalid() noexcept { return nullptr; }
    static bool Valid(HMENU h) noexcept { return h != nullptr; }
    static void Close(HMENU h) noexcept { DestroyMenu(h); }
};
struct IconTraits {
    static HICON Invalid() noexcept { return nullptr; }
    static bool Valid(HICON h) noexcept { return h != nullptr; }
    static void Close(HICON h) noexcept { DestroyIcon(h); }
};
template <class G>
struct GdiTraits {
    static G Invalid() noexcept { return nullptr; }
    static bool Valid(G h) noexcept { return h != nullptr; }
    static void Close(G h) noexcept { DeleteObject(h); }
};
struct GlobalTraits {
    static HGLOBAL Invalid() noexcept { return nullptr; }
    static bool Valid(HGLOBAL h) noexcept { return h != nullptr; }
    static void Close(HGLOBAL h) noexcept { GlobalFree(h); }
};
struct FindTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) noexcept { FindClose(h); }
};

using KernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using Event = KernelHandle;
using Thread = KernelHandle;
using FileHandle = UniqueHandle<HANDLE, FileHandleTraits>;
using Library = UniqueHandle<HMODULE, LibraryTraits>;
using Menu = UniqueHandle<HMENU, MenuTraits>;
using Icon = UniqueHandle<HICON, IconTraits>;
using Bitmap = UniqueHandle<HBITMAP, GdiTraits<HBITMAP>>;
using Font = UniqueHandle<HFONT, GdiTraits<HFONT>>;
using Brush = UniqueHandle<HBRUSH, GdiTraits<HBRUSH>>;
using Pen = UniqueHandle<HPEN, GdiTraits<HPEN>>;
using GlobalMemory = UniqueHandle<HGLOBAL, GlobalTraits>;
using FindHandle = UniqueHandle<HANDLE, FindTraits>;

// A lock of global memory for a scope. Size() is the block's real size, so a
// reader never goes past the end of what it was given.
class GlobalLock {
public:
    explicit GlobalLock(HGLOBAL memory) noexcept
        : memory_(memory), data_(memory ? ::GlobalLock(memory) : nullptr),
          size_(data_ ? GlobalSize(memory) : 0)
    {
    }
    GlobalLock(const GlobalLock&) = delete;
    GlobalLock& operator=(const GlobalLock&) = delete;
    ~GlobalLock()
    {
        if (data_) GlobalUnlock(memory_);
    }
    void* Data() const noexcept { return data_; }
    SIZE_T Size() const noexcept { return size_; }
    explicit operator bool() const noexcept { return data_ != nullptr; }

private:
    HGLOBAL memory_;
    void* data_;
    SIZE_T size_;
};

// A storage medium released with ReleaseStgMedium.
class StgMedium {
public:
    StgMedium() noexcept { ZeroMemory(&medium_, sizeof medium_); }
    StgMedium(const StgMedium&) = delete;
    StgMedium& operator=(const StgMedium&) = delete;
    ~StgMedium() { Reset(); }
    void Reset() noexcept
    {
        if (medium_.tymed != TYMED_NULL) ReleaseStgMedium(&medium_);
        ZeroMemory(&medium_, sizeof medium_);
    }
    STGMEDIUM* Put() noexcept
    {
        Reset();
        return &medium_;
    }
    STGMEDIUM& Get() noexcept { return medium_; }

private:
    STGMEDIUM medium_;
};

// Memory of the shell's task allocator.
template <class T>
class TaskMem {
public:
    TaskMem() noexcept = default;
    explicit TaskMem(T* p) noexcept : p_(p) {}
    TaskMem(const TaskMem&) = delete;
    TaskMem& operator=(const TaskMem&) = delete;
    TaskMem(TaskMem&& other) noexcept : p_(other.Detach()) {}
    ~TaskMem() { Reset(); }
    void Reset(T* p = nullptr) noexcept
    {
        if (p_) CoTaskMemFree(p_);
        p_ = p;
    }
    T* Detach() noexcept
    {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    T* Get() const noexcept { return p_; }
    T** Put() noexcept
    {
        Reset();
        return &p_;
    }

private:
    T* p_ = nullptr;
};

class CriticalSection {
public:
    CriticalSection() noexcept { InitializeCriticalSection(&cs_); }
    ~CriticalSection() { DeleteCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() noexcept { EnterCriticalSection(&cs_); }
    void Leave() noexcept { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CriticalSection& cs) noexcept : cs_(cs) { cs_.Enter(); }
    ~CriticalSectionLock() { cs_.Leave(); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CriticalSection& cs_;
};

// Selects a GDI object into a device context for a scope.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ object) noexcept
        : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr)
    {
    }
    ~SelectObjectScope()
    {
        if (old_) SelectObject(dc_, old_);
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace orrel
