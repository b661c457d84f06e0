// The namespace core's access to the directory: one directory context with
// the client libraries initialised (DirSession), one iterating request with
// its buffers (DirIterator), and the three directory tasks of the core:
// listing a container, completing a stored shortcut, locating the tree of a
// server. Callers see true/false; library errors stay in lastError.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "orrel/core/itemrecord.h"

namespace orrel {

class ClassHandlerTable;
class DirIterator;

constexpr std::int32_t kNoContext = -328;

struct DirObjectInfoOut {
    std::uint32_t entryFlags = 0;
    std::string baseClass;
};

class DirSession {
public:
    // With kNoContext a new context is created; otherwise the given one is
    // duplicated.
    explicit DirSession(std::int32_t context = kNoContext);
    ~DirSession();
    DirSession(const DirSession&) = delete;
    DirSession& operator=(const DirSession&) = delete;

    bool Ready() const { return ready_; }
    std::int32_t Context() const { return context_; }
    std::int32_t LastError() const { return lastError_; }

    bool SetFlags(std::uint32_t bits);
    bool SetNameContext(const std::string& text);
    bool SetTree(const std::string& text);
    bool ReadObjectInfo(const std::string& name, std::string* nameOut, DirObjectInfoOut* info);
    // Null when the session is not ready or memory fails.
    std::unique_ptr<DirIterator> NewIterator(std::uint32_t operation, std::uint32_t infoType,
                                             std::uint32_t bufferSize);

private:
    friend class DirIterator;
    bool ready_ = false;
    std::int32_t context_ = kNoContext;
    std::int32_t lastError_ = 0;
};

// Item flags from the directory's entry flags (alias 0x01, partition root
// 0x02, container 0x04, container alias 0x08).
std::uint32_t ItemFlagsFromEntryFlags(std::uint32_t entryFlags);

// The children of a directory container (not a folder, not the root) as
// records; objects whose class has no entry in the table are left out. True
// when the listing could be made, however many objects came back.
bool ListChildren(const ItemRecord& container, ClassHandlerTable& classes,
                  std::vector<ItemRecord>* children);

// Completes a stored shortcut without a Class from the directory (Class and
// the container/alias/partition-root flags). False when the object cannot be read.
bool CompleteShortcut(ItemRecord* record);

// 0: the server's tree was found and stored under "Trees"; 1: no server name
// or no connection; 2: the tree name could not be read.
int RegisterTreeOfServer(const std::string& server);

}  // namespace orrel
