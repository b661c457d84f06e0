// The namespace core's access to the directory: one directory context with
// the client libraries initialised (DirSession), one iterating request with
// its buffers (DirIterator), and the three directory tasks of the core:
// listing a container, completing a stored shortcut, locating the tree of a
// server. Callers see true/false; library errors stay in lastError. Nothing
// here is shown to the user, and no exception leaves the three tasks.
//
// Sessions and iterators belong to one call on one thread; an iterator must
// not outlive the session it was made from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <halvet/dirtypes.h>

#include "orrel/core/itemrecord.h"

namespace orrel {

class ClassHandlerTable;
class DirIterator;

constexpr std::int32_t kNoContext = -328;

// Request operations of an iterator.
enum DirOperation : std::uint32_t {
    DIR_OP_READ = 3,
    DIR_OP_LIST = 5,
    DIR_OP_ATTR_DEFS = 12,
    DIR_OP_CLASS_DEFS = 15,
};

constexpr std::uint32_t kDirListBufferSize = 4096;      // list replies
constexpr std::uint32_t kDirDefaultBufferSize = 64512;  // everything else
constexpr std::uint32_t kDirNameBufferSize = 515;       // names the libraries hand out
constexpr std::uint32_t kContextFlags = 0x45;           // what the core ORs into key 1
constexpr std::size_t kPathWorkBuffer = 1024;           // a child's Path and its zero

// Entry flags and base class of one directory object.
struct DirObjectInfoOut {
    std::uint32_t entryFlags = 0;
    std::string baseClass;
};

// Owner of one buffer of the directory client (FreeDirBuffer on release).
class DirBuffer {
public:
    DirBuffer() noexcept = default;
    ~DirBuffer() { Reset(); }
    DirBuffer(const DirBuffer&) = delete;
    DirBuffer& operator=(const DirBuffer&) = delete;

    // AllocDirBuffer; the library's result (0 on success).
    std::int32_t Allocate(std::uint32_t size) noexcept;
    void Reset() noexcept;
    HALVET_BUFFER* Get() const noexcept { return buffer_; }
    explicit operator bool() const noexcept { return buffer_ != nullptr; }

private:
    HALVET_BUFFER* buffer_ = nullptr;
};

class DirSession {
public:
    // With kNoContext a new context is created; otherwise the given one is
    // duplicated (the caller keeps and frees its own).
    explicit DirSession(std::int32_t context = kNoContext);
    ~DirSession();
    DirSession(const DirSession&) = delete;
    DirSession& operator=(const DirSession&) = delete;

    bool Ready() const { return ready_; }
    std::int32_t Context() const { return context_; }
    std::int32_t LastError() const { return lastError_; }

    // Key 1: read the flags, OR in bits, write them back.
    bool SetFlags(std::uint32_t bits);
    // Key 3 ("[Root]" is the tree root) and key 11.
    bool SetNameContext(const std::string& text);
    bool SetTree(const std::string& text);
    // Entry flags and base class of name; nameOut (may be null) receives the
    // object's absolute name.
    bool ReadObjectInfo(const std::string& name, std::string* nameOut, DirObjectInfoOut* info);
    // Null when the session is not ready or memory fails. An iterator that
    // is made but could not prepare its buffers is returned not ready.
    std::unique_ptr<DirIterator> NewIterator(std::uint32_t operation, std::uint32_t infoType,
                                             std::uint32_t bufferSize);

private:
    friend class DirIterator;
    void Start(std::int32_t source);
    void FreeContext();

    bool ready_ = false;
    std::int32_t context_ = kNoContext;
    std::int32_t lastError_ = 0;
};

// One iterating request (list, read, attribute or class definitions) with
// its request and reply buffers.
class DirIterator {
public:
    DirIterator(DirSession& session, std::uint32_t operation, std::uint32_t infoType,
                std::uint32_t bufferSize);
    ~DirIterator();
    DirIterator(const DirIterator&) = delete;
    DirIterator& operator=(const DirIterator&) = delete;

    // Sends the request (the next one of a running iteration) and reads how
    // many entries the reply holds. List: name is the container ("" = the
    // name context). Read: name is the object; null records -314. Attribute
    // and class definitions: every definition; the information type must be
    // 0 or 1 (else -641), and a reply too small for one definition (-649)
    // releases the buffers. True when no error occurred and the reply holds
    // at least one entry. A name other than the running iteration's ends
    // that iteration and starts anew.
    bool Fetch(const char* name);
    // List only: the next object, asking for the next reply when the current
    // one is used up and the directory has more. False at the end. Any out
    // pointer may be null.
    bool NextObject(std::string* nameOut, std::uint32_t* attrCountOut, DirObjectInfoOut* infoOut);
    // Ends a running iteration and frees the buffers; not ready afterwards.
    void Close();

    bool Ready() const { return ready_; }
    std::int32_t LastError() const { return lastError_; }
    std::uint32_t Operation() const { return operation_; }
    std::uint32_t InfoType() const { return infoType_; }
    std::uint32_t BufferSize() const { return bufferSize_; }
    std::int32_t Iteration() const { return iteration_; }
    std::uint32_t Remaining() const { return remaining_; }
    bool First() const { return first_; }
    const std::string& Name() const { return name_; }
    // The reply of the last request, for the library's readers (GetAttrName,
    // GetClassDef, ...); null once closed.
    HALVET_BUFFER* Reply() const { return reply_.Get(); }
    HALVET_BUFFER* Request() const { return request_.Get(); }
    std::int32_t Context() const { return session_.context_; }

private:
    bool Record(std::int32_t result);

    DirSession& session_;
    bool ready_ = false;
    std::int32_t lastError_ = 0;
    std::uint32_t bufferSize_ = kDirDefaultBufferSize;
    std::uint32_t infoType_ = 0;
    std::uint32_t operation_ = 0;
    DirBuffer request_;
    DirBuffer reply_;
    std::int32_t iteration_ = -1;
    bool first_ = true;
    std::int32_t allSwitch_ = 0;
    std::uint32_t remaining_ = 0;
    std::string name_;
};

// Item flags from the directory's entry flags (alias 0x01, partition root
// 0x02, container 0x04, container alias 0x08).
std::uint32_t ItemFlagsFromEntryFlags(std::uint32_t entryFlags);

// The children of a directory container (not a folder, not the root) as
// records, in the directory's order; objects whose class has no entry in the
// table are left out, as are objects whose name cannot be one label of a
// Path (empty, a ".", longer than 127 bytes) or whose Path would not fit the
// 1024-byte work buffer. True when the container could be listed, however
// many objects came back; false (list empty) when the directory cannot be
// reached, the tree or container is unknown, or a request fails.
bool ListChildren(const ItemRecord& container, ClassHandlerTable& classes,
                  std::vector<ItemRecord>* children);

// Completes a stored shortcut without a Class from the directory (Class and
// the container/alias/partition-root flags). False (record unchanged) when
// the object cannot be read.
bool CompleteShortcut(ItemRecord* record);

// Results of RegisterTreeOfServer.
enum RegisterTreeResult : int {
    REGISTER_TREE_OK = 0,          // found, stored under "Trees"
    REGISTER_TREE_NO_SERVER = 1,   // no server name, or no connection to it
    REGISTER_TREE_NO_TREE = 2,     // the server reports no tree name
};

// Locates the tree that server belongs to and stores it under HKCU
// "Software\Halvet\Orrel Namespace\Trees" (value: the tree name without its
// "_" padding, data: server). treeOut (may be null) receives the tree name
// on success.
int RegisterTreeOfServer(const std::string& server, std::string* treeOut = nullptr);

}  // namespace orrel
