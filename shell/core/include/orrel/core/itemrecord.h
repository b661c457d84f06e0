// One namespace item (a configured tree, a personal folder, a shortcut, a
// directory object) and the label-counted path it stores. Pure code: built
// for Windows and natively (fuzzing), no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orrel {

enum ItemFlags : std::uint32_t {
    ITEM_CONTAINER = 0x0001,
    ITEM_ALIAS = 0x0002,
    ITEM_PARTITION_ROOT = 0x0004,
    ITEM_FOLDER = 0x0080,
    ITEM_SHORTCUT = 0x0100,
    ITEM_TREE = 0x0200,
    ITEM_NOEDIT = 0x1000,
};

// Class names the namespace gives its own items.
extern const char kFolderClass[];    // "Ombra::Folder"
extern const char kTreeRootClass[];  // "Tree Root"
extern const char kUnknownClass[];   // "Unknown"

class ItemRecord {
public:
    ItemRecord() = default;
    ItemRecord(const ItemRecord&) = default;
    ItemRecord& operator=(const ItemRecord&) = default;
    // Moved, not copied, when listings and child arrays grow.
    ItemRecord(ItemRecord&&) noexcept = default;
    ItemRecord& operator=(ItemRecord&&) noexcept = default;
    virtual ~ItemRecord();

    // Serialised form: Path, Tree, Class, DisplayName as counted strings,
    // flags (32-bit little-endian), Server as a counted string. A counted
    // string is a 16-bit count and count bytes (characters and their zero);
    // an empty string is the count 0 alone.
    virtual std::size_t RecordSize() const;
    // Writes RecordSize() bytes; returns the bytes written, 0 when the
    // capacity is too small or a string does not fit a 16-bit count.
    virtual std::size_t SerialiseRecord(std::uint8_t* out, std::size_t capacity) const;
    // Reads from data[0..size) only (bytes after the record are ignored);
    // false (record unchanged) when the bytes are not a whole record: a count
    // past the end, a missing zero. A text ends at its first zero byte.
    virtual bool DeserialiseRecord(const std::uint8_t* data, std::size_t size);

    // DisplayName, Class, Tree and Server all empty.
    bool IsRoot() const;
    bool IsFolder() const { return (flags & ITEM_FOLDER) != 0; }
    bool IsContainer() const { return (flags & ITEM_CONTAINER) != 0; }

    std::uint32_t flags = 0;
    std::string displayName;
    std::string className;
    std::string path;  // label-counted bytes (see EncodePath)
    std::string tree;
    std::string server;
};

// Label-counted path: every separator ("." or "\") replaced by the byte count
// of the label after it. ".Admin.Org" encodes to 5 A d m i n 3 O r g.
// Returns false (out untouched) when the text does not begin with a
// separator, a label is empty (it would store a zero count, which ends every
// reading of the path) or a label is longer than 127 bytes (its count would
// read back negative).
bool EncodePath(const std::string& text, std::string* out);

// Labels joined by the separator; with leadingSeparator the separator stands
// before every label instead. Stops at a count that is zero, negative (read
// as a signed byte) or runs past the end.
std::string DecodePath(const std::string& path, bool leadingSeparator, char separator);

// Parent part of a record's path with "." between labels: a folder drops its
// last label (nothing left: ""), anything else its first (nothing left: "[Root]").
std::string ParentPath(const ItemRecord& record);

// Renames a personal folder's record: Path becomes the encoded text of
// separator, parent part, separator, new name (parent and its separator only
// when the parent part is not empty); DisplayName the new name. False (record
// unchanged) for a record that is not a folder, an empty name or one with a
// separator in it, or when the text does not fit the 1024-byte working buffer.
bool SetRecordName(ItemRecord& record, const std::string& newName);

}  // namespace orrel
