// HalvetDirClient stand-in: directory contexts, request and reply buffers,
// iterations, and the directory operations over the shared image.
#include <windows.h>

#include <ctime>
#include <map>
#include <mutex>
#include <new>
#include <set>

#include <halvet/connclient.h>
#include <halvet/dirclient.h>

#include "imagefile.h"
#include "ldapmap.h"
#include "ldapsource.h"
#include "names.h"
#include "store.h"
#include "values.h"

using namespace orrel::dirstore;
namespace ldapsource = orrel::ldapsource;

namespace {

constexpr uint32_t kBufferMagic = 0x48564246;  // "HVBF"
constexpr size_t kReplyHeader = 16;

size_t Align4(size_t n) { return (n + 3) & ~size_t(3); }
size_t ListEntryCost(const ListEntry& e) { return 16 + Align4(e.label.size() + 1) + 36 + 4; }
size_t AttrHeaderCost(const std::string& name) { return 4 + Align4(name.size() + 1) + 8; }
size_t ValueCost(const Value& v) { return 4 + Align4(RecordSize(v)); }
size_t NameCost(const std::string& n) { return 4 + Align4(n.size() + 1); }

struct ReplyAttr {
    std::string name;
    uint32_t syntax = 0;
    std::vector<Value> values;
};

enum class ReplyKind { None, List, Read, ClassDefs, AttrDefs };

struct Context {
    std::string tree;
    std::string nameContext;  // canonical; "" = [Root]
    uint32_t flags = 0;
};

// The full answer of an iterating request, handed out reply by reply.
struct Iteration {
    ReplyKind kind = ReplyKind::None;
    bool full = true;  // values or whole definitions (else names only)
    std::vector<ListEntry> entries;
    std::vector<ReplyAttr> attrs;
    std::vector<ClassDef> classes;
    std::vector<AttrDef> attrDefs;
    size_t pos = 0;
    size_t valuePos = 0;
    // A listing an LDAP server streams page by page into entries.
    std::shared_ptr<ldapsource::Listing> live;
    bool liveMore = false;
};

}  // namespace

struct HALVET_BUFFER {
    uint32_t magic = kBufferMagic;
    uint32_t size = 0;
    uint32_t operation = 0;
    // Request contents.
    std::vector<std::string> names;
    std::vector<Change> changes;
    size_t requestBytes = 0;
    // Reply contents and the reader's position in them.
    ReplyKind kind = ReplyKind::None;
    bool full = true;
    std::vector<ListEntry> entries;
    std::vector<ReplyAttr> attrs;
    std::vector<ClassDef> classes;
    std::vector<AttrDef> attrDefs;
    size_t next = 0;        // next entry, attribute or definition to hand out
    size_t valuePos = 0;    // next value of the current attribute
    int itemList = -1;      // current item list of the current class
    size_t itemPos = 0;

    void ClearReply(ReplyKind newKind)
    {
        kind = newKind;
        entries.clear();
        attrs.clear();
        classes.clear();
        attrDefs.clear();
        next = 0;
        valuePos = 0;
        itemList = -1;
        itemPos = 0;
    }
};

