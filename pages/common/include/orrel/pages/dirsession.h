// The directory operations of a property page (and of the tools and the
// search that reuse them): one DirectorySession per page, sharing one
// directory context per sheet through a ContextSlot.
//
// Every operation returns 0 or the directory client's error code (negative);
// `context` NoContext (the default) means the session's context, created on
// first use: CreateDirContext, tree name (key 11), name context (key 3), and
// flags (key 1) with 0x45 ORed in. When it cannot be created the operations
// return that error and touch nothing else.
//
// Pure of <windows.h>: only the directory client's declarations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "halvet/dirclient.h"
#include "orrel/pages/valueformat.h"
#include "orrel/pages/valuelist.h"

namespace orrel {
namespace pages {

// The slot of a directory context: NoContext until one is created; frees
// the context it holds when it goes. The property handler owns the slot of
// its sheet, so the context lives until the last page that may use it is
// gone.
class ContextSlot {
public:
    ContextSlot() noexcept = default;
    ContextSlot(const ContextSlot&) = delete;
    ContextSlot& operator=(const ContextSlot&) = delete;
    ~ContextSlot() { Reset(); }

    HALVET_CONTEXT Get() const noexcept { return context_; }
    bool Empty() const noexcept { return context_ == HALVET_NO_CONTEXT; }
    // Takes a context to own (the one held before is freed).
    void Set(HALVET_CONTEXT context) noexcept;
    // Frees the context (FreeDirContext) and empties the slot.
    void Reset() noexcept;

private:
    HALVET_CONTEXT context_ = HALVET_NO_CONTEXT;
};

// A value read with ReadFirstValue: the record GetAttrVal wrote, in a buffer
// of exactly the size ComputeAttrValSize reported (plus a zero byte that is
// not part of it). Move-only; the record's inner pointers stay valid on
// moves because the buffer itself never moves.
class DirValue {
public:
    DirValue() noexcept = default;
    DirValue(const DirValue&) = delete;
    DirValue& operator=(const DirValue&) = delete;
    DirValue(DirValue&&) noexcept = default;
    DirValue& operator=(DirValue&&) noexcept = default;

    bool HasValue() const noexcept { return data_ != nullptr; }
    uint32_t Syntax() const noexcept { return syntax_; }
    std::size_t Size() const noexcept { return size_; }
    const void* Data() const noexcept { return data_.get(); }

    // The value taken as text (text syntaxes; for others the bytes up to the
    // first zero), bounded by the buffer.
    std::string Text() const;
    // Fixed-size values; false when there is no value or it is too short.
    bool Boolean(bool* value) const noexcept;
    bool Int32(int32_t* value) const noexcept;
    bool UInt32(uint32_t* value) const noexcept;
    // The record of a syntax when the buffer holds at least its size, else
    // null. Pointers inside it are unchecked: use FormatValue, or check them
    // with Contains, before reading through them.
    template <class Record>
    const Record* As() const noexcept
    {
        return data_ && size_ >= sizeof(Record) ? static_cast<const Record*>(Data()) : nullptr;
    }
    // True when [p, p + length) lies inside the value buffer.
    bool Contains(const void* p, std::size_t length = 1) const noexcept;
    // A string inside the record, bounded by the buffer; empty when p lies
    // outside.
    std::string StringAt(const char* p) const;

    void Reset() noexcept;
    // Takes a new buffer of size bytes (zeroed, one extra zero byte); false
    // when it cannot be had.
    bool Allocate(uint32_t syntax, std::size_t size) noexcept;
    void* MutableData() noexcept { return data_.get(); }

private:
    uint32_t syntax_ = 0;
    std::size_t size_ = 0;
    std::unique_ptr<unsigned char[]> data_;
};

class DirectorySession {
public:
    // shared: the sheet's slot (the handler's); null gives the session a slot
    // of its own, freed with the session.
    DirectorySession(std::string treeName, std::string nameContext,
                     ContextSlot* shared = nullptr);
    DirectorySession(const DirectorySession&) = delete;
    DirectorySession& operator=(const DirectorySession&) = delete;
    ~DirectorySession();

