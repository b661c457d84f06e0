// Directory operations over an image: name resolution, listing, reading,
// rights and all-or-nothing changes. Pure code.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model.h"

namespace orrel::dirstore {

constexpr int kMaxAliasHops = 8;

struct ObjectInfo {
    uint32_t entryFlags = 0;
    uint32_t subordinateCount = 0;
    uint32_t modificationTime = 0;
    std::string baseClass;
};

struct ListEntry {
    std::string label;
    ObjectInfo info;
    uint32_t attrCount = 0;
};

struct Change {
    uint32_t type = 0;
    std::string attr;
    bool hasValue = false;
    Value value;
};

// Resolves a name (relative to nameContext, canonical) to the canonical full
// name of an existing object ("" = the tree root). With deref, aliases met on
// the way (and at the end) are followed.
int32_t Locate(const Tree& tree, std::string_view nameContext, std::string_view name, bool deref,
               std::string& full);

ObjectInfo InfoOf(const Tree& tree, const Object* object);  // null: the root

// The objects directly below an object ("" = root), optionally only of one
// class and with labels matching a wildcard pattern.
std::vector<ListEntry> ListChildren(const Tree& tree, std::string_view full, std::string_view cls,
                                    std::string_view pattern);

// Schema questions, following super classes.
bool IsAllowed(const Tree& tree, std::string_view cls, std::string_view attr);
bool IsMandatory(const Tree& tree, std::string_view cls, std::string_view attr);
// The attribute whose value names the object (its leaf label), or null.
const Attribute* NamingAttribute(const Tree& tree, const Object& object);

// Rights (HALVET_RIGHT_*) of subject (canonical full name, "[Public]") on
// attr of the object full ("" = root).
uint32_t EffectiveRights(const Tree& tree, std::string_view subject, std::string_view full,
                         std::string_view attr);

// Makes a new, empty stream file and gives its name (inside the streams
// folder); 0 or an error code.
using StreamMaker = std::function<int32_t(std::string& fileName)>;

// Applies changes to the object full of tree, all or nothing. Names inside
// values are resolved against nameContext. identity: the canonical name the
// changes are made as ("" = nobody: no write right). now: the time stamp.
int32_t ApplyChanges(Tree& tree, std::string_view full, const std::vector<Change>& changes,
                     std::string_view nameContext, std::string_view identity, uint32_t now,
                     const StreamMaker& makeStream);

// Resolves the directory names inside a value against a name context.
int32_t ResolveValueNames(Value& value, std::string_view nameContext);

}  // namespace orrel::dirstore