namespace {

std::recursive_mutex g_lock;
std::map<int32_t, Context> g_contexts;
int32_t g_nextContext = 1;
std::set<HALVET_BUFFER*> g_buffers;
std::map<int32_t, Iteration> g_iterations;
int32_t g_nextIteration = 1;

template <typename Fn>
int32_t Guarded(Fn fn)
{
    try {
        std::lock_guard<std::recursive_mutex> guard(g_lock);
        return fn();
    } catch (const std::bad_alloc&) {
        return HALVET_ERR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return HALVET_ERR_FATAL;
    }
}

Context* FindContext(HALVET_CONTEXT context)
{
    auto it = g_contexts.find(context);
    return it == g_contexts.end() ? nullptr : &it->second;
}

bool LiveBuffer(HALVET_BUFFER* buffer)
{
    return buffer && g_buffers.count(buffer) && buffer->magic == kBufferMagic;
}

int32_t CopyText(const std::string& text, char* out, uint32_t size)
{
    if (!out) return HALVET_ERR_NULL_POINTER;
    if (text.size() + 1 > size) {
        if (size) out[0] = 0;
        return HALVET_ERR_BUFFER_TOO_SMALL;
    }
    memcpy(out, text.c_str(), text.size() + 1);
    return HALVET_OK;
}

// Reads a caller's name argument, at most kMaxNameChars + 2 bytes.
int32_t ReadName(const char* name, std::string& out)
{
    if (!name) return HALVET_ERR_NULL_POINTER;
    size_t n = 0;
    while (n <= kMaxNameChars + 1 && name[n]) ++n;
    if (n > kMaxNameChars + 1) return HALVET_ERR_ILLEGAL_NAME;
    out.assign(name, n);
    return HALVET_OK;
}

// The image and the context's tree in it.
int32_t Open(const Context& ctx, std::shared_ptr<const Image>& image, const Tree*& tree)
{
    int32_t rc = SharedImageGet(image);
    if (rc != HALVET_OK) return rc;
    tree = image->FindTree(ctx.tree);
    return tree ? HALVET_OK : HALVET_ERR_NO_SUCH_TREE;
}

int32_t LocateIn(const Context& ctx, const Tree& tree, const char* name, bool deref, std::string& full)
{
    std::string text;
    int32_t rc = ReadName(name, text);
    if (rc != HALVET_OK) return rc;
    return Locate(tree, ctx.nameContext, text, deref && (ctx.flags & HALVET_CTX_FLAG_DEREF_ALIASES), full);
}

std::string Absolute(const std::string& full)
{
    return full.empty() ? std::string(HALVET_ROOT_NAME) : "." + full;
}

bool SecondIdentity()
{
    return ImageStore::SecondIdentity();
}

// The LDAP server that serves a tree, when one does (else the image does).
bool ServedByLdap(const Image& image, const Tree& tree, ldapsource::Config& config)
{
    if (!ldapsource::ConfigOf(image, tree, SecondIdentity(), config)) return false;
    ldapsource::SendClosedStreams(config);
    return true;
}

// A caller's name resolved on an LDAP server to the full name of an object,
// through aliases when the context says so.
int32_t LocateOnLdap(const ldapsource::Config& config, const Context& ctx, const char* name, std::string& full)
{
    std::string text;
    int32_t rc = ReadName(name, text);
    if (rc != HALVET_OK) return rc;
    return ldapsource::Locate(config, ctx.nameContext, text, (ctx.flags & HALVET_CTX_FLAG_DEREF_ALIASES) != 0, full);
}

// Hands out the next reply of an iteration; creates or ends the handle.
int32_t FillReply(Iteration& it, HALVET_BUFFER* reply, HALVET_ITERATION* handle, int32_t existing)
{
    reply->ClearReply(it.kind);
    reply->full = it.full;
    const size_t cap = reply->size > kReplyHeader ? reply->size - kReplyHeader : 0;
    size_t used = 0;
    bool more = false;
    switch (it.kind) {
    case ReplyKind::List:
        for (;;) {
            while (it.pos < it.entries.size()) {
                size_t cost = ListEntryCost(it.entries[it.pos]);
                if (used + cost > cap) break;
                used += cost;
                reply->entries.push_back(it.entries[it.pos++]);
            }
            if (it.pos < it.entries.size() || !it.live || !it.liveMore) break;
            // The server's next page, once this one is handed out.
            it.entries.clear();
            it.pos = 0;
            int32_t rc = ldapsource::NextPage(*it.live, it.entries, it.liveMore);
            if (rc != HALVET_OK) return rc;
        }
        if (reply->entries.empty() && it.pos < it.entries.size()) return HALVET_ERR_BUFFER_TOO_SMALL;
        more = it.pos < it.entries.size() || (it.live && it.liveMore);
        break;
    case ReplyKind::Read:
        while (it.pos < it.attrs.size()) {
            const ReplyAttr& a = it.attrs[it.pos];
            size_t header = AttrHeaderCost(a.name);
            if (!it.full || a.values.empty()) {
                if (used + header > cap) break;
                used += header;
                reply->attrs.push_back(ReplyAttr{a.name, a.syntax, {}});
                ++it.pos;
                continue;
            }
            if (used + header + ValueCost(a.values[it.valuePos]) > cap) break;
            used += header;
            ReplyAttr part{a.name, a.syntax, {}};
            while (it.valuePos < a.values.size() && used + ValueCost(a.values[it.valuePos]) <= cap) {
                used += ValueCost(a.values[it.valuePos]);
                part.values.push_back(a.values[it.valuePos++]);
            }
            reply->attrs.push_back(std::move(part));
            if (it.valuePos < a.values.size()) break;  // the rest in the next reply
            ++it.pos;
            it.valuePos = 0;
        }
        if (reply->attrs.empty() && it.pos < it.attrs.size()) return HALVET_ERR_BUFFER_TOO_SMALL;
        more = it.pos < it.attrs.size();
        break;
    case ReplyKind::ClassDefs:
        while (it.pos < it.classes.size()) {
            const ClassDef& c = it.classes[it.pos];
            size_t cost = NameCost(c.name) + 4;
            if (it.full)
                for (const auto& list : c.lists) {
                    cost += 4;
                    for (const std::string& n : list) cost += NameCost(n);
                }
            if (used + cost > cap) break;
            used += cost;
            reply->classes.push_back(it.classes[it.pos++]);
        }
        if (reply->classes.empty() && it.pos < it.classes.size()) return HALVET_ERR_BUFFER_TOO_SMALL;
        more = it.pos < it.classes.size();
        break;
    case ReplyKind::AttrDefs:
        while (it.pos < it.attrDefs.size()) {
            size_t cost = NameCost(it.attrDefs[it.pos].name) + (it.full ? 16 : 0);
            if (used + cost > cap) break;
            used += cost;
            reply->attrDefs.push_back(it.attrDefs[it.pos++]);
        }
        if (reply->attrDefs.empty() && it.pos < it.attrDefs.size()) return HALVET_ERR_BUFFER_TOO_SMALL;
        more = it.pos < it.attrDefs.size();
        break;
    case ReplyKind::None:
        break;
    }
    if (more) {
        int32_t id = existing;
        if (id < 0) {
            id = g_nextIteration++;
            if (g_nextIteration <= 0) g_nextIteration = 1;
            g_iterations[id] = std::move(it);
        }
        *handle = id;
    } else {
        if (existing >= 0) g_iterations.erase(existing);
        *handle = HALVET_NO_ITERATION;
    }
    return HALVET_OK;
}

// Runs an iterating request: continues a live handle, or starts a new one
// from what start() gathers.
template <typename Start>
int32_t Iterate(ReplyKind kind, HALVET_ITERATION* handle, HALVET_BUFFER* reply, Start start)
{
    if (!handle) return HALVET_ERR_NULL_POINTER;
    if (!LiveBuffer(reply)) return HALVET_ERR_BAD_BUFFER;
    if (*handle != HALVET_NO_ITERATION) {
        auto found = g_iterations.find(*handle);
        if (found == g_iterations.end() || found->second.kind != kind) return HALVET_ERR_BAD_ITERATION;
        int32_t rc = FillReply(found->second, reply, handle, found->first);
        if (rc != HALVET_OK) {
            g_iterations.erase(found);
            *handle = HALVET_NO_ITERATION;
        }
        return rc;
    }
    Iteration it;
    it.kind = kind;
    int32_t rc = start(it);
    if (rc != HALVET_OK) {
        reply->ClearReply(kind);
        return rc;
    }
    return FillReply(it, reply, handle, -1);
}

}  // namespace

// ---------------------------------------------------------------------------
// Availability and contexts

extern "C" int32_t DirClientAvailable(void)
{
    int32_t rc = Guarded([] {
        std::shared_ptr<const Image> image;
        return SharedImageGet(image);
    });
    return rc == HALVET_OK ? 1 : 0;
}

extern "C" int32_t CreateDirContext(HALVET_CONTEXT* context)
{
    if (!context) return HALVET_ERR_NULL_POINTER;
    *context = HALVET_NO_CONTEXT;
    return Guarded([&] {
        std::shared_ptr<const Image> image;
        int32_t rc = SharedImageGet(image);
        if (rc != HALVET_OK) return rc;
        Context ctx;
        ctx.tree = image->workstation.defaultTree;
        int32_t id = g_nextContext++;
        if (g_nextContext <= 0) g_nextContext = 1;
        g_contexts[id] = ctx;
        *context = id;
        return HALVET_OK;
    });
}

extern "C" int32_t DuplicateDirContext(HALVET_CONTEXT source, HALVET_CONTEXT* context)
{
    if (!context) return HALVET_ERR_NULL_POINTER;
    *context = HALVET_NO_CONTEXT;
    return Guarded([&] {
        Context* src = FindContext(source);
        if (!src) return HALVET_ERR_BAD_CONTEXT;
        Context copy = *src;
        int32_t id = g_nextContext++;
        if (g_nextContext <= 0) g_nextContext = 1;
        g_contexts[id] = copy;
        *context = id;
        return HALVET_OK;
    });
}

extern "C" int32_t FreeDirContext(HALVET_CONTEXT context)
{
    return Guarded([&] { return g_contexts.erase(context) ? HALVET_OK : HALVET_ERR_BAD_CONTEXT; });
}

extern "C" int32_t GetDirContextValue(HALVET_CONTEXT context, uint32_t key, void* value, uint32_t size)
{
    return Guarded([&] {
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        if (!value) return HALVET_ERR_NULL_POINTER;
        switch (key) {
        case HALVET_CTX_KEY_FLAGS:
            if (size < sizeof(uint32_t)) return HALVET_ERR_BUFFER_TOO_SMALL;
            memcpy(value, &ctx->flags, sizeof(uint32_t));
            return HALVET_OK;
        case HALVET_CTX_KEY_NAME_CONTEXT:
            return CopyText(ctx->nameContext.empty() ? std::string(HALVET_ROOT_NAME) : ctx->nameContext,
                            static_cast<char*>(value), size);
        case HALVET_CTX_KEY_TREE_NAME:
            return CopyText(ctx->tree, static_cast<char*>(value), size);
        default:
            return HALVET_ERR_BAD_KEY;
        }
    });
}

