// DirSession and DirIterator over the directory client libraries, and the
// namespace core's three directory tasks built on them.
#include "orrel/core/dirsession.h"

#include <cstring>
#include <new>

#include <halvet/callclient.h>
#include <halvet/connclient.h>
#include <halvet/dirclient.h>
#include <halvet/localeclient.h>

#include "orrel/core/classhandlers.h"
#include "orrel/core/config.h"
#include "orrel/registry.h"

namespace orrel {

namespace {

constexpr char kRootName[] = "[Root]";
constexpr std::uint32_t kTreeInfoSize = 66;  // GetConnInfo key 4
constexpr std::size_t kMaxLabelBytes = 127;  // a count byte read as signed

// A C text inside a fixed buffer: up to its first zero, never past size.
std::string BoundedText(const char* text, std::size_t size)
{
    std::size_t n = 0;
    while (n < size && text[n]) ++n;
    return std::string(text, n);
}

void CopyInfo(const HALVET_OBJECT_INFO& raw, DirObjectInfoOut* out)
{
    out->entryFlags = raw.entryFlags;
    out->baseClass = BoundedText(raw.baseClass, sizeof raw.baseClass);
}

// One open connection to a server, closed on every path.
class ServerConn {
public:
    ServerConn() = default;
    ~ServerConn()
    {
        if (conn_ != HALVET_NO_CONN) CloseConn(conn_);
    }
    ServerConn(const ServerConn&) = delete;
    ServerConn& operator=(const ServerConn&) = delete;
    HALVET_CONN* Put() { return &conn_; }
    HALVET_CONN Get() const { return conn_; }

private:
    HALVET_CONN conn_ = HALVET_NO_CONN;
};

// The name a container's Path stands for, as a name context.
bool NameContextOf(const ItemRecord& record, std::string* base)
{
    if (!IsWellFormedPath(record.path)) return false;
    *base = DecodePath(record.path, false, '.');
    if (base->empty()) *base = kRootName;
    return true;
}

// Whether a name from the directory can stand as one label of a Path.
bool IsLabel(const std::string& name)
{
    return !name.empty() && name.size() <= kMaxLabelBytes &&
           name.find_first_of(".\\") == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// A session pointed at a tree and a name context, with the usual flags.
bool PrepareSession(DirSession& session, const std::string& tree, const std::string& nameContext)
{
    return session.Ready() && session.SetFlags(kContextFlags) && session.SetTree(tree) &&
           session.SetNameContext(nameContext);
}

bool ListChildrenUnguarded(const ItemRecord& container, ClassHandlerTable& classes,
                           std::vector<ItemRecord>* children)
{
    DirSession session;
    children->clear();
    children->shrink_to_fit();
    if (!session.Ready()) return false;

    std::string base;
    if (!NameContextOf(container, &base)) return false;
    // A context left on another tree or name would list the wrong objects.
    if (!PrepareSession(session, container.tree, base)) return false;

    std::unique_ptr<DirIterator> iterator = session.NewIterator(DIR_OP_LIST, 1, kDirListBufferSize);
    if (!iterator) return false;

    std::string name;
    DirObjectInfoOut info;
    while (iterator->NextObject(&name, nullptr, &info)) {
        if (!classes.FindClass(info.baseClass, false)) continue;
        if (!IsLabel(name)) continue;
        if (1 + name.size() + container.path.size() + 1 > kPathWorkBuffer) continue;
        ItemRecord child;
        child.displayName = name;
        child.path.reserve(1 + name.size() + container.path.size());
        child.path += static_cast<char>(name.size());
        child.path += name;
        child.path += container.path;
        child.className = info.baseClass;
        child.tree = container.tree;
        child.flags = ItemFlagsFromEntryFlags(info.entryFlags);
        children->push_back(std::move(child));
    }
    // The listing ends when the reply after the last one is read (-307); any
    // other error means the directory did not give the whole container.
    const std::int32_t end = iterator->LastError();
    const bool ready = iterator->Ready();
    iterator.reset();
    if (!ready || (end != HALVET_OK && end != HALVET_ERR_BUFFER_EMPTY)) {
        children->clear();
        return false;
    }
    return true;
}

bool CompleteShortcutUnguarded(ItemRecord* record)
{
    if (!IsWellFormedPath(record->path)) return false;
    DirSession session;
    if (!PrepareSession(session, record->tree, kRootName)) return false;
    DirObjectInfoOut info;
    if (!session.ReadObjectInfo("." + DecodePath(record->path, false, '.'), nullptr, &info))
        return false;
    if (info.baseClass.empty()) return false;
    record->className = info.baseClass;
    record->flags |= ItemFlagsFromEntryFlags(info.entryFlags);
    return true;
}

int RegisterTreeUnguarded(const std::string& server, std::string* treeOut)
{
    if (server.empty() || server.find('\0') != std::string::npos) return REGISTER_TREE_NO_SERVER;
    ServerConn conn;
    if (OpenConnByName(HALVET_NO_CONN, server.c_str(), HALVET_NAME_FORMAT_SERVER, HALVET_OPEN_CLAIMED,
                       HALVET_TRANSPORT_ANY, conn.Put()) != HALVET_OK ||
        conn.Get() == HALVET_NO_CONN)
        return REGISTER_TREE_NO_SERVER;

    char buffer[kTreeInfoSize] = {};
    if (GetConnInfo(conn.Get(), HALVET_CONN_INFO_TREE_NAME, sizeof buffer, buffer) != HALVET_OK)
        return REGISTER_TREE_NO_TREE;
    std::string tree = BoundedText(buffer, sizeof buffer);
    while (!tree.empty() && tree.back() == '_') tree.pop_back();
    if (tree.empty()) return REGISTER_TREE_NO_TREE;

    // The key normally exists from registration; made here when it does
    // not, so that a located tree is always recorded.
    RegKey trees;
    if (trees.Open(HKEY_CURRENT_USER, kTreesKey, KEY_SET_VALUE) != ERROR_SUCCESS)
        trees.Create(HKEY_CURRENT_USER, kTreesKey, KEY_SET_VALUE);
    if (trees) trees.SetString(tree.c_str(), server.c_str());
    if (treeOut) *treeOut = tree;
    return REGISTER_TREE_OK;
}

}  // namespace

// ---------------------------------------------------------------------------
// DirBuffer

std::int32_t DirBuffer::Allocate(std::uint32_t size) noexcept
{
    Reset();
    HALVET_BUFFER* buffer = nullptr;
    const std::int32_t rc = AllocDirBuffer(size, &buffer);
    if (rc == HALVET_OK) buffer_ = buffer;
    return buffer_ ? rc : (rc != HALVET_OK ? rc : HALVET_ERR_NOT_ENOUGH_MEMORY);
}

void DirBuffer::Reset() noexcept
{
    if (buffer_) FreeDirBuffer(buffer_);
    buffer_ = nullptr;
}

// ---------------------------------------------------------------------------
// DirSession

DirSession::DirSession(std::int32_t context)
{
    Start(context);
}

DirSession::~DirSession()
{
    FreeContext();
}

void DirSession::FreeContext()
{
    if (context_ != kNoContext) FreeDirContext(context_);
    context_ = kNoContext;
    ready_ = false;
}

void DirSession::Start(std::int32_t source)
{
    ready_ = false;
    // What the first three calls answer is not examined: the tables below
    // decide whether text can be converted.
    InitCallClient(nullptr, nullptr);
    SetLocale(0, "");
    HALVET_LOCALE_CONV conv{};
    GetLocaleConv(&conv);
    lastError_ = InitUnicodeTables(conv.country, conv.codePage);
    if (lastError_ != HALVET_OK) return;
    if (DirClientAvailable() == 0) return;

    FreeContext();
    HALVET_CONTEXT created = kNoContext;
    lastError_ = source == kNoContext ? CreateDirContext(&created)
                                      : DuplicateDirContext(source, &created);
    if (lastError_ != HALVET_OK || created == kNoContext) {
        if (lastError_ == HALVET_OK) lastError_ = HALVET_ERR_BAD_CONTEXT;
        context_ = kNoContext;
        return;
    }
    context_ = created;
    ready_ = true;
}

bool DirSession::SetFlags(std::uint32_t bits)
{
    if (!ready_) return false;
    std::uint32_t flags = 0;
    lastError_ = GetDirContextValue(context_, HALVET_CTX_KEY_FLAGS, &flags, sizeof flags);
    if (lastError_ != HALVET_OK) return false;
    flags |= bits;
    lastError_ = SetDirContextValue(context_, HALVET_CTX_KEY_FLAGS, &flags);
    return lastError_ == HALVET_OK;
}

bool DirSession::SetNameContext(const std::string& text)
{
    if (!ready_) return false;
    lastError_ = SetDirContextValue(context_, HALVET_CTX_KEY_NAME_CONTEXT, text.c_str());
    return lastError_ == HALVET_OK;
}

bool DirSession::SetTree(const std::string& text)
{
    if (!ready_) return false;
    lastError_ = SetDirContextValue(context_, HALVET_CTX_KEY_TREE_NAME, text.c_str());
    return lastError_ == HALVET_OK;
}

bool DirSession::ReadObjectInfo(const std::string& name, std::string* nameOut, DirObjectInfoOut* info)
{
    if (!ready_) return false;
    try {
        char buffer[kDirNameBufferSize] = {};
        HALVET_OBJECT_INFO raw{};
        lastError_ = ::ReadObjectInfo(context_, name.c_str(), buffer, sizeof buffer, &raw);
        if (lastError_ != HALVET_OK) return false;
        if (nameOut) *nameOut = BoundedText(buffer, sizeof buffer);
        if (info) CopyInfo(raw, info);
        return true;
    } catch (...) {
        return false;
    }
}

std::unique_ptr<DirIterator> DirSession::NewIterator(std::uint32_t operation, std::uint32_t infoType,
                                                     std::uint32_t bufferSize)
{
    if (!ready_) return nullptr;
    return std::unique_ptr<DirIterator>(new (std::nothrow)
                                            DirIterator(*this, operation, infoType, bufferSize));
}

// ---------------------------------------------------------------------------
// DirIterator

DirIterator::DirIterator(DirSession& session, std::uint32_t operation, std::uint32_t infoType,
                         std::uint32_t bufferSize)
    : session_(session), infoType_(infoType), operation_(operation)
{
    const bool definitions = operation == DIR_OP_ATTR_DEFS || operation == DIR_OP_CLASS_DEFS;
    if (!definitions) bufferSize_ = bufferSize;
    if (!session_.ready_) {
        lastError_ = HALVET_ERR_BAD_CONTEXT;
        return;
    }
    if (!Record(request_.Allocate(bufferSize_))) return;
    const bool replies = operation == DIR_OP_READ || operation == DIR_OP_LIST || definitions;
    if (replies && !Record(reply_.Allocate(bufferSize_))) {
        request_.Reset();
        return;
    }
    if (!Record(InitDirBuffer(operation_, request_.Get()))) {
        request_.Reset();
        reply_.Reset();
        return;
    }
    ready_ = true;
}

DirIterator::~DirIterator()
{
    Close();
}

bool DirIterator::Record(std::int32_t result)
{
    lastError_ = result;
    return result == HALVET_OK;
}

void DirIterator::Close()
{
    if (iteration_ != HALVET_NO_ITERATION && session_.context_ != kNoContext)
        CloseIteration(session_.context_, iteration_);
    iteration_ = HALVET_NO_ITERATION;
    request_.Reset();
    reply_.Reset();
    remaining_ = 0;
    ready_ = false;
}

bool DirIterator::Fetch(const char* name)
{
    if (!ready_ || !session_.ready_) return false;
    try {
        first_ = false;
        remaining_ = 0;
        const std::int32_t context = session_.context_;
        const std::int32_t all = !allSwitch_;
        switch (operation_) {
        case DIR_OP_LIST:
        case DIR_OP_READ: {
            if (!name) return Record(HALVET_ERR_NULL_POINTER);
            // A running iteration belongs to the name it was started for.
            if (iteration_ != HALVET_NO_ITERATION && name_ != name) {
                CloseIteration(context, iteration_);
                iteration_ = HALVET_NO_ITERATION;
            }
            name_ = name;
            if (operation_ == DIR_OP_LIST) {
                if (!Record(ListContainer(context, name_.c_str(), &iteration_, reply_.Get()))) break;
                Record(GetObjectCount(context, reply_.Get(), &remaining_));
            } else {
                if (!Record(::ReadObject(context, name_.c_str(), infoType_, all, request_.Get(),
                                         &iteration_, reply_.Get())))
                    break;
                Record(GetAttrCount(context, reply_.Get(), &remaining_));
            }
            break;
        }
        case DIR_OP_ATTR_DEFS:
        case DIR_OP_CLASS_DEFS: {
            if (infoType_ != 0 && infoType_ != 1) return Record(HALVET_ERR_INVALID_REQUEST);
            const bool attrs = operation_ == DIR_OP_ATTR_DEFS;
            const std::int32_t rc =
                attrs ? ReadAttrDef(context, infoType_, all, request_.Get(), &iteration_, reply_.Get())
                      : ReadClassDef(context, infoType_, all, request_.Get(), &iteration_, reply_.Get());
            if (rc == HALVET_ERR_BUFFER_TOO_SMALL) {
                lastError_ = rc;
                Close();  // keeps lastError
                return false;
            }
            if (!Record(rc)) break;
            Record(attrs ? GetAttrDefCount(context, reply_.Get(), &remaining_)
                         : GetClassDefCount(context, reply_.Get(), &remaining_));
            break;
        }
        default:
            return Record(HALVET_ERR_INVALID_REQUEST);
        }
        if (lastError_ != HALVET_OK) remaining_ = 0;
        return lastError_ == HALVET_OK && remaining_ > 0;
    } catch (...) {
        remaining_ = 0;
        lastError_ = HALVET_ERR_NOT_ENOUGH_MEMORY;
        return false;
    }
}

bool DirIterator::NextObject(std::string* nameOut, std::uint32_t* attrCountOut, DirObjectInfoOut* infoOut)
{
    if (!ready_ || !session_.ready_) return false;
    if (operation_ != DIR_OP_LIST) return Record(HALVET_ERR_INVALID_REQUEST);
    if (first_ || (remaining_ == 0 && iteration_ != HALVET_NO_ITERATION)) {
        const std::string kept = name_;
        // A failed request ends the listing with its error; an empty reply
        // ends it with the read below.
        if (!Fetch(kept.c_str()) && lastError_ != HALVET_OK) return false;
    }
    try {
        char buffer[kDirNameBufferSize] = {};
        std::uint32_t attrCount = 0;
        HALVET_OBJECT_INFO raw{};
        if (!Record(GetObjectName(session_.context_, reply_.Get(), buffer, sizeof buffer, &attrCount, &raw)))
            return false;
        if (remaining_ > 0) --remaining_;
        if (nameOut) *nameOut = BoundedText(buffer, sizeof buffer);
        if (attrCountOut) *attrCountOut = attrCount;
        if (infoOut) CopyInfo(raw, infoOut);
        return true;
    } catch (...) {
        lastError_ = HALVET_ERR_NOT_ENOUGH_MEMORY;
        return false;
    }
}

// ---------------------------------------------------------------------------
// The namespace core's directory tasks

std::uint32_t ItemFlagsFromEntryFlags(std::uint32_t entryFlags)
{
    std::uint32_t flags = 0;
    if (entryFlags & (HALVET_ENTRY_CONTAINER | HALVET_ENTRY_CONTAINER_ALIAS)) flags |= ITEM_CONTAINER;
    if (entryFlags & (HALVET_ENTRY_ALIAS | HALVET_ENTRY_CONTAINER_ALIAS)) flags |= ITEM_ALIAS;
    if (entryFlags & HALVET_ENTRY_PARTITION_ROOT) flags |= ITEM_PARTITION_ROOT;
    return flags;
}

bool ListChildren(const ItemRecord& container, ClassHandlerTable& classes,
                  std::vector<ItemRecord>* children)
{
    if (!children) return false;
    try {
        return ListChildrenUnguarded(container, classes, children);
    } catch (...) {
        children->clear();
        return false;
    }
}

bool CompleteShortcut(ItemRecord* record)
{
    if (!record) return false;
    try {
        ItemRecord completed = *record;
        if (!CompleteShortcutUnguarded(&completed)) return false;
        *record = std::move(completed);
        return true;
    } catch (...) {
        return false;
    }
}

int RegisterTreeOfServer(const std::string& server, std::string* treeOut)
{
    try {
        return RegisterTreeUnguarded(server, treeOut);
    } catch (...) {
        return REGISTER_TREE_NO_SERVER;
    }
}

}  // namespace orrel
