#include "orrel/pages/dirsession.h"

#include "orrel/pages/dirbuffer.h"

#include <cstring>
#include <new>

namespace orrel {
namespace pages {
namespace {

constexpr uint32_t kRequestSize = HALVET_DEFAULT_BUFFER_SIZE;  // 64512
constexpr uint32_t kRemoveRequestSize = HALVET_LIST_BUFFER_SIZE;  // 4096
constexpr int32_t kNoBuffer = -1;

// Ends an iteration the directory has not finished.
class IterationGuard {
public:
    IterationGuard(HALVET_CONTEXT context, HALVET_ITERATION& iteration) noexcept
        : context_(context), iteration_(iteration)
    {
    }
    ~IterationGuard()
    {
        if (iteration_ != HALVET_NO_ITERATION) CloseIteration(context_, iteration_);
    }

private:
    HALVET_CONTEXT context_;
    HALVET_ITERATION& iteration_;
};

// A value buffer of the size the client reported, with one zero byte more.
struct ValueBuffer {
    std::unique_ptr<unsigned char[]> data;
    uint32_t size = 0;
    bool Allocate(uint32_t n) noexcept
    {
        data.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(n) + 1]());
        size = n;
        return data != nullptr;
    }
};

bool SameName(const char* a, const char* b) noexcept
{
    for (;; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
        if (!x) return true;
    }
}

// The value a list node stands for in a request of the syntax.
struct NodeValue {
    HALVET_FAX_NUMBER fax{};
    HALVET_OBJECT_ACL acl{};
    const void* Of(const ValueNode& node, uint32_t syntax) noexcept
    {
        if (syntax == HALVET_SYNTAX_FAX_NUMBER) {
            fax.telephoneNumber = const_cast<char*>(node.text.c_str());
            fax.bitCount = 0;
            fax.data = nullptr;
            return &fax;
        }
        if (syntax == HALVET_SYNTAX_OBJECT_ACL) {
            acl.protectedAttrName = const_cast<char*>(node.text.c_str());
            acl.subjectName = const_cast<char*>(node.subjectName.c_str());
            acl.privileges = node.privileges;
            return &acl;
        }
        return node.text.c_str();
    }
};

int32_t PutValueChange(HALVET_CONTEXT context, HALVET_BUFFER* request, uint32_t change,
                       const char* attribute, uint32_t syntax, const void* value) noexcept
{
    int32_t r = PutChange(context, request, change, attribute);
    if (r == 0) r = PutAttrVal(context, request, syntax, value);
    return r;
}

}  // namespace

// ---- ContextSlot -------------------------------------------------------------

void ContextSlot::Set(HALVET_CONTEXT context) noexcept
{
    if (context == context_) return;
    Reset();
    context_ = context;
}

void ContextSlot::Reset() noexcept
{
    if (context_ != HALVET_NO_CONTEXT) {
        FreeDirContext(context_);
        context_ = HALVET_NO_CONTEXT;
    }
}

// ---- DirValue ------------------------------------------------------------------

void DirValue::Reset() noexcept
{
    data_.reset();
    size_ = 0;
    syntax_ = 0;
}

bool DirValue::Allocate(uint32_t syntax, std::size_t size) noexcept
{
    Reset();
    data_.reset(new (std::nothrow) unsigned char[size + 1]());
    if (!data_) return false;
    size_ = size;
    syntax_ = syntax;
    return true;
}

std::string DirValue::Text() const
{
    if (!data_) return std::string();
    return BoundedString(reinterpret_cast<const char*>(data_.get()), data_.get(),
                         data_.get() + size_);
}

bool DirValue::Boolean(bool* value) const noexcept
{
    if (!data_ || size_ < 1) return false;
    *value = data_[0] != 0;
    return true;
}

bool DirValue::Int32(int32_t* value) const noexcept
{
    if (!data_ || size_ < sizeof(int32_t)) return false;
    std::memcpy(value, data_.get(), sizeof(int32_t));
    return true;
}

bool DirValue::UInt32(uint32_t* value) const noexcept
{
    if (!data_ || size_ < sizeof(uint32_t)) return false;
    std::memcpy(value, data_.get(), sizeof(uint32_t));
    return true;
}

bool DirValue::Contains(const void* p, std::size_t length) const noexcept
{
    auto q = static_cast<const unsigned char*>(p);
    if (!data_ || !q || q < data_.get() || q > data_.get() + size_) return false;
    return static_cast<std::size_t>(data_.get() + size_ - q) >= length;
}