extern "C" int32_t SetDirContextValue(HALVET_CONTEXT context, uint32_t key, const void* value)
{
    return Guarded([&] {
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        if (!value) return HALVET_ERR_NULL_POINTER;
        switch (key) {
        case HALVET_CTX_KEY_FLAGS:
            memcpy(&ctx->flags, value, sizeof(uint32_t));
            return HALVET_OK;
        case HALVET_CTX_KEY_NAME_CONTEXT: {
            std::string text, full;
            int32_t rc = ReadName(static_cast<const char*>(value), text);
            if (rc != HALVET_OK) return rc;
            // A name context is a full name; a leading "." is allowed.
            if (!text.empty() && text[0] != '.' && !IsRootName(text)) text = "." + text;
            if (text.empty()) text = HALVET_ROOT_NAME;
            rc = ResolveName(text, "", full);
            if (rc != HALVET_OK) return rc;
            ctx->nameContext = full;
            return HALVET_OK;
        }
        case HALVET_CTX_KEY_TREE_NAME: {
            std::string text;
            int32_t rc = ReadName(static_cast<const char*>(value), text);
            if (rc != HALVET_OK) return rc;
            std::shared_ptr<const Image> image;
            rc = SharedImageGet(image);
            if (rc != HALVET_OK) return rc;
            const Tree* tree = image->FindTree(text);
            if (!tree) return HALVET_ERR_NO_SUCH_TREE;
            ctx->tree = tree->name;
            return HALVET_OK;
        }
        default:
            return HALVET_ERR_BAD_KEY;
        }
    });
}

extern "C" int32_t WhoAmI(HALVET_CONTEXT context, char* name, uint32_t size)
{
    return Guarded([&] {
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        if (!name) return HALVET_ERR_NULL_POINTER;
        std::shared_ptr<const Image> image;
        const Tree* tree = nullptr;
        int32_t rc = Open(*ctx, image, tree);
        if (rc != HALVET_OK) return rc;
        ldapsource::Config ldap;
        if (ServedByLdap(*image, *tree, ldap)) {
            std::string bound;
            rc = ldapsource::WhoAmI(ldap, bound);
            if (rc != HALVET_OK) return rc;
            if (bound.empty()) return HALVET_ERR_NOT_ATTACHED;
            return CopyText("." + bound, name, size);
        }
        std::string who = image->IdentityOf(tree->name, SecondIdentity());
        if (who.empty()) return HALVET_ERR_NOT_ATTACHED;
        return CopyText("." + who, name, size);
    });
}

// ---------------------------------------------------------------------------
// Buffers

extern "C" int32_t AllocDirBuffer(uint32_t size, HALVET_BUFFER** buffer)
{
    if (!buffer) return HALVET_ERR_NULL_POINTER;
    *buffer = nullptr;
    if (size < HALVET_MIN_BUFFER_SIZE || size > HALVET_MAX_BUFFER_SIZE) return HALVET_ERR_INVALID_REQUEST;
    return Guarded([&] {
        HALVET_BUFFER* b = new (std::nothrow) HALVET_BUFFER;
        if (!b) return HALVET_ERR_NOT_ENOUGH_MEMORY;
        b->size = size;
        g_buffers.insert(b);
        *buffer = b;
        return HALVET_OK;
    });
}

extern "C" int32_t InitDirBuffer(uint32_t operation, HALVET_BUFFER* buffer)
{
    return Guarded([&] {
        if (!LiveBuffer(buffer)) return HALVET_ERR_BAD_BUFFER;
        switch (operation) {
        case HALVET_OP_READ: case HALVET_OP_LIST: case HALVET_OP_MODIFY:
        case HALVET_OP_ATTR_DEFS: case HALVET_OP_CLASS_DEFS:
            break;
        default:
            return HALVET_ERR_INVALID_REQUEST;
        }
        buffer->operation = operation;
        buffer->names.clear();
        buffer->changes.clear();
        buffer->requestBytes = kReplyHeader;
        buffer->ClearReply(ReplyKind::None);
        return HALVET_OK;
    });
}

extern "C" int32_t FreeDirBuffer(HALVET_BUFFER* buffer)
{
    return Guarded([&] {
        if (!LiveBuffer(buffer)) return HALVET_ERR_BAD_BUFFER;
        g_buffers.erase(buffer);
        buffer->magic = 0;
        delete buffer;
        return HALVET_OK;
    });
}

// ---------------------------------------------------------------------------
// Listing

static int32_t ListImpl(HALVET_CONTEXT context, const char* container, const char* className,
                        const char* nameFilter, HALVET_ITERATION* iteration, HALVET_BUFFER* reply)
{
    return Guarded([&] {
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        return Iterate(ReplyKind::List, iteration, reply, [&](Iteration& it) {
            std::shared_ptr<const Image> image;
            const Tree* tree = nullptr;
            int32_t rc = Open(*ctx, image, tree);
            if (rc != HALVET_OK) return rc;
            std::string full, cls, pattern;
            if (className && ReadName(className, cls) != HALVET_OK) return HALVET_ERR_INVALID_REQUEST;
            if (nameFilter && ReadName(nameFilter, pattern) != HALVET_OK) return HALVET_ERR_INVALID_REQUEST;
            ldapsource::Config ldap;
            if (ServedByLdap(*image, *tree, ldap)) {
                rc = LocateOnLdap(ldap, *ctx, container, full);
                if (rc == HALVET_OK) rc = ldapsource::StartListing(ldap, full, cls, pattern, it.live);
                if (rc == HALVET_OK) rc = ldapsource::NextPage(*it.live, it.entries, it.liveMore);
                return rc;
            }
            rc = LocateIn(*ctx, *tree, container, true, full);
            if (rc != HALVET_OK) return rc;
            it.entries = ListChildren(*tree, full, cls, pattern);
            return HALVET_OK;
        });
    });
}

extern "C" int32_t ListContainer(HALVET_CONTEXT context, const char* container, HALVET_ITERATION* iteration,
                                 HALVET_BUFFER* reply)
{
    return ListImpl(context, container, nullptr, nullptr, iteration, reply);
}

extern "C" int32_t ListByClass(HALVET_CONTEXT context, const char* container, const char* className,
                               const char* nameFilter, HALVET_ITERATION* iteration, HALVET_BUFFER* reply)
{
    return ListImpl(context, container, className, nameFilter, iteration, reply);
}

