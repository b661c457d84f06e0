#include "exportdata.h"

#include <memory>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "csvfile.h"
#include "orrel/pages/dirbuffer.h"

namespace orrel {
namespace csv {
namespace {

constexpr uint32_t kBufferSize = HALVET_DEFAULT_BUFFER_SIZE;    // 64512
constexpr uint32_t kAttrDefSize = HALVET_LIST_BUFFER_SIZE;      // 4096
constexpr std::size_t kFlushSize = 64 * 1024;
// Naming, mandatory and optional attributes: the last three of a class
// definition's five item lists.
constexpr uint32_t kFirstAttributeList = 2;

using pages::DirBuffer;
using Iteration = pages::DirIteration;

// A request of an operation and a reply buffer of one size.
int32_t PrepareRead(DirBuffer& request, DirBuffer& reply, uint32_t size, uint32_t operation) noexcept
{
    int32_t r = request.Allocate(size);
    if (r == 0) r = reply.Allocate(size);
    if (r == 0) r = InitDirBuffer(operation, request.Get());
    return r;
}

uint32_t ReadAttributeSyntax(HALVET_CONTEXT context, const std::string& name)
{
    DirBuffer request, reply;
    if (PrepareRead(request, reply, kAttrDefSize, HALVET_OP_ATTR_DEFS) ||
        PutAttrName(context, request.Get(), name.c_str()))
        return 0;
    Iteration iteration(context);
    if (ReadAttrDef(context, HALVET_DEF_FULL, 0, request.Get(), &iteration.handle, reply.Get())) {
        iteration.handle = HALVET_NO_ITERATION;
        return 0;
    }
    uint32_t count = 0;
    if (GetAttrDefCount(context, reply.Get(), &count) || count == 0) return 0;
    char found[HALVET_MAX_DN_BYTES] = {};
    HALVET_ATTR_INFO info = {};
    if (GetAttrDef(context, reply.Get(), found, sizeof found, &info)) return 0;
    return info.syntax;
}

}  // namespace

int32_t ReadClassAttributes(pages::DirectorySession& session, const char* className,
                            std::vector<ClassAttribute>* out)
{
    HALVET_CONTEXT context = session.Context();
    if (context < 0) return context;
    DirBuffer request, reply;
    int32_t r = PrepareRead(request, reply, kBufferSize, HALVET_OP_CLASS_DEFS);
    if (r == 0) r = PutAttrName(context, request.Get(), className);
    if (r) return r;

    Iteration iteration(context);
    r = ReadClassDef(context, HALVET_DEF_FULL, 0, request.Get(), &iteration.handle, reply.Get());
    if (r) {
        iteration.handle = HALVET_NO_ITERATION;
        return r;
    }
    uint32_t classes = 0;
    r = GetClassDefCount(context, reply.Get(), &classes);
    if (r) return r;
    for (uint32_t c = 0; c < classes; ++c) {
        char name[HALVET_MAX_DN_BYTES] = {};
        HALVET_CLASS_INFO info = {};
        r = GetClassDef(context, reply.Get(), name, sizeof name, &info);
        if (r) return r;
        std::vector<std::string> attributes;
        for (uint32_t list = 0; list < HALVET_CLASS_ITEM_LISTS; ++list) {
            uint32_t items = 0;
            r = GetClassItemCount(context, reply.Get(), &items);
            if (r) return r;
            for (uint32_t i = 0; i < items; ++i) {
                char item[HALVET_MAX_DN_BYTES] = {};
                r = GetClassItem(context, reply.Get(), item, sizeof item);
                if (r) return r;
                if (list >= kFirstAttributeList) attributes.emplace_back(item);
            }
        }
        for (const std::string& attribute : attributes)
            out->push_back({attribute, ReadAttributeSyntax(context, attribute)});
    }
    return 0;
}

int32_t ReadValueLists(pages::DirectorySession& session, const char* object,
                       const std::vector<std::string>& attributes, std::vector<NamedValue>* out)
{
    HALVET_CONTEXT context = session.Context();
    if (context < 0) return context;
    DirBuffer request, reply;
    int32_t r = PrepareRead(request, reply, kBufferSize, HALVET_OP_READ);
    for (std::size_t i = 0; r == 0 && i < attributes.size(); ++i)
        r = PutAttrName(context, request.Get(), attributes[i].c_str());
    if (r) return r;

    pages::SessionNameDisplay names(session, context);
    Iteration iteration(context);
    std::vector<unsigned char> value;
    do {
        r = ReadObject(context, object, HALVET_INFO_NAMES_AND_VALUES, 0, request.Get(),
                       &iteration.handle, reply.Get());
        if (r) {
            iteration.handle = HALVET_NO_ITERATION;
            return r;
        }
        uint32_t count = 0;
        r = GetAttrCount(context, reply.Get(), &count);
        if (r) return r;
        for (uint32_t a = 0; a < count; ++a) {
            char name[HALVET_MAX_DN_BYTES] = {};
            uint32_t valueCount = 0, syntax = 0;
            r = GetAttrName(context, reply.Get(), name, sizeof name, &valueCount, &syntax);
            if (r) return r;
            name[sizeof name - 1] = '\0';
            for (uint32_t v = 0; v < valueCount; ++v) {
                uint32_t size = 0;
                r = ComputeAttrValSize(context, reply.Get(), syntax, &size);
                if (r) return r;
                value.assign(static_cast<std::size_t>(size) + 1, 0);
                r = GetAttrVal(context, reply.Get(), syntax, value.data(), size);
                if (r) return r;
                std::unique_ptr<pages::ValueNode> node =
                    pages::FormatValue(syntax, value.data(), size, names);
                if (!node) continue;
                out->push_back({name, syntax, node->kind, std::move(node->text)});
            }
        }
    } while (iteration.handle != HALVET_NO_ITERATION);
    return 0;
}

std::vector<std::string> CollectFields(const std::vector<ExportObject>& objects)
{
    // Tree name + tab + class, each once in the order first met.
    std::vector<std::pair<std::string, std::string>> keys;
    std::unordered_set<std::string> seenKeys;
    for (const ExportObject& object : objects) {
        pages::DirectorySession session(object.treeName, object.nameContext);
        pages::ValueList classes;
        if (session.ReadValueList(object.objectName.c_str(), "Object Class", classes) != 0) continue;
        for (const pages::ValueNode& cls : classes) {
            if (seenKeys.insert(object.treeName + '\t' + cls.text).second)
                keys.emplace_back(object.treeName, cls.text);
        }
    }
    std::vector<std::string> fields;
    std::unordered_set<std::string> seenFields;
    for (const auto& key : keys) {
        pages::DirectorySession schema(key.first, "[Root]");
        std::vector<ClassAttribute> attributes;
        ReadClassAttributes(schema, key.second.c_str(), &attributes);
        for (const ClassAttribute& attribute : attributes) {
            if (IsExportableSyntax(attribute.syntax) && seenFields.insert(attribute.name).second)
                fields.push_back(attribute.name);
        }
    }
    return fields;
}

void ExportObjects(const std::vector<ExportObject>& objects, const std::vector<std::string>& fields,
                   const std::function<void(const std::string&)>& write)
{
    std::string out;
    AppendLine(out, fields);
    // The first field of a name takes its values.
    std::unordered_map<std::string, std::size_t> column;
    for (std::size_t i = 0; i < fields.size(); ++i) column.emplace(fields[i], i);

    // Objects of one tree and name context share one session.
    std::unique_ptr<pages::DirectorySession> session;
    std::vector<std::string> cells(fields.size());
    std::vector<NamedValue> values;
    for (const ExportObject& object : objects) {
        if (!session || session->TreeName() != object.treeName ||
            session->NameContext() != object.nameContext)
            session = std::make_unique<pages::DirectorySession>(object.treeName, object.nameContext);
        values.clear();
        if (ReadValueLists(*session, object.objectName.c_str(), fields, &values) != 0) continue;
        for (std::string& cell : cells) cell.clear();
        for (NamedValue& value : values) {
            auto found = column.find(value.attribute);
            if (found == column.end()) continue;
            if (value.kind != pages::ValueKind::Text && value.kind != pages::ValueKind::TypedName)
                continue;
            std::string& cell = cells[found->second];
            if (!cell.empty()) cell += ", ";
            cell += value.text;
        }
        AppendLine(out, cells);
        if (out.size() >= kFlushSize) {
            write(out);
            out.clear();
        }
    }
    if (!out.empty()) write(out);
}

}  // namespace csv
}  // namespace orrel