std::string DirValue::StringAt(const char* p) const
{
    if (!data_) return std::string();
    return BoundedString(p, data_.get(), data_.get() + size_);
}

// ---- DirectorySession ----------------------------------------------------------

DirectorySession::DirectorySession(std::string treeName, std::string nameContext,
                                   ContextSlot* shared)
    : slot_(shared ? shared : &own_), treeName_(std::move(treeName)),
      nameContext_(std::move(nameContext))
{
}

// A shared slot belongs to its owner (the property handler), which frees the
// context once no page can use it any more; an own slot goes with us.
DirectorySession::~DirectorySession() = default;

HALVET_CONTEXT DirectorySession::Context() noexcept
{
    if (!slot_->Empty()) return slot_->Get();
    HALVET_CONTEXT context = HALVET_NO_CONTEXT;
    int32_t r = CreateDirContext(&context);
    if (r != 0) return r < 0 ? r : HALVET_ERR_FATAL;
    // A context that does not name the object's tree would read another
    // tree's objects: a setting that fails makes the context unusable.
    if (!treeName_.empty()) r = SetDirContextValue(context, HALVET_CTX_KEY_TREE_NAME, treeName_.c_str());
    if (r == 0 && !nameContext_.empty())
        r = SetDirContextValue(context, HALVET_CTX_KEY_NAME_CONTEXT, nameContext_.c_str());
    uint32_t flags = 0;
    if (r == 0) r = GetDirContextValue(context, HALVET_CTX_KEY_FLAGS, &flags, sizeof flags);
    if (r == 0) {
        flags |= HALVET_CTX_FLAGS_USUAL;
        r = SetDirContextValue(context, HALVET_CTX_KEY_FLAGS, &flags);
    }
    if (r != 0) {
        FreeDirContext(context);
        return r < 0 ? r : HALVET_ERR_FATAL;
    }
    slot_->Set(context);
    created_ = true;
    return context;
}

HALVET_CONTEXT DirectorySession::Resolve(HALVET_CONTEXT context) noexcept
{
    return context == HALVET_NO_CONTEXT ? Context() : context;
}

#define ORREL_CONTEXT_OR_RETURN(ctx, given)                                   \
    HALVET_CONTEXT ctx = Resolve(given);                                      \
    if ((given) == HALVET_NO_CONTEXT && ctx < 0 && slot_->Empty()) return ctx

int32_t DirectorySession::ReadFirstValue(const char* object, const char* attribute,
                                         DirValue* value, HALVET_CONTEXT given)
{
    if (!value) return HALVET_ERR_NULL_POINTER;
    value->Reset();
    ORREL_CONTEXT_OR_RETURN(context, given);
    DirBuffer request, reply;
    int32_t r = request.Allocate(kRequestSize);
    if (r) return r;
    r = reply.Allocate(kRequestSize);
    if (r) return r;
    r = InitDirBuffer(HALVET_OP_READ, request.Get());
    if (r == 0) r = PutAttrName(context, request.Get(), attribute);
    if (r) return r;

    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    IterationGuard guard(context, iteration);
    r = ReadObject(context, object, HALVET_INFO_NAMES_AND_VALUES, 0, request.Get(), &iteration,
                   reply.Get());
    if (r) {
        iteration = HALVET_NO_ITERATION;
        return r;
    }
    uint32_t count = 0;
    r = GetAttrCount(context, reply.Get(), &count);
    if (r || count == 0) return r;
    char name[HALVET_MAX_DN_BYTES] = {};
    uint32_t valueCount = 0, syntax = 0;
    r = GetAttrName(context, reply.Get(), name, sizeof name, &valueCount, &syntax);
    if (r || valueCount == 0) return r;
    uint32_t size = 0;
    if (ComputeAttrValSize(context, reply.Get(), syntax, &size) != 0)
        return HALVET_ERR_NO_SUCH_ATTRIBUTE;
    if (!value->Allocate(syntax, size)) return kNoBuffer;
    r = GetAttrVal(context, reply.Get(), syntax, value->MutableData(), size);
    if (r) value->Reset();
    // The first value is in the first reply; whatever values follow in
    // further replies are not needed, and the guard ends the iteration.
    return r;
}