// Checks the context and that the buffer holds a reply of the kind.
static int32_t ReplyOf(HALVET_CONTEXT context, HALVET_BUFFER* reply, ReplyKind kind)
{
    if (!FindContext(context)) return HALVET_ERR_BAD_CONTEXT;
    if (!LiveBuffer(reply)) return HALVET_ERR_BAD_BUFFER;
    if (reply->kind != kind) return HALVET_ERR_BAD_BUFFER;
    return HALVET_OK;
}

extern "C" int32_t GetObjectCount(HALVET_CONTEXT context, HALVET_BUFFER* reply, uint32_t* count)
{
    return Guarded([&] {
        if (!count) return HALVET_ERR_NULL_POINTER;
        int32_t rc = ReplyOf(context, reply, ReplyKind::List);
        if (rc != HALVET_OK) return rc;
        *count = static_cast<uint32_t>(reply->entries.size());
        return HALVET_OK;
    });
}

extern "C" int32_t GetObjectName(HALVET_CONTEXT context, HALVET_BUFFER* reply, char* name, uint32_t nameSize,
                                 uint32_t* attrCount, HALVET_OBJECT_INFO* info)
{
    return Guarded([&] {
        if (!name) return HALVET_ERR_NULL_POINTER;
        int32_t rc = ReplyOf(context, reply, ReplyKind::List);
        if (rc != HALVET_OK) return rc;
        if (reply->next >= reply->entries.size()) return HALVET_ERR_BUFFER_EMPTY;
        const ListEntry& e = reply->entries[reply->next];
        rc = CopyText(e.label, name, nameSize);
        if (rc != HALVET_OK) return rc;
        ++reply->next;
        if (attrCount) *attrCount = e.attrCount;
        if (info) {
            memset(info, 0, sizeof(*info));
            info->entryFlags = e.info.entryFlags;
            info->subordinateCount = e.info.subordinateCount;
            info->modificationTime = e.info.modificationTime;
            lstrcpynA(info->baseClass, e.info.baseClass.c_str(), sizeof(info->baseClass));
        }
        return HALVET_OK;
    });
}

// ---------------------------------------------------------------------------
// Reading

extern "C" int32_t PutAttrName(HALVET_CONTEXT context, HALVET_BUFFER* request, const char* name)
{
    return Guarded([&] {
        if (!FindContext(context)) return HALVET_ERR_BAD_CONTEXT;
        if (!LiveBuffer(request)) return HALVET_ERR_BAD_BUFFER;
        if (!name) return HALVET_ERR_NULL_POINTER;
        if (request->operation != HALVET_OP_READ && request->operation != HALVET_OP_ATTR_DEFS &&
            request->operation != HALVET_OP_CLASS_DEFS)
            return HALVET_ERR_BAD_BUFFER;
        std::string text;
        if (ReadName(name, text) != HALVET_OK || !IsValidSchemaName(text)) return HALVET_ERR_INVALID_REQUEST;
        size_t cost = NameCost(text);
        if (request->requestBytes + cost > request->size) return HALVET_ERR_BUFFER_FULL;
        request->requestBytes += cost;
        request->names.push_back(text);
        return HALVET_OK;
    });
}

extern "C" int32_t ReadObject(HALVET_CONTEXT context, const char* object, uint32_t infoType, int32_t allAttributes,
                              HALVET_BUFFER* request, HALVET_ITERATION* iteration, HALVET_BUFFER* reply)
{
    return Guarded([&] {
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        return Iterate(ReplyKind::Read, iteration, reply, [&](Iteration& it) {
            if (infoType != HALVET_INFO_NAMES && infoType != HALVET_INFO_NAMES_AND_VALUES)
                return HALVET_ERR_INVALID_REQUEST;
            if (!allAttributes) {
                if (!LiveBuffer(request)) return request ? HALVET_ERR_BAD_BUFFER : HALVET_ERR_NULL_POINTER;
                if (request->operation != HALVET_OP_READ) return HALVET_ERR_BAD_BUFFER;
            }
            std::shared_ptr<const Image> image;
            const Tree* tree = nullptr;
            int32_t rc = Open(*ctx, image, tree);
            if (rc != HALVET_OK) return rc;
            std::string full;
            it.full = infoType == HALVET_INFO_NAMES_AND_VALUES;
            ldapsource::Config ldap;
            if (ServedByLdap(*image, *tree, ldap)) {
                rc = LocateOnLdap(ldap, *ctx, object, full);
                if (rc != HALVET_OK || full.empty()) return rc;
                std::vector<ldapsource::Attr> attrs;
                rc = ldapsource::ReadAttrs(ldap, full, allAttributes ? nullptr : &request->names, attrs);
                if (rc != HALVET_OK) return rc;
                for (ldapsource::Attr& a : attrs) {
                    ReplyAttr r{a.name, a.syntax, {}};
                    if (it.full) r.values = std::move(a.values);
                    it.attrs.push_back(std::move(r));
                }
                return HALVET_OK;
            }
            rc = LocateIn(*ctx, *tree, object, true, full);
            if (rc != HALVET_OK) return rc;
            const Object* o = tree->FindObject(full);
            if (!o) return HALVET_OK;  // the root holds no attributes
            auto add = [&](const Attribute& a) {
                const AttrDef* def = tree->FindAttr(a.name);
                ReplyAttr r{a.name, def ? def->syntax : 0u, {}};
                if (it.full) r.values = a.values;
                it.attrs.push_back(std::move(r));
            };
            if (allAttributes) {
                for (const Attribute& a : o->attrs) add(a);
            } else {
                for (const std::string& n : request->names)
                    if (const Attribute* a = o->Find(n)) add(*a);
            }
            return HALVET_OK;
        });
    });
}

extern "C" int32_t GetAttrCount(HALVET_CONTEXT context, HALVET_BUFFER* reply, uint32_t* count)
{
    return Guarded([&] {
        if (!count) return HALVET_ERR_NULL_POINTER;
        int32_t rc = ReplyOf(context, reply, ReplyKind::Read);
        if (rc != HALVET_OK) return rc;
        *count = static_cast<uint32_t>(reply->attrs.size());
        return HALVET_OK;
    });
}

extern "C" int32_t GetAttrName(HALVET_CONTEXT context, HALVET_BUFFER* reply, char* name, uint32_t nameSize,
                               uint32_t* valueCount, uint32_t* syntax)
{
    return Guarded([&] {
        if (!name) return HALVET_ERR_NULL_POINTER;
        int32_t rc = ReplyOf(context, reply, ReplyKind::Read);
        if (rc != HALVET_OK) return rc;
        if (reply->next >= reply->attrs.size()) return HALVET_ERR_BUFFER_EMPTY;
        const ReplyAttr& a = reply->attrs[reply->next];
        rc = CopyText(a.name, name, nameSize);
        if (rc != HALVET_OK) return rc;
        ++reply->next;
        reply->valuePos = 0;
        if (valueCount) *valueCount = static_cast<uint32_t>(a.values.size());
        if (syntax) *syntax = a.syntax;
        return HALVET_OK;
    });
}

