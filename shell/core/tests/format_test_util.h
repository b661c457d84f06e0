// Small helpers shared by the format tests: byte vectors written as lists of
// numbers and text, and a readable dump for failure messages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include <windows.h>

#include "orrel/core/itemrecord.h"

namespace formattest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes B(std::initializer_list<int> values)
{
    Bytes out;
    for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

inline Bytes Text(const char* s, bool withZero = true)
{
    Bytes out;
    for (; *s; ++s) out.push_back(static_cast<std::uint8_t>(*s));
    if (withZero) out.push_back(0);
    return out;
}

inline Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes U16(unsigned v) { return B({static_cast<int>(v & 0xFF), static_cast<int>(v >> 8)}); }

inline std::string Hex(const Bytes& bytes)
{
    std::string out;
    char buf[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        out += buf;
    }
    return out;
}

inline std::string Hex(const std::string& bytes) { return Hex(Bytes(bytes.begin(), bytes.end())); }

inline std::string Describe(const orrel::ItemRecord& r)
{
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%X", static_cast<unsigned>(r.flags));
    return std::string("{flags ") + flags + ", name \"" + r.displayName + "\", class \"" +
           r.className + "\", path [" + Hex(r.path) + "], tree \"" + r.tree + "\", server \"" +
           r.server + "\"}";
}

inline bool Same(const orrel::ItemRecord& a, const orrel::ItemRecord& b)
{
    return a.flags == b.flags && a.displayName == b.displayName && a.className == b.className &&
           a.path == b.path && a.tree == b.tree && a.server == b.server;
}

// A directory object as the namespace makes one: Admin in container Org.
inline orrel::ItemRecord SampleObject()
{
    orrel::ItemRecord r;
    r.flags = orrel::ITEM_CONTAINER;
    r.displayName = "Admin";
    r.className = "User";
    r.path = std::string("\x05" "Admin" "\x03" "Org");
    r.tree = "CORP";
    return r;
}

// A read past the end ends the process at once with a message, instead of
// waiting on a debugger that Wine would start for an unhandled fault.
inline LONG WINAPI ReportFault(EXCEPTION_POINTERS* info)
{
    std::fprintf(stderr, "fatal: exception 0x%08lX at %p (a read past the end of the input?)\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                 info->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

struct FaultReporter {
    FaultReporter() { SetUnhandledExceptionFilter(ReportFault); }
};

// Bytes placed flush against an inaccessible page: a read one byte past the
// end faults at once (and fails the test) instead of going unnoticed.
class GuardedBytes {
public:
    explicit GuardedBytes(const Bytes& bytes)
    {
        static FaultReporter reporter;
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        std::size_t page = info.dwPageSize;
        std::size_t dataPages = (bytes.size() + page - 1) / page;
        total_ = (dataPages + 1) * page;
        base_ = static_cast<std::uint8_t*>(
            VirtualAlloc(nullptr, total_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!base_) return;
        DWORD old = 0;
        VirtualProtect(base_ + dataPages * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + dataPages * page - bytes.size();
        if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
        size_ = bytes.size();
    }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;
    ~GuardedBytes()
    {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    const std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    bool Valid() const { return base_ != nullptr; }

private:
    std::uint8_t* base_ = nullptr;
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t total_ = 0;
};

}  // namespace formattest
