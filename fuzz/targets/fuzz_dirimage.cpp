// The directory image as the stand-in client libraries read it from disk: any
// bytes are refused with a reason or accepted, never a crash, leak or
// undefined behaviour. An accepted image is listed and read the way the
// libraries serve it (names resolved, every value written as the record
// GetAttrVal hands out and read back, and that record shown by the pages'
// formatter), and written out and read again: the reloaded image is the same
// model and writes the very same text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <halvet/dirtypes.h>

#include "fuzz_check.h"
#include "image_json.h"
#include "model.h"
#include "names.h"
#include "orrel/pages/valueformat.h"
#include "store.h"
#include "values.h"

using namespace orrel::dirstore;

namespace {

// Objects and values looked at closely per input: enough to reach every
// path, few enough to keep an execution short.
constexpr size_t kObjectsRead = 64;

// Every label of a loaded image names itself: no type prefix, no "[Root]".
bool ResolvesAsWritten(std::string_view label)
{
    return label.find('=') == std::string_view::npos && !IsRootName(label);
}

bool NameResolvesAsWritten(const std::string& fullName)
{
    std::vector<std::string> labels;
    if (!SplitName(fullName, labels)) return false;
    for (const std::string& label : labels)
        if (!ResolvesAsWritten(label)) return false;
    return true;
}

bool SameBounds(const AttrDef& saved, const AttrDef& reloaded)
{
    return saved.lower == reloaded.lower && saved.upper == reloaded.upper;
}

[[noreturn]] void Fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "dirimage: %s: %s\n", what, detail.substr(0, 400).c_str());
    std::abort();
}

bool SameValue(const Value& a, const Value& b)
{
    return a.syntax == b.syntax && a.s1 == b.s1 && a.s2 == b.s2 && a.strings == b.strings &&
           a.octets == b.octets && a.bytes == b.bytes && a.n1 == b.n1 && a.n2 == b.n2;
}