// The next value of the current attribute of a read reply.
static int32_t CurrentValue(HALVET_CONTEXT context, HALVET_BUFFER* reply, uint32_t syntax, const Value*& value)
{
    int32_t rc = ReplyOf(context, reply, ReplyKind::Read);
    if (rc != HALVET_OK) return rc;
    if (reply->next == 0) return HALVET_ERR_BUFFER_EMPTY;
    const ReplyAttr& a = reply->attrs[reply->next - 1];
    if (reply->valuePos >= a.values.size()) return HALVET_ERR_BUFFER_EMPTY;
    if (syntax != a.syntax) return HALVET_ERR_SYNTAX_VIOLATION;
    value = &a.values[reply->valuePos];
    return HALVET_OK;
}

extern "C" int32_t ComputeAttrValSize(HALVET_CONTEXT context, HALVET_BUFFER* reply, uint32_t syntax, uint32_t* size)
{
    return Guarded([&] {
        if (!size) return HALVET_ERR_NULL_POINTER;
        const Value* value = nullptr;
        int32_t rc = CurrentValue(context, reply, syntax, value);
        if (rc != HALVET_OK) return rc;
        *size = static_cast<uint32_t>(RecordSize(*value));
        return HALVET_OK;
    });
}

extern "C" int32_t GetAttrVal(HALVET_CONTEXT context, HALVET_BUFFER* reply, uint32_t syntax, void* value,
                              uint32_t size)
{
    return Guarded([&] {
        if (!value) return HALVET_ERR_NULL_POINTER;
        const Value* v = nullptr;
        int32_t rc = CurrentValue(context, reply, syntax, v);
        if (rc != HALVET_OK) return rc;
        if (RecordSize(*v) > size) return HALVET_ERR_BUFFER_TOO_SMALL;
        WriteRecord(*v, value);
        ++reply->valuePos;
        return HALVET_OK;
    });
}

extern "C" int32_t ReadObjectInfo(HALVET_CONTEXT context, const char* object, char* nameOut, uint32_t nameSize,
                                  HALVET_OBJECT_INFO* info)
{
    return Guarded([&] {
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        std::shared_ptr<const Image> image;
        const Tree* tree = nullptr;
        int32_t rc = Open(*ctx, image, tree);
        if (rc != HALVET_OK) return rc;
        // Aliases above the object are followed, the object itself is not.
        std::string text, full;
        rc = ReadName(object, text);
        if (rc != HALVET_OK) return rc;
        rc = ResolveName(text, ctx->nameContext, full);
        if (rc != HALVET_OK) return rc;
        ldapsource::Config ldap;
        if (ServedByLdap(*image, *tree, ldap)) {
            ObjectInfo oi = InfoOf(*tree, nullptr);
            if (!full.empty()) {
                std::string parent;
                rc = ldapsource::Locate(ldap, "", Absolute(ParentOf(full)),
                                        (ctx->flags & HALVET_CTX_FLAG_DEREF_ALIASES) != 0, parent);
                if (rc != HALVET_OK) return rc;
                full = LeafOf(full) + (parent.empty() ? "" : "." + parent);
                rc = ldapsource::ReadInfo(ldap, full, oi);
                if (rc != HALVET_OK) return rc;
            }
            if (nameOut) {
                rc = CopyText(Absolute(full), nameOut, nameSize);
                if (rc != HALVET_OK) return rc;
            }
            if (info) {
                memset(info, 0, sizeof(*info));
                info->entryFlags = oi.entryFlags;
                info->subordinateCount = oi.subordinateCount;
                info->modificationTime = oi.modificationTime;
                lstrcpynA(info->baseClass, oi.baseClass.c_str(), sizeof(info->baseClass));
            }
            return HALVET_OK;
        }
        if (!full.empty() && !tree->FindObject(full)) {
            std::string parent;
            rc = Locate(*tree, "", Absolute(ParentOf(full)), (ctx->flags & HALVET_CTX_FLAG_DEREF_ALIASES) != 0, parent);
            if (rc != HALVET_OK) return rc;
            full = LeafOf(full) + (parent.empty() ? "" : "." + parent);
        }
        const Object* o = full.empty() ? nullptr : tree->FindObject(full);
        if (!full.empty() && !o) return HALVET_ERR_NO_SUCH_ENTRY;
        if (nameOut) {
            rc = CopyText(Absolute(full), nameOut, nameSize);
            if (rc != HALVET_OK) return rc;
        }
        if (info) {
            ObjectInfo oi = InfoOf(*tree, o);
            memset(info, 0, sizeof(*info));
            info->entryFlags = oi.entryFlags;
            info->subordinateCount = oi.subordinateCount;
            info->modificationTime = oi.modificationTime;
            lstrcpynA(info->baseClass, oi.baseClass.c_str(), sizeof(info->baseClass));
        }
        return HALVET_OK;
    });
}

// One read of class or attribute definitions: all of them, or those named
// in the request; the reply then hands them out one by one.
template <class Def, class Find>
int32_t ReadDefinitions(HALVET_CONTEXT context, uint32_t infoType, int32_t all, HALVET_BUFFER* request,
                        HALVET_ITERATION* iteration, HALVET_BUFFER* reply, ReplyKind kind,
                        uint32_t operation, std::vector<Def> Iteration::*out,
                        const std::vector<Def> Tree::*defs, Find find, int32_t missing)
{
    return Guarded([&] {
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        return Iterate(kind, iteration, reply, [&](Iteration& it) {
            if (infoType != HALVET_DEF_NAMES && infoType != HALVET_DEF_FULL) return HALVET_ERR_INVALID_REQUEST;
            if (!all) {
                if (!LiveBuffer(request)) return request ? HALVET_ERR_BAD_BUFFER : HALVET_ERR_NULL_POINTER;
                if (request->operation != operation) return HALVET_ERR_BAD_BUFFER;
            }
            std::shared_ptr<const Image> image;
            const Tree* tree = nullptr;
            int32_t rc = Open(*ctx, image, tree);
            if (rc != HALVET_OK) return rc;
            it.full = infoType == HALVET_DEF_FULL;
            ldapsource::Config ldap;
            const Tree* source = tree;
            Tree served;  // the definitions of the LDAP server's subschema entry
            if (ServedByLdap(*image, *tree, ldap)) {
                rc = ldapsource::Definitions(ldap, served.classDefs, served.attrDefs);
                if (rc != HALVET_OK) return rc;
                served.Reindex();
                source = &served;
            }
            if (all) {
                it.*out = source->*defs;
            } else {
                for (const std::string& n : request->names) {
                    const Def* def = find(*source, n);
                    if (!def) return missing;
                    (it.*out).push_back(*def);
                }
            }
            return HALVET_OK;
        });
    });
}

extern "C" int32_t ReadClassDef(HALVET_CONTEXT context, uint32_t infoType, int32_t allClasses,
                                HALVET_BUFFER* request, HALVET_ITERATION* iteration, HALVET_BUFFER* reply)
{
    return ReadDefinitions(context, infoType, allClasses, request, iteration, reply, ReplyKind::ClassDefs,
                           HALVET_OP_CLASS_DEFS, &Iteration::classes, &Tree::classDefs,
                           [](const Tree& t, const std::string& n) { return t.FindClass(n); },
                           HALVET_ERR_NO_SUCH_CLASS);
}

