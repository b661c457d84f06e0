// The class handler table, read from the per-user registry that every
// extension DLL writes when it registers.
#include "orrel/core/classhandlers.h"

#include <new>

#include "orrel/com.h"
#include "orrel/core/itemrecord.h"
#include "orrel/core/namespacelock.h"
#include "orrel/registry.h"

namespace orrel {

const char kClassesKey[] = "Software\\Halvet\\Orrel Namespace\\Classes";

namespace {

using Table = std::unordered_map<std::string, std::unique_ptr<ClassEntry>>;

struct KindKey {
    const char* name;
    std::uint32_t kind;
};

// Read in this order.
const KindKey kKindKeys[] = {
    {"IconHandler", HANDLER_ICON},
    {"ContextMenuHandlers", HANDLER_CONTEXT_MENU},
    {"DropTargetHandlers", HANDLER_DROP_TARGET},
    {"DropSourceHandlers", HANDLER_DRAG_SOURCE},
};

DWORD DwordOrZero(const RegKey& key, const char* name)
{
    DWORD value = 0;
    return key.QueryDword(name, &value) == ERROR_SUCCESS ? value : 0;
}

// The handler a subkey of a kind key names: its own name when that is a class
// identifier, else the text of the kind key's value "<name>\@".
bool HandlerClsid(const RegKey& kindKey, const std::string& subkey, CLSID* clsid)
{
    if (StringToGuid(subkey.c_str(), clsid)) return true;
    std::string text;
    if (kindKey.QueryString((subkey + "\\@").c_str(), &text) != ERROR_SUCCESS) return false;
    return StringToGuid(text.c_str(), clsid);
}

void ReadKindKey(const RegKey& classKey, const KindKey& kind, ClassEntry* entry)
{
    RegKey kindKey;
    if (kindKey.Open(classKey.Get(), kind.name, KEY_READ) != ERROR_SUCCESS) return;
    std::string subkey;
    for (DWORD index = 0; kindKey.EnumKey(index, &subkey) == ERROR_SUCCESS; ++index) {
        CLSID clsid;
        if (!HandlerClsid(kindKey, subkey, &clsid)) continue;
        bool merged = false;
        for (HandlerEntry& handler : entry->handlers) {
            if (IsEqualCLSID(handler.clsid, clsid)) {
                handler.kinds |= kind.kind;
                merged = true;
                break;
            }
        }
        if (merged) continue;
        RegKey handlerKey;
        if (handlerKey.Open(kindKey.Get(), subkey.c_str(), KEY_READ) != ERROR_SUCCESS) continue;
        HandlerEntry handler;
        handler.clsid = clsid;
        handler.loadPriority = DwordOrZero(handlerKey, "LoadPriority");
        handler.kinds = kind.kind;
        handler.flags = DwordOrZero(handlerKey, "Flags");
        entry->handlers.push_back(handler);
    }
}

std::unique_ptr<ClassEntry> ReadClassKey(const RegKey& classKey, const std::string& name)
{
    auto entry = std::make_unique<ClassEntry>();
    entry->name = name;
    entry->flags = DwordOrZero(classKey, "Flags");
    for (const KindKey& kind : kKindKeys) ReadKindKey(classKey, kind, entry.get());
    return entry;
}

bool ReadTable(HKEY root, Table* table)
{
    RegKey classes;
    if (classes.Open(root, kClassesKey, KEY_ALL_ACCESS) != ERROR_SUCCESS &&
        classes.Open(root, kClassesKey, KEY_READ) != ERROR_SUCCESS)
        return false;
    bool anyGood = false;
    std::string name;
    for (DWORD index = 0; classes.EnumKey(index, &name) == ERROR_SUCCESS; ++index) {
        RegKey classKey;
        if (classKey.Open(classes.Get(), name.c_str(), KEY_READ) != ERROR_SUCCESS) continue;
        std::unique_ptr<ClassEntry> entry = ReadClassKey(classKey, name);
        if (entry->name.empty()) {
            if (!anyGood) return false;
            continue;
        }
        anyGood = true;
        (*table)[entry->name] = std::move(entry);
    }
    return anyGood;
}

}  // namespace

bool HasHandlerKind(const ClassEntry& entry, std::uint32_t kind)
{
    for (const HandlerEntry& handler : entry.handlers)
        if (handler.kinds & kind) return true;
    return false;
}

bool ClassHandlerTable::LoadClassHandlers(HKEY root)
{
    NamespaceLock lock;
    try {
        Table table;
        bool ok = ReadTable(root, &table);
        entries_.swap(table);
        if (!ok) entries_.clear();
        return ok;
    } catch (...) {
        entries_.clear();
        return false;
    }
}

ClassEntry* ClassHandlerTable::FindClass(const std::string& name, bool useFallback)
{
    NamespaceLock lock;
    try {
        auto found = entries_.find(name);
        if (found != entries_.end()) {
            if (found->second->fallbackCopy && !useFallback) return nullptr;
            return found->second.get();
        }
        if (!useFallback) return nullptr;
        auto unknown = entries_.find(kUnknownClass);
        if (unknown == entries_.end()) return nullptr;
        auto copy = std::make_unique<ClassEntry>(*unknown->second);
        copy->name = name;
        copy->fallbackCopy = true;
        copy->iconCached = false;
        copy->iconFile.clear();
        copy->iconIndex = 0;
        ClassEntry* result = copy.get();
        entries_.emplace(name, std::move(copy));
        return result;
    } catch (...) {
        return nullptr;
    }
}

bool ClassHandlerTable::CachedIcon(const ClassEntry& entry, std::string* file, int* index) const
{
    NamespaceLock lock;
    if (!entry.iconCached) return false;
    try {
        *file = entry.iconFile;
    } catch (...) {
        return false;
    }
    *index = entry.iconIndex;
    return true;
}

void ClassHandlerTable::CacheIcon(ClassEntry& entry, const std::string& file, int index)
{
    NamespaceLock lock;
    try {
        entry.iconFile = file;
        entry.iconIndex = index;
        entry.iconCached = true;
    } catch (...) {
        entry.iconCached = false;
    }
}

void ClassHandlerTable::Clear()
{
    NamespaceLock lock;
    entries_.clear();
}

}  // namespace orrel
