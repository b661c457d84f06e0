// Directory names: typeless dotted names, leaf first, compared ignoring case.
// Pure code (no windows.h), built natively for fuzzing as well.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orrel::dirstore {

constexpr size_t kMaxNameChars = 256;
constexpr size_t kMaxLabelChars = 64;
constexpr size_t kMaxSchemaNameChars = 32;
constexpr size_t kMaxTreeNameChars = 32;

char LowerAscii(char c);
std::string Lower(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);
// Case-insensitive match where '*' stands for any run of characters.
bool WildcardMatch(std::string_view pattern, std::string_view text);

// A label of a dotted name: 1..64 characters, no '.', no control characters.
bool IsValidLabel(std::string_view label);
// A class or attribute name: 1..32 printable characters, no '"' or '\'.
bool IsValidSchemaName(std::string_view name);
// A tree name: 1..32 of letters, digits, '_' and '-', not ending in '_'.
bool IsValidTreeName(std::string_view name);

// Splits "a.b.c" (no leading dot) into labels; false when malformed.
bool SplitName(std::string_view name, std::vector<std::string>& labels);
std::string JoinLabels(const std::vector<std::string>& labels, size_t first = 0);

// Removes attribute types from each label: "CN=Admin.O=Corp" -> "Admin.Corp".
std::string StripTypes(std::string_view name);

// True for "[Root]" in any case.
bool IsRootName(std::string_view name);

// Canonical full name (no leading dot; "" is the root of the tree) of a name
// given relative to nameContext (itself canonical). A leading "." makes the
// name absolute; each trailing "." climbs one label of the context.
// Returns 0 or a negative directory error code (-610 malformed).
int32_t ResolveName(std::string_view name, std::string_view nameContext, std::string& out);
// The canonical form of a full name as written in an image (leading dot
// optional); false when malformed.
bool CanonicalFullName(std::string_view name, std::string& out);

// The parent of a canonical full name ("" for a top-level name), and its leaf.
std::string ParentOf(std::string_view fullName);
std::string LeafOf(std::string_view fullName);
// True when fullName lies below ancestor (canonical names, "" = root).
bool IsBelow(std::string_view fullName, std::string_view ancestor);

// Tree names as servers report them: padded with '_' to 32 characters; and
// back: trailing '_' removed.
std::string PadTreeName(std::string_view tree);
std::string UnpadTreeName(std::string_view tree);

// The stable id of an object on a server of its tree.
uint32_t ObjectId(std::string_view tree, std::string_view fullName);

}  // namespace orrel::dirstore