extern "C" int32_t GetClassDefCount(HALVET_CONTEXT context, HALVET_BUFFER* reply, uint32_t* count)
{
    return Guarded([&] {
        if (!count) return HALVET_ERR_NULL_POINTER;
        int32_t rc = ReplyOf(context, reply, ReplyKind::ClassDefs);
        if (rc != HALVET_OK) return rc;
        *count = static_cast<uint32_t>(reply->classes.size());
        return HALVET_OK;
    });
}

extern "C" int32_t GetClassDef(HALVET_CONTEXT context, HALVET_BUFFER* reply, char* name, uint32_t nameSize,
                               HALVET_CLASS_INFO* info)
{
    return Guarded([&] {
        if (!name) return HALVET_ERR_NULL_POINTER;
        int32_t rc = ReplyOf(context, reply, ReplyKind::ClassDefs);
        if (rc != HALVET_OK) return rc;
        if (reply->next >= reply->classes.size()) return HALVET_ERR_BUFFER_EMPTY;
        const ClassDef& c = reply->classes[reply->next];
        rc = CopyText(c.name, name, nameSize);
        if (rc != HALVET_OK) return rc;
        ++reply->next;
        reply->itemList = -1;
        reply->itemPos = 0;
        if (info) {
            memset(info, 0, sizeof(*info));
            info->flags = (c.container ? HALVET_CLASS_CONTAINER : 0u) | HALVET_CLASS_EFFECTIVE;
            if (reply->full)
                for (int l = 0; l < kClassListCount; ++l) info->itemCounts[l] = static_cast<uint32_t>(c.lists[l].size());
        }
        return HALVET_OK;
    });
}

extern "C" int32_t GetClassItemCount(HALVET_CONTEXT context, HALVET_BUFFER* reply, uint32_t* count)
{
    return Guarded([&] {
        if (!count) return HALVET_ERR_NULL_POINTER;
        int32_t rc = ReplyOf(context, reply, ReplyKind::ClassDefs);
        if (rc != HALVET_OK) return rc;
        if (!reply->full || reply->next == 0 || reply->itemList + 1 >= kClassListCount)
            return HALVET_ERR_BUFFER_EMPTY;
        ++reply->itemList;
        reply->itemPos = 0;
        *count = static_cast<uint32_t>(reply->classes[reply->next - 1].lists[reply->itemList].size());
        return HALVET_OK;
    });
}

extern "C" int32_t GetClassItem(HALVET_CONTEXT context, HALVET_BUFFER* reply, char* name, uint32_t nameSize)
{
    return Guarded([&] {
        if (!name) return HALVET_ERR_NULL_POINTER;
        int32_t rc = ReplyOf(context, reply, ReplyKind::ClassDefs);
        if (rc != HALVET_OK) return rc;
        if (reply->next == 0 || reply->itemList < 0) return HALVET_ERR_BUFFER_EMPTY;
        const auto& list = reply->classes[reply->next - 1].lists[reply->itemList];
        if (reply->itemPos >= list.size()) return HALVET_ERR_BUFFER_EMPTY;
        rc = CopyText(list[reply->itemPos], name, nameSize);
        if (rc == HALVET_OK) ++reply->itemPos;
        return rc;
    });
}

extern "C" int32_t ReadAttrDef(HALVET_CONTEXT context, uint32_t infoType, int32_t allAttributes,
                               HALVET_BUFFER* request, HALVET_ITERATION* iteration, HALVET_BUFFER* reply)
{
    return ReadDefinitions(context, infoType, allAttributes, request, iteration, reply, ReplyKind::AttrDefs,
                           HALVET_OP_ATTR_DEFS, &Iteration::attrDefs, &Tree::attrDefs,
                           [](const Tree& t, const std::string& n) { return t.FindAttr(n); },
                           HALVET_ERR_NO_SUCH_ATTRIBUTE);
}

extern "C" int32_t GetAttrDefCount(HALVET_CONTEXT context, HALVET_BUFFER* reply, uint32_t* count)
{
    return Guarded([&] {
        if (!count) return HALVET_ERR_NULL_POINTER;
        int32_t rc = ReplyOf(context, reply, ReplyKind::AttrDefs);
        if (rc != HALVET_OK) return rc;
        *count = static_cast<uint32_t>(reply->attrDefs.size());
        return HALVET_OK;
    });
}

extern "C" int32_t GetAttrDef(HALVET_CONTEXT context, HALVET_BUFFER* reply, char* name, uint32_t nameSize,
                              HALVET_ATTR_INFO* info)
{
    return Guarded([&] {
        if (!name) return HALVET_ERR_NULL_POINTER;
        int32_t rc = ReplyOf(context, reply, ReplyKind::AttrDefs);
        if (rc != HALVET_OK) return rc;
        if (reply->next >= reply->attrDefs.size()) return HALVET_ERR_BUFFER_EMPTY;
        const AttrDef& d = reply->attrDefs[reply->next];
        rc = CopyText(d.name, name, nameSize);
        if (rc != HALVET_OK) return rc;
        ++reply->next;
        if (info) {
            memset(info, 0, sizeof(*info));
            if (reply->full) {
                info->flags = (d.singleValued ? HALVET_ATTR_SINGLE_VALUED : 0u) | (d.sized ? HALVET_ATTR_SIZED : 0u);
                info->syntax = d.syntax;
                info->lower = d.lower;
                info->upper = d.upper;
            }
        }
        return HALVET_OK;
    });
}

extern "C" int32_t CloseIteration(HALVET_CONTEXT context, HALVET_ITERATION iteration)
{
    return Guarded([&] {
        if (!FindContext(context)) return HALVET_ERR_BAD_CONTEXT;
        return g_iterations.erase(iteration) ? HALVET_OK : HALVET_ERR_BAD_ITERATION;
    });
}