int32_t DirectorySession::ReadValueList(const char* object, const char* attribute,
                                        ValueList& list, uint32_t* syntaxOut,
                                        HALVET_CONTEXT given)
{
    ORREL_CONTEXT_OR_RETURN(context, given);
    DirBuffer request, reply;
    int32_t r = request.Allocate(kRequestSize);
    if (r) return r;
    r = reply.Allocate(kRequestSize);
    if (r) return r;
    r = InitDirBuffer(HALVET_OP_READ, request.Get());
    if (r == 0) r = PutAttrName(context, request.Get(), attribute);
    if (r) return r;

    SessionNameDisplay names(*this, context);
    HALVET_ITERATION iteration = HALVET_NO_ITERATION;
    IterationGuard guard(context, iteration);
    do {
        r = ReadObject(context, object, HALVET_INFO_NAMES_AND_VALUES, 0, request.Get(),
                       &iteration, reply.Get());
        if (r) {
            iteration = HALVET_NO_ITERATION;
            return r;
        }
        uint32_t count = 0;
        if (GetAttrCount(context, reply.Get(), &count) != 0 || count == 0) return 0;
        char name[HALVET_MAX_DN_BYTES] = {};
        uint32_t valueCount = 0, syntax = 0;
        r = GetAttrName(context, reply.Get(), name, sizeof name, &valueCount, &syntax);
        if (r) return r;
        if (syntaxOut) *syntaxOut = syntax;
        for (uint32_t i = 0; i < valueCount; ++i) {
            uint32_t size = 0;
            r = ComputeAttrValSize(context, reply.Get(), syntax, &size);
            if (r) return r;
            ValueBuffer buffer;
            if (!buffer.Allocate(size)) return HALVET_ERR_NOT_ENOUGH_MEMORY;
            r = GetAttrVal(context, reply.Get(), syntax, buffer.data.get(), size);
            if (r) return r;
            try {
                if (auto node = FormatValue(syntax, buffer.data.get(), size, names))
                    list.Append(std::move(node));
            } catch (const std::bad_alloc&) {
                // A node that cannot be had is skipped.
            }
        }
    } while (iteration != HALVET_NO_ITERATION);
    return 0;
}

int32_t DirectorySession::RemoveAttribute(const char* object, const char* attribute,
                                          HALVET_CONTEXT given)
{
    ORREL_CONTEXT_OR_RETURN(context, given);
    DirBuffer request;
    int32_t r = request.Allocate(kRemoveRequestSize);
    if (r) return r;
    r = InitDirBuffer(HALVET_OP_MODIFY, request.Get());
    if (r == 0) r = PutChange(context, request.Get(), HALVET_CHANGE_REMOVE_ATTRIBUTE, attribute);
    if (r == 0) r = ModifyObject(context, object, request.Get());
    return r == HALVET_ERR_NO_SUCH_ATTRIBUTE ? 0 : r;
}

// The old value is replaced in the same modify request that adds the new
// one, so that a write the directory refuses leaves the old value in place
// (the directory applies a request all or none).
int32_t DirectorySession::WriteSingleValue(const char* object, const char* attribute,
                                           const void* value, uint32_t syntax,
                                           HALVET_CONTEXT given)
{
    ORREL_CONTEXT_OR_RETURN(context, given);
    DirBuffer request;
    int32_t r = request.Allocate(kRequestSize);
    if (r) return r;

    enum class Shape { Replace, Add, ReplaceMandatory };
    Shape shape = Shape::Replace;
    for (int attempt = 0; attempt < 3; ++attempt) {
        r = InitDirBuffer(HALVET_OP_MODIFY, request.Get());
        if (r) return r;
        if (shape == Shape::Replace) {
            r = PutChange(context, request.Get(), HALVET_CHANGE_REMOVE_ATTRIBUTE, attribute);
            if (r == 0) r = PutChange(context, request.Get(), HALVET_CHANGE_ADD_ATTRIBUTE, attribute);
        } else if (shape == Shape::Add) {
            r = PutChange(context, request.Get(), HALVET_CHANGE_ADD_ATTRIBUTE, attribute);
        } else {
            // Mandatory: it cannot be removed, so its current value is.
            DirValue current;
            r = ReadFirstValue(object, attribute, &current, context);
            if (r) return r;
            if (current.HasValue())
                r = PutValueChange(context, request.Get(), HALVET_CHANGE_REMOVE_VALUE, attribute,
                                   current.Syntax(), current.Data());
        }
        if (r == 0)
            r = PutValueChange(context, request.Get(), HALVET_CHANGE_ADD_VALUE, attribute, syntax,
                               value);
        if (r) return r;
        r = ModifyObject(context, object, request.Get());
        if (shape == Shape::Replace && r == HALVET_ERR_NO_SUCH_ATTRIBUTE)
            shape = Shape::Add;  // nothing to remove yet
        else if (shape == Shape::Replace && r == HALVET_ERR_MISSING_MANDATORY)
            shape = Shape::ReplaceMandatory;
        else
            return r;
    }
    return r;
}