    const std::string& TreeName() const noexcept { return treeName_; }
    const std::string& NameContext() const noexcept { return nameContext_; }
    // True when this session created the context in its slot.
    bool CreatedContext() const noexcept { return created_; }

    // The session context: the slot's context, created on first use. A
    // negative directory error code when it cannot be created.
    HALVET_CONTEXT Context() noexcept;

    // The first value of an attribute. 0 with no value (value->HasValue()
    // false) when the object has none; -603 when the size cannot be had, -1
    // when no buffer of that size can be had, else the client's error.
    int32_t ReadFirstValue(const char* object, const char* attribute, DirValue* value,
                           HALVET_CONTEXT context = HALVET_NO_CONTEXT);
    // Every value of an attribute appended to list as nodes (see
    // valueformat.h); syntax receives the attribute's syntax. 0 and the list
    // unchanged when the attribute has no value.
    int32_t ReadValueList(const char* object, const char* attribute, ValueList& list,
                          uint32_t* syntax = nullptr,
                          HALVET_CONTEXT context = HALVET_NO_CONTEXT);
    // Removes the attribute; -603 (no such attribute) counts as success.
    int32_t RemoveAttribute(const char* object, const char* attribute,
                            HALVET_CONTEXT context = HALVET_NO_CONTEXT);
    // Replaces the attribute's value by one value (a record of the syntax, or
    // the text for text syntaxes). A mandatory attribute (-609 on removal)
    // has its current value replaced in the same modify request.
    int32_t WriteSingleValue(const char* object, const char* attribute, const void* value,
                             uint32_t syntax, HALVET_CONTEXT context = HALVET_NO_CONTEXT);
    int32_t WriteSingleValue(const char* object, const char* attribute,
                             const std::string& text, uint32_t syntax,
                             HALVET_CONTEXT context = HALVET_NO_CONTEXT)
    {
        return WriteSingleValue(object, attribute, text.c_str(), syntax, context);
    }
    // Replaces the attribute's values by the list's. The first "CN" value is
    // never rewritten; the naming value (-627 on removal) stays; empty text
    // entries are left out, and a list of none clears the attribute. Syntax
    // 11 writes fax records, 17 access-control entries from kind 3 nodes.
    int32_t WriteValueList(const char* object, const char* attribute, const ValueList& list,
                           uint32_t syntax, HALVET_CONTEXT context = HALVET_NO_CONTEXT);
    // The caller's rights (0x2 read, 0x4 write) on an attribute of object:
    // WhoAmI then GetEffectiveRights; 0 when either fails.
    uint32_t HasAttributeRight(const char* object, const char* attribute,
                               HALVET_CONTEXT context = HALVET_NO_CONTEXT);
    // "." + the name canonicalized and abbreviated by the directory client;
    // when the client cannot, the name as given (with one leading ".").
    std::string ToDisplayName(const char* name, HALVET_CONTEXT context = HALVET_NO_CONTEXT);

private:
    HALVET_CONTEXT Resolve(HALVET_CONTEXT context) noexcept;

    ContextSlot* slot_;
    bool created_ = false;
    std::string treeName_;
    std::string nameContext_;
    ContextSlot own_;
};

// The session's ToDisplayName as a NameDisplay for the formatter.
class SessionNameDisplay final : public NameDisplay {
public:
    SessionNameDisplay(DirectorySession& session, HALVET_CONTEXT context) noexcept
        : session_(session), context_(context)
    {
    }
    std::string Display(const char* name) const override
    {
        return session_.ToDisplayName(name, context_);
    }

private:
    DirectorySession& session_;
    HALVET_CONTEXT context_;
};

}  // namespace pages
}  // namespace orrel