extern "C" int32_t GetEffectiveRights(HALVET_CONTEXT context, const char* subject, const char* object,
                                      const char* attribute, uint32_t* rights)
{
    return Guarded([&] {
        if (!rights) return HALVET_ERR_NULL_POINTER;
        *rights = 0;
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        std::shared_ptr<const Image> image;
        const Tree* tree = nullptr;
        int32_t rc = Open(*ctx, image, tree);
        if (rc != HALVET_OK) return rc;
        std::string subjectText, who, full, attr;
        rc = ReadName(subject, subjectText);
        if (rc != HALVET_OK) return rc;
        ldapsource::Config ldap;
        if (ServedByLdap(*image, *tree, ldap)) {
            if (!EqualNoCase(subjectText, HALVET_SUBJECT_PUBLIC)) {
                rc = ldapsource::Locate(ldap, ctx->nameContext, subjectText, false, who);
                if (rc != HALVET_OK) return rc;
                if (who.empty()) return HALVET_ERR_NO_SUCH_ENTRY;
            }
            rc = LocateOnLdap(ldap, *ctx, object, full);
            if (rc != HALVET_OK) return rc;
            if (!attribute) return HALVET_ERR_NULL_POINTER;
            if (ReadName(attribute, attr) != HALVET_OK) return HALVET_ERR_INVALID_REQUEST;
            if (!orrel::ldapmap::Mapping::Get().MapsAnywhere(attr) && !EqualNoCase(attr, HALVET_ACL_ALL_ATTRIBUTES) &&
                !EqualNoCase(attr, HALVET_ACL_ENTRY_RIGHTS))
                return HALVET_ERR_NO_SUCH_ATTRIBUTE;
            return ldapsource::Rights(ldap, who, *rights);
        }
        if (EqualNoCase(subjectText, HALVET_SUBJECT_PUBLIC)) {
            who = HALVET_SUBJECT_PUBLIC;
        } else {
            rc = Locate(*tree, ctx->nameContext, subjectText, false, who);
            if (rc != HALVET_OK) return rc;
            if (who.empty()) return HALVET_ERR_NO_SUCH_ENTRY;
        }
        rc = LocateIn(*ctx, *tree, object, true, full);
        if (rc != HALVET_OK) return rc;
        if (!attribute) return HALVET_ERR_NULL_POINTER;
        if (ReadName(attribute, attr) != HALVET_OK) return HALVET_ERR_INVALID_REQUEST;
        if (!tree->FindAttr(attr) && !EqualNoCase(attr, HALVET_ACL_ALL_ATTRIBUTES) &&
            !EqualNoCase(attr, HALVET_ACL_ENTRY_RIGHTS))
            return HALVET_ERR_NO_SUCH_ATTRIBUTE;
        *rights = EffectiveRights(*tree, who, full, attr);
        return HALVET_OK;
    });
}

// ---------------------------------------------------------------------------
// Changing

extern "C" int32_t PutChange(HALVET_CONTEXT context, HALVET_BUFFER* request, uint32_t changeType,
                             const char* attribute)
{
    return Guarded([&] {
        if (!FindContext(context)) return HALVET_ERR_BAD_CONTEXT;
        if (!LiveBuffer(request) || request->operation != HALVET_OP_MODIFY) return HALVET_ERR_BAD_BUFFER;
        if (!attribute) return HALVET_ERR_NULL_POINTER;
        switch (changeType) {
        case HALVET_CHANGE_ADD_ATTRIBUTE: case HALVET_CHANGE_REMOVE_ATTRIBUTE: case HALVET_CHANGE_ADD_VALUE:
        case HALVET_CHANGE_REMOVE_VALUE: case HALVET_CHANGE_OVERWRITE_VALUE:
            break;
        default:
            return HALVET_ERR_INVALID_REQUEST;
        }
        std::string name;
        if (ReadName(attribute, name) != HALVET_OK || !IsValidSchemaName(name)) return HALVET_ERR_INVALID_REQUEST;
        size_t cost = 8 + NameCost(name);
        if (request->requestBytes + cost > request->size) return HALVET_ERR_BUFFER_FULL;
        request->requestBytes += cost;
        Change change;
        change.type = changeType;
        change.attr = name;
        request->changes.push_back(std::move(change));
        return HALVET_OK;
    });
}

extern "C" int32_t PutAttrVal(HALVET_CONTEXT context, HALVET_BUFFER* request, uint32_t syntax, const void* value)
{
    return Guarded([&] {
        if (!FindContext(context)) return HALVET_ERR_BAD_CONTEXT;
        if (!LiveBuffer(request) || request->operation != HALVET_OP_MODIFY) return HALVET_ERR_BAD_BUFFER;
        if (request->changes.empty()) return HALVET_ERR_INVALID_REQUEST;
        Change& change = request->changes.back();
        bool takesValue = change.type == HALVET_CHANGE_ADD_VALUE || change.type == HALVET_CHANGE_REMOVE_VALUE ||
                          change.type == HALVET_CHANGE_OVERWRITE_VALUE;
        if (!takesValue || change.hasValue) return HALVET_ERR_INVALID_REQUEST;
        Value v;
        int32_t rc = ReadRecord(syntax, value, v);
        if (rc != HALVET_OK) return rc;
        size_t cost = 8 + Align4(RecordSize(v));
        if (request->requestBytes + cost > request->size) return HALVET_ERR_BUFFER_FULL;
        request->requestBytes += cost;
        change.value = std::move(v);
        change.hasValue = true;
        return HALVET_OK;
    });
}

extern "C" int32_t ModifyObject(HALVET_CONTEXT context, const char* object, HALVET_BUFFER* request)
{
    return Guarded([&] {
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        if (!LiveBuffer(request) || request->operation != HALVET_OP_MODIFY) return HALVET_ERR_BAD_BUFFER;
        std::string text;
        int32_t rc = ReadName(object, text);
        if (rc != HALVET_OK) return rc;
        const Context c = *ctx;
        const std::vector<Change> changes = request->changes;
        {
            std::shared_ptr<const Image> image;
            const Tree* tree = nullptr;
            rc = Open(c, image, tree);
            if (rc != HALVET_OK) return rc;
            ldapsource::Config ldap;
            if (ServedByLdap(*image, *tree, ldap)) {
                // One modify request on the server, which checks rights and schema.
                std::string full;
                rc = ldapsource::Locate(ldap, c.nameContext, text, (c.flags & HALVET_CTX_FLAG_DEREF_ALIASES) != 0, full);
                if (rc != HALVET_OK) return rc;
                if (full.empty()) return HALVET_ERR_NO_SUCH_ENTRY;
                return ldapsource::Modify(ldap, full, changes, c.nameContext);
            }
        }
        ImageStore& store = ImageStore::Instance();
        std::string imagePath = store.ImagePath();  // where new streams go
        bool second = SecondIdentity();
        return SharedImageModify([&](Image& image) {
            Tree* tree = image.FindTree(c.tree);
            if (!tree) return HALVET_ERR_NO_SUCH_TREE;
            std::string full;
            int32_t r = Locate(*tree, c.nameContext, text, (c.flags & HALVET_CTX_FLAG_DEREF_ALIASES) != 0, full);
            if (r != HALVET_OK) return r;
            if (full.empty()) return HALVET_ERR_NO_SUCH_ENTRY;  // the root is no object
            std::string identity = image.IdentityOf(tree->name, second);
            return ApplyChanges(*tree, full, changes, c.nameContext, identity, static_cast<uint32_t>(time(nullptr)),
                                [&](std::string& fileName) { return store.MakeStreamFile(imagePath, fileName); });
        });
    });
}

// ---------------------------------------------------------------------------
// Names

extern "C" int32_t CanonicalizeName(HALVET_CONTEXT context, const char* name, char* out, uint32_t size)
{
    return Guarded([&] {
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        std::string text, full;
        int32_t rc = ReadName(name, text);
        if (rc != HALVET_OK) return rc;
        rc = ResolveName(text, ctx->nameContext, full);
        if (rc != HALVET_OK) return rc;
        return CopyText(full.empty() ? std::string(HALVET_ROOT_NAME) : full, out, size);
    });
}