int32_t DirectorySession::WriteValueList(const char* object, const char* attribute,
                                         const ValueList& list, uint32_t syntax,
                                         HALVET_CONTEXT given)
{
    ORREL_CONTEXT_OR_RETURN(context, given);
    DirBuffer request;
    int32_t r = request.Allocate(kRequestSize);
    if (r) return r;
    const bool isCN = SameName(attribute, "CN");
    // An empty entry (the list editor takes one) is no value: the directory
    // would refuse the whole request for it.
    auto written = [](const ValueNode& node) {
        return node.kind != ValueKind::Text || !node.text.empty();
    };
    std::size_t count = 0;
    for (const ValueNode& node : list)
        if (written(node)) ++count;

    if (count == 0) {
        // Clearing: the attribute goes, then an empty modify request.
        r = RemoveAttribute(object, attribute, context);
        if (r == 0) r = InitDirBuffer(HALVET_OP_MODIFY, request.Get());
        if (r == 0) r = ModifyObject(context, object, request.Get());
        return r;
    }

    // As for single values, the old values go in the request that adds the
    // new ones. Shapes: remove the attribute and add every value; add every
    // value (the attribute has none); or, for the naming attribute, remove
    // each current value but the first (the object's name) and add the list
    // from its second node.
    enum class Shape { Replace, Add, KeepNaming };
    Shape shape = Shape::Replace;
    for (int attempt = 0; attempt < 3; ++attempt) {
        r = InitDirBuffer(HALVET_OP_MODIFY, request.Get());
        if (r) return r;
        const ValueNode* from = list.First();
        if (shape == Shape::Replace) {
            r = PutChange(context, request.Get(), HALVET_CHANGE_REMOVE_ATTRIBUTE, attribute);
            if (r == 0 && !(isCN && count == 1))
                r = PutChange(context, request.Get(), HALVET_CHANGE_ADD_ATTRIBUTE, attribute);
        } else if (shape == Shape::Add) {
            r = PutChange(context, request.Get(), HALVET_CHANGE_ADD_ATTRIBUTE, attribute);
        } else {
            ValueList current;
            r = ReadValueList(object, attribute, current, nullptr, context);
            if (r) return r;
            NodeValue holder;
            for (const ValueNode* node = current.First() ? current.First()->next.get() : nullptr;
                 node && r == 0; node = node->next.get())
                r = PutValueChange(context, request.Get(), HALVET_CHANGE_REMOVE_VALUE, attribute,
                                   syntax, holder.Of(*node, syntax));
            if (isCN) from = from->next.get();  // the naming value stays as it is
        }
        NodeValue holder;
        for (const ValueNode* node = from; node && r == 0; node = node->next.get())
            if (written(*node))
                r = PutValueChange(context, request.Get(), HALVET_CHANGE_ADD_VALUE, attribute,
                                   syntax, holder.Of(*node, syntax));
        if (r) return r;
        r = ModifyObject(context, object, request.Get());
        if (shape == Shape::Replace && r == HALVET_ERR_NO_SUCH_ATTRIBUTE)
            shape = Shape::Add;
        else if (shape == Shape::Replace && r == HALVET_ERR_NAMING_VALUE)
            shape = Shape::KeepNaming;
        else
            return r;
    }
    return r;
}

uint32_t DirectorySession::HasAttributeRight(const char* object, const char* attribute,
                                             HALVET_CONTEXT given)
{
    HALVET_CONTEXT context = Resolve(given);
    if (given == HALVET_NO_CONTEXT && context < 0 && slot_->Empty()) return 0;
    char self[HALVET_MAX_DN_BYTES] = {};
    if (WhoAmI(context, self, sizeof self) != 0) return 0;
    uint32_t rights = 0;
    if (GetEffectiveRights(context, self, object, attribute, &rights) != 0) return 0;
    return rights;
}

std::string DirectorySession::ToDisplayName(const char* name, HALVET_CONTEXT given)
{
    if (!name) return std::string(".");
    HALVET_CONTEXT context = Resolve(given);
    char canonical[HALVET_MAX_DN_BYTES] = {};
    char abbreviated[HALVET_MAX_DN_BYTES] = {};
    if (CanonicalizeName(context, name, canonical, sizeof canonical) == 0 &&
        AbbreviateName(context, canonical, abbreviated, sizeof abbreviated) == 0)
        return std::string(".") + abbreviated;
    return std::string(".") + (name[0] == '.' ? name + 1 : name);
}

}  // namespace pages
}  // namespace orrel