// Field-by-field equality of two models; says where they differ.
std::string Difference(const Image& a, const Image& b)
{
    if (a.extra != b.extra) return "image extras";
    if (a.trees.size() != b.trees.size()) return "tree count";
    for (size_t t = 0; t < a.trees.size(); ++t) {
        const Tree& x = a.trees[t];
        const Tree& y = b.trees[t];
        const std::string w = "tree " + x.name + ": ";
        if (x.name != y.name || x.extra != y.extra) return w + "name or extras";
        if (x.attrDefs.size() != y.attrDefs.size()) return w + "attribute definition count";
        for (size_t i = 0; i < x.attrDefs.size(); ++i) {
            const AttrDef& p = x.attrDefs[i];
            const AttrDef& q = y.attrDefs[i];
            if (p.name != q.name || p.syntax != q.syntax || p.singleValued != q.singleValued ||
                p.sized != q.sized || !SameBounds(p, q))
                return w + "attribute definition " + p.name + " (lower " + std::to_string(p.lower) +
                       "/" + std::to_string(q.lower) + ", upper " + std::to_string(p.upper) + "/" +
                       std::to_string(q.upper) + ", sized " + std::to_string(p.sized) + ")";
        }
        if (x.classDefs.size() != y.classDefs.size()) return w + "class definition count";
        for (size_t i = 0; i < x.classDefs.size(); ++i) {
            const ClassDef& p = x.classDefs[i];
            const ClassDef& q = y.classDefs[i];
            if (p.name != q.name || p.container != q.container) return w + "class " + p.name;
            for (int l = 0; l < kClassListCount; ++l)
                if (p.lists[l] != q.lists[l]) return w + "list " + std::to_string(l) + " of class " + p.name;
        }
        if (x.objects.size() != y.objects.size()) return w + "object count";
        for (size_t i = 0; i < x.objects.size(); ++i) {
            const Object& p = x.objects[i];
            const Object& q = y.objects[i];
            const std::string ow = w + "object " + p.name + ": ";
            if (p.name != q.name || p.cls != q.cls || p.flags != q.flags || p.modified != q.modified)
                return ow + "name, class, flags or time";
            if (p.extra != q.extra) return ow + "extras";
            if (p.attrs.size() != q.attrs.size()) return ow + "attribute count";
            for (size_t k = 0; k < p.attrs.size(); ++k) {
                if (p.attrs[k].name != q.attrs[k].name) return ow + "attribute " + p.attrs[k].name;
                if (p.attrs[k].values.size() != q.attrs[k].values.size())
                    return ow + "value count of " + p.attrs[k].name;
                for (size_t v = 0; v < p.attrs[k].values.size(); ++v)
                    if (!SameValue(p.attrs[k].values[v], q.attrs[k].values[v]))
                        return ow + "value " + std::to_string(v) + " of " + p.attrs[k].name;
            }
        }
    }
    if (a.servers.size() != b.servers.size()) return "server count";
    for (size_t s = 0; s < a.servers.size(); ++s) {
        const Server& x = a.servers[s];
        const Server& y = b.servers[s];
        const std::string w = "server " + x.name + ": ";
        if (x.name != y.name || x.tree != y.tree || x.object != y.object || x.address != y.address ||
            !std::equal(x.version, x.version + 3, y.version) || x.maxConnections != y.maxConnections)
            return w + "identity";
        if (x.extra != y.extra) return w + "extras";
        if (x.hasAdvertised != y.hasAdvertised || x.advertised.size() != y.advertised.size())
            return w + "advertised names";
        for (size_t i = 0; i < x.advertised.size(); ++i)
            if (x.advertised[i].type != y.advertised[i].type || x.advertised[i].name != y.advertised[i].name)
                return w + "advertised name " + x.advertised[i].name;
        if (x.volumes.size() != y.volumes.size()) return w + "volume count";
        for (size_t i = 0; i < x.volumes.size(); ++i) {
            const Volume& p = x.volumes[i];
            const Volume& q = y.volumes[i];
            if (p.name != q.name || p.number != q.number || p.object != q.object ||
                !std::equal(p.usage, p.usage + 12, q.usage) ||
                !std::equal(p.extended, p.extended + 33, q.extended) || p.nameSpaces != q.nameSpaces)
                return w + "volume " + p.name;
        }
        if (x.connections.size() != y.connections.size()) return w + "connection count";
        for (size_t i = 0; i < x.connections.size(); ++i)
            if (x.connections[i].number != y.connections[i].number ||
                x.connections[i].user != y.connections[i].user ||
                x.connections[i].acceptsMessages != y.connections[i].acceptsMessages)
                return w + "connection " + std::to_string(x.connections[i].number);
    }
    const Workstation& x = a.workstation;
    const Workstation& y = b.workstation;
    if (x.defaultTree != y.defaultTree || x.extra != y.extra ||
        !std::equal(x.requester, x.requester + 3, y.requester) ||
        x.requesterRevision != y.requesterRevision)
        return "workstation";
    if (x.identities.size() != y.identities.size()) return "identity count";
    for (size_t i = 0; i < x.identities.size(); ++i)
        if (x.identities[i].tree != y.identities[i].tree || x.identities[i].name != y.identities[i].name ||
            x.identities[i].second != y.identities[i].second)
            return "identity " + x.identities[i].name;
    if (x.refs.size() != y.refs.size()) return "connection reference count";
    for (size_t i = 0; i < x.refs.size(); ++i) {
        const ConnRef& p = x.refs[i];
        const ConnRef& q = y.refs[i];
        if (p.server != q.server || p.tree != q.tree || p.authState != q.authState ||
            p.primary != q.primary || p.address != q.address || p.port != q.port || p.extra != q.extra)
            return "connection reference to " + p.server;
    }
    return std::string();
}

// One value as GetAttrVal hands it out: the record in a buffer of exactly
// the size ComputeAttrValSize reports (ASan sees any write past it), read
// back as PutAttrVal would take it, and shown by the pages' formatter.
void ReadValue(const Value& value)
{
    const size_t size = RecordSize(value);
    FUZZ_CHECK(size > 0);
    std::unique_ptr<unsigned char[]> record(new unsigned char[size]);
    WriteRecord(value, record.get());

    orrel::pages::RawNameDisplay names;
    // A record the client wrote is well formed: the formatter shows it.
    if (!orrel::pages::FormatValue(value.syntax, record.get(), size, names))
        Fail("the formatter refuses a record the client wrote", "syntax " + std::to_string(value.syntax));

    Value back;
    FUZZ_CHECK(ReadRecord(value.syntax, record.get(), back) == HALVET_OK);
    if (value.syntax == HALVET_SYNTAX_STREAM) return;  // the record of a stream is an empty marker
    // Names are handed out absolute; read back they resolve to the same name.
    FUZZ_CHECK(ResolveValueNames(back, "") == HALVET_OK);
    if (!ValuesEqual(value, back))
        Fail("a value does not survive its record", "syntax " + std::to_string(value.syntax) + ": '" +
                                                        value.s1 + "' / '" + back.s1 + "'");
}

