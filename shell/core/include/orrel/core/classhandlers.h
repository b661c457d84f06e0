// The class handler registry: which extension objects serve a directory
// class, read from HKCU "Software\Halvet\Orrel Namespace\Classes".
//
// Threads: the table's members take the NamespaceLock (namespacelock.h)
// themselves; an entry's name and handlers never change once loaded, so a
// ClassEntry pointer may be read without it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace orrel {

enum HandlerKind : std::uint32_t {
    HANDLER_ICON = 1,
    HANDLER_CONTEXT_MENU = 2,
    HANDLER_DROP_TARGET = 4,
    HANDLER_DRAG_SOURCE = 8,
};

// Handler "Flags" bits.
enum HandlerFlags : std::uint32_t {
    HANDLER_MULTI_TOO = 0x1,   // also serves selections of several objects
    HANDLER_MULTI_ONLY = 0x2,  // serves only selections of several objects
};

extern const char kClassesKey[];  // "Software\Halvet\Orrel Namespace\Classes"

struct HandlerEntry {
    CLSID clsid{};
    std::uint32_t loadPriority = 0;
    std::uint32_t kinds = 0;
    std::uint32_t flags = 0;
};

struct ClassEntry {
    std::string name;
    std::uint32_t flags = 0;
    std::vector<HandlerEntry> handlers;  // in the order read
    bool iconCached = false;
    std::string iconFile;
    int iconIndex = 0;
    // A copy of "Unknown" inserted for a class without a key of its own: it
    // serves icons and menus, but the class still has no entry of its own,
    // so its objects stay out of listings.
    bool fallbackCopy = false;
};

bool HasHandlerKind(const ClassEntry& entry, std::uint32_t kind);

class ClassHandlerTable {
public:
    // Reads the whole layout (replacing the table's contents). False when
    // "Classes" cannot be opened, has no class subkey that opens, or the
    // first class key that opens cannot be read.
    bool LoadClassHandlers(HKEY root = HKEY_CURRENT_USER);

    // The entry for name (byte-wise, with case); without one and with the
    // fallback, a copy of "Unknown" named name is inserted and returned (with
    // no icon location cached: icons differ per class). Without the fallback
    // such an inserted copy is not found. Null when there is none. Entries
    // stay at their address until Clear.
    ClassEntry* FindClass(const std::string& name, bool useFallback);

    // The icon location cached for an entry of this table (false: none yet),
    // and caching one. The handlers of an entry never change after loading;
    // its icon cache is read and written only through these.
    bool CachedIcon(const ClassEntry& entry, std::string* file, int* index) const;
    void CacheIcon(ClassEntry& entry, const std::string& file, int index);

    void Clear();
    std::size_t Size() const { return entries_.size(); }

private:
    std::unordered_map<std::string, std::unique_ptr<ClassEntry>> entries_;
};

}  // namespace orrel