extern "C" int32_t AbbreviateName(HALVET_CONTEXT context, const char* name, char* out, uint32_t size)
{
    return Guarded([&] {
        if (!FindContext(context)) return HALVET_ERR_BAD_CONTEXT;
        std::string text;
        int32_t rc = ReadName(name, text);
        if (rc != HALVET_OK) return rc;
        return CopyText(StripTypes(text), out, size);
    });
}

// ---------------------------------------------------------------------------
// Streams and servers

extern "C" int32_t OpenStream(HALVET_CONTEXT context, const char* object, const char* attribute, uint32_t mode,
                              void** fileHandle)
{
    if (!fileHandle) return HALVET_ERR_NULL_POINTER;
    *fileHandle = nullptr;
    return Guarded([&] {
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        if (mode != HALVET_STREAM_READ && mode != HALVET_STREAM_WRITE) return HALVET_ERR_INVALID_REQUEST;
        std::shared_ptr<const Image> image;
        const Tree* tree = nullptr;
        int32_t rc = Open(*ctx, image, tree);
        if (rc != HALVET_OK) return rc;
        ldapsource::Config ldap;
        std::string full, attr;
        if (ServedByLdap(*image, *tree, ldap)) {
            rc = LocateOnLdap(ldap, *ctx, object, full);
            if (rc != HALVET_OK) return rc;
            if (!attribute) return HALVET_ERR_NULL_POINTER;
            if (ReadName(attribute, attr) != HALVET_OK) return HALVET_ERR_INVALID_REQUEST;
            return ldapsource::OpenStreamFile(ldap, full, attr, mode == HALVET_STREAM_WRITE, *fileHandle);
        }
        rc = LocateIn(*ctx, *tree, object, true, full);
        if (rc != HALVET_OK) return rc;
        if (!attribute) return HALVET_ERR_NULL_POINTER;
        if (ReadName(attribute, attr) != HALVET_OK) return HALVET_ERR_INVALID_REQUEST;
        const AttrDef* def = tree->FindAttr(attr);
        if (!def) return HALVET_ERR_NO_SUCH_ATTRIBUTE;
        if (def->syntax != HALVET_SYNTAX_STREAM) return HALVET_ERR_SYNTAX_VIOLATION;
        const Object* o = tree->FindObject(full);
        if (!o) return HALVET_ERR_NO_SUCH_ENTRY;
        const Attribute* a = o->Find(def->name);
        if (!a || a->values.empty()) return HALVET_ERR_NO_SUCH_VALUE;
        if (mode == HALVET_STREAM_WRITE) {
            std::string identity = image->IdentityOf(tree->name, SecondIdentity());
            uint32_t rights = identity.empty() ? 0 : EffectiveRights(*tree, identity, full, def->name);
            if (!(rights & (HALVET_RIGHT_WRITE | HALVET_RIGHT_SUPERVISOR))) return HALVET_ERR_NO_ACCESS;
        }
        std::string folder = ImageStore::StreamsFolder(ImageStore::Instance().ImagePath());
        CreateDirectoryA(folder.c_str(), nullptr);
        std::string path = folder + "\\" + a->values[0].s1;
        DWORD access = mode == HALVET_STREAM_WRITE ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ;
        HANDLE file = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return HALVET_ERR_FATAL;
        *fileHandle = file;
        return HALVET_OK;
    });
}

// The server behind a connection, from the connection library.
static int32_t ServerOf(HALVET_CONN conn, const Image& image, const Server*& server)
{
    char name[64] = {};
    int32_t rc = GetConnInfo(conn, HALVET_CONN_INFO_SERVER_NAME, sizeof(name), name);
    if (rc != HALVET_OK) return rc;
    server = image.FindServer(name);
    return server ? HALVET_OK : HALVET_ERR_NO_SUCH_SERVER;
}

extern "C" int32_t GetServerDirName(HALVET_CONTEXT context, HALVET_CONN conn, char* name, uint32_t size)
{
    return Guarded([&] {
        if (!FindContext(context)) return HALVET_ERR_BAD_CONTEXT;
        if (!name) return HALVET_ERR_NULL_POINTER;
        std::shared_ptr<const Image> image;
        int32_t rc = SharedImageGet(image);
        if (rc != HALVET_OK) return rc;
        const Server* server = nullptr;
        rc = ServerOf(conn, *image, server);
        if (rc != HALVET_OK) return rc;
        if (server->object.empty()) return HALVET_ERR_NO_SUCH_ENTRY;
        return CopyText("." + server->object, name, size);
    });
}

extern "C" int32_t GetServerConn(HALVET_CONTEXT context, const char* server, HALVET_CONN* conn)
{
    if (!conn) return HALVET_ERR_NULL_POINTER;
    *conn = HALVET_NO_CONN;
    std::string serverName;
    int32_t rc = Guarded([&] {
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        std::shared_ptr<const Image> image;
        const Tree* tree = nullptr;
        int32_t r = Open(*ctx, image, tree);
        if (r != HALVET_OK) return r;
        std::string full;
        r = LocateIn(*ctx, *tree, server, true, full);
        if (r != HALVET_OK) return r;
        for (const Server& s : image->servers) {
            if (EqualNoCase(s.tree, tree->name) && !s.object.empty() && EqualNoCase(s.object, full)) {
                serverName = s.name;
                return HALVET_OK;
            }
        }
        return HALVET_ERR_NO_SUCH_SERVER;
    });
    if (rc != HALVET_OK) return rc;
    return OpenConnByName(HALVET_NO_CONN, serverName.c_str(), HALVET_NAME_FORMAT_SERVER, HALVET_OPEN_CLAIMED,
                          HALVET_TRANSPORT_ANY, conn);
}

extern "C" int32_t MapNameToId(HALVET_CONTEXT context, HALVET_CONN conn, const char* name, uint32_t* objectId)
{
    return Guarded([&] {
        if (!objectId) return HALVET_ERR_NULL_POINTER;
        *objectId = 0;
        Context* ctx = FindContext(context);
        if (!ctx) return HALVET_ERR_BAD_CONTEXT;
        std::shared_ptr<const Image> image;
        const Tree* tree = nullptr;
        int32_t rc = Open(*ctx, image, tree);
        if (rc != HALVET_OK) return rc;
        const Server* server = nullptr;
        rc = ServerOf(conn, *image, server);
        if (rc != HALVET_OK) return rc;
        if (!EqualNoCase(server->tree, tree->name)) return HALVET_ERR_NO_SUCH_ENTRY;
        std::string full;
        rc = LocateIn(*ctx, *tree, name, true, full);
        if (rc != HALVET_OK) return rc;
        if (full.empty()) return HALVET_ERR_NO_SUCH_ENTRY;
        *objectId = ObjectId(tree->name, full);
        return HALVET_OK;
    });
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