void ReadTree(const Image& image, const Tree& tree)
{
    // The tree is found by its name as servers report it.
    FUZZ_CHECK(image.FindTree(PadTreeName(tree.name)) == &tree);

    // The root: its listing is its subordinate count.
    const ObjectInfo root = InfoOf(tree, nullptr);
    const std::vector<ListEntry> top = ListChildren(tree, "", "", "");
    FUZZ_CHECK(top.size() == root.subordinateCount);
    for (const ListEntry& entry : top) {
        FUZZ_CHECK(IsValidLabel(entry.label));
        FUZZ_CHECK(ResolvesAsWritten(entry.label));
        std::string full;
        FUZZ_CHECK(Locate(tree, "", entry.label, false, full) == HALVET_OK);
        FUZZ_CHECK(EqualNoCase(full, entry.label));
    }
    FUZZ_CHECK(ListChildren(tree, "", "", "*").size() == top.size());

    const std::string identity = image.IdentityOf(tree.name, false);
    const size_t count = std::min(tree.objects.size(), kObjectsRead);
    for (size_t i = 0; i < count; ++i) {
        const Object& object = tree.objects[i];

        // The object's name: leaf and parent make it up again, it is found
        // from the root and from its parent's context, with and without
        // following aliases, and its id is stable.
        const std::string leaf = LeafOf(object.name);
        const std::string parent = ParentOf(object.name);
        FUZZ_CHECK((parent.empty() ? leaf : leaf + "." + parent) == object.name);
        std::string full;
        FUZZ_CHECK(NameResolvesAsWritten(object.name));
        {
            if (Locate(tree, "", "." + object.name, false, full) != HALVET_OK || full != object.name)
                Fail("an object is not found by its own name", object.name + " -> " + full);
            FUZZ_CHECK(Locate(tree, parent, leaf, false, full) == HALVET_OK && full == object.name);
        }
        Locate(tree, "", "." + object.name, true, full);  // aliases, loops included
        FUZZ_CHECK(ObjectId(tree.name, object.name) == ObjectId(PadTreeName(tree.name), Lower(object.name)));
        FUZZ_CHECK(ObjectId(tree.name, object.name) != 0);

        // Listing: the object sits among its parent's children, and its own
        // children are counted in its information.
        bool listed = false;
        for (const ListEntry& entry : ListChildren(tree, parent, object.cls, leaf))
            listed = listed || entry.label == leaf;
        FUZZ_CHECK(listed);
        const ObjectInfo info = InfoOf(tree, &object);
        FUZZ_CHECK(info.subordinateCount == ListChildren(tree, object.name, "", "").size());
        FUZZ_CHECK(info.baseClass == object.cls && info.entryFlags == object.flags);

        // Reading: every attribute and value, and what the schema says of it.
        NamingAttribute(tree, object);
        EffectiveRights(tree, identity, object.name, HALVET_ACL_ENTRY_RIGHTS);
        for (const Attribute& attr : object.attrs) {
            const AttrDef* def = tree.FindAttr(attr.name);
            FUZZ_CHECK(def != nullptr);
            FUZZ_CHECK(!attr.values.empty());
            IsAllowed(tree, object.cls, attr.name);
            IsMandatory(tree, object.cls, attr.name);
            for (const Value& value : attr.values) {
                FUZZ_CHECK(value.syntax == def->syntax);
                FUZZ_CHECK(CheckValue(*def, value) == HALVET_OK);
                ReadValue(value);
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string why;
    std::unique_ptr<Image> image = ParseImage(text, why);
    if (!image) {
        FUZZ_CHECK(!why.empty());  // a refusal always says why
        return 0;
    }
    FUZZ_CHECK(why.empty());
    FUZZ_CHECK(!image->trees.empty());
    FUZZ_CHECK(image->FindTree(image->workstation.defaultTree) != nullptr);

    for (const Tree& tree : image->trees) ReadTree(*image, tree);

    // Save and reload: the same model, and the same text once more.
    const std::string saved = SerializeImage(*image);
    std::unique_ptr<Image> reloaded = ParseImage(saved, why);
    if (!reloaded) Fail("the saved image is refused", why);
    const std::string difference = Difference(*image, *reloaded);
    if (!difference.empty()) Fail("the reloaded image differs", difference);
    if (SerializeImage(*reloaded) != saved) Fail("the reloaded image writes other text", "");
    return 0;
}
