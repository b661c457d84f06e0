#include "image_json.h"

#include <set>

#include <halvet/dirtypes.h>

#include "names.h"
#include "values.h"

namespace orrel::dirstore {

namespace {

struct Refused {
    std::string why;
};

[[noreturn]] void Refuse(const std::string& why)
{
    throw Refused{why};
}

const Json& Need(const Json& j, const char* member, const std::string& where)
{
    auto it = j.find(member);
    if (it == j.end()) Refuse(where + ": member '" + member + "' is missing");
    return *it;
}

const Json* Opt(const Json& j, const char* member)
{
    auto it = j.find(member);
    return (it == j.end() || it->is_null()) ? nullptr : &*it;
}

std::string String(const Json& j, const std::string& where, size_t maxBytes = kMaxTextBytes)
{
    if (!j.is_string()) Refuse(where + ": a string was expected");
    std::string s = j.get<std::string>();
    if (s.size() > maxBytes) Refuse(where + ": text too long");
    if (s.find('\0') != std::string::npos) Refuse(where + ": text holds a NUL");
    return s;
}

uint64_t Number(const Json& j, const std::string& where, uint64_t max)
{
    if (!j.is_number_integer()) Refuse(where + ": an integer was expected");
    if (!j.is_number_unsigned() && j.get<int64_t>() < 0) Refuse(where + ": negative number");
    uint64_t n = j.get<uint64_t>();
    if (n > max) Refuse(where + ": number out of range");
    return n;
}

bool Bool(const Json& j, const std::string& where)
{
    if (!j.is_boolean()) Refuse(where + ": true or false was expected");
    return j.get<bool>();
}

const Json& Array(const Json& j, const std::string& where, size_t maxItems)
{
    if (!j.is_array()) Refuse(where + ": an array was expected");
    if (j.size() > maxItems) Refuse(where + ": too many items");
    return j;
}

void NeedObject(const Json& j, const std::string& where)
{
    if (!j.is_object()) Refuse(where + ": an object was expected");
}

// Members other than the known ones: kept in extra where allowed, refused elsewhere.
Json Extras(const Json& j, std::initializer_list<const char*> known, const std::string& where,
            bool keep)
{
    Json extra = Json::object();
    for (auto it = j.begin(); it != j.end(); ++it) {
        bool isKnown = false;
        for (const char* k : known) isKnown = isKnown || it.key() == k;
        if (isKnown) continue;
        if (!keep) Refuse(where + ": unknown member '" + it.key().substr(0, 40) + "'");
        extra[it.key()] = it.value();
    }
    return extra;
}

std::string FullName(const Json& j, const std::string& where)
{
    std::string text = String(j, where, kMaxNameChars + 1);
    std::string canonical;
    if (!CanonicalFullName(text, canonical)) Refuse(where + ": malformed name '" + text + "'");
    return canonical;
}

std::string SchemaName(const Json& j, const std::string& where)
{
    std::string name = String(j, where, 64);
    if (!IsValidSchemaName(name)) Refuse(where + ": malformed class or attribute name");
    return name;
}

uint32_t ParseIPv4(const std::string& text, const std::string& where)
{
    uint32_t address = 0;
    int parts = 0;
    size_t i = 0;
    while (parts < 4) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') Refuse(where + ": malformed IPv4 address");
        uint32_t part = 0;
        size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            part = part * 10 + static_cast<uint32_t>(text[i] - '0');
            ++i;
            ++digits;
        }
        if (part > 255) Refuse(where + ": malformed IPv4 address");
        address = (address << 8) | part;
        ++parts;
        if (parts < 4) {
            if (i >= text.size() || text[i] != '.') Refuse(where + ": malformed IPv4 address");
            ++i;
        }
    }
    if (i != text.size()) Refuse(where + ": malformed IPv4 address");
    return address;
}

std::string FormatIPv4(uint32_t a)
{
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 255) + "." +
           std::to_string((a >> 8) & 255) + "." + std::to_string(a & 255);
}

// The image is UTF-8 JSON; the libraries deliver 8-bit text. Characters
// U+0000..U+00FF stand for the bytes 0x00..0xFF; others are refused.
std::string BytesFromUtf8(const std::string& in)
{
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < in.size()) {
            unsigned char d = static_cast<unsigned char>(in[++i]);
            out += static_cast<char>(((c & 0x03) << 6) | (d & 0x3F));
        } else {
            Refuse("text holds a character beyond U+00FF");
        }
    }
    return out;
}

std::string Utf8FromBytes(const std::string& in)
{
    std::string out;
    out.reserve(in.size());
    for (char ch : in) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Converts every string and member name of a document (depth already limited).
Json ConvertStrings(const Json& j, std::string (*convert)(const std::string&))
{
    if (j.is_string()) return convert(j.get_ref<const std::string&>());
    if (j.is_array()) {
        Json out = Json::array();
        for (const Json& item : j) out.push_back(ConvertStrings(item, convert));
        return out;
    }
    if (j.is_object()) {
        Json out = Json::object();
        for (auto it = j.begin(); it != j.end(); ++it) {
            std::string key = convert(it.key());
            if (out.contains(key)) Refuse("member '" + key.substr(0, 40) + "' given twice");
            out[key] = ConvertStrings(it.value(), convert);
        }
        return out;
    }
    return j;
}

// ConvertStrings in place: strings are replaced where they are, and an object
// is rebuilt only when one of its member names changes (a name that
// converts to itself cannot meet another name it did not meet in the text).
void ConvertStringsInPlace(Json& j, std::string (*convert)(const std::string&))
{
    if (j.is_string()) {
        std::string& text = j.get_ref<std::string&>();
        text = convert(text);
        return;
    }
    if (j.is_array()) {
        for (Json& item : j) ConvertStringsInPlace(item, convert);
        return;
    }
    if (!j.is_object()) return;
    bool namesKept = true;
    for (auto it = j.begin(); it != j.end() && namesKept; ++it) namesKept = convert(it.key()) == it.key();
    if (!namesKept) {
        j = ConvertStrings(j, convert);
        return;
    }
    for (auto it = j.begin(); it != j.end(); ++it) ConvertStringsInPlace(it.value(), convert);
}

const char* const kFlagNames[] = {"alias", "partitionRoot", "container", "containerAlias"};
const char* const kFeatureNames[] = {"suballocation", "compression", "migration", "auditing", "readOnly"};
const char* const kListNames[kClassListCount] = {"superClasses", "containment", "naming", "mandatory",
                                                 "optional"};
const char* const kUsageNames[] = {"totalBlocks", "freeBlocks", "purgeableBlocks",
                                   "notYetPurgeableBlocks", "totalDirEntries", "availableDirEntries",
                                   nullptr, "sectorsPerBlock"};
struct ExtendedField {
    const char* name;
    int index;
};
const ExtendedField kExtendedFields[] = {{"volumeType", 0}, {"sizeUnit", 2}, {"sectorSize", 3},
                                         {"totalUnits", 4}, {"freeUnits", 5},
                                         {"dataBeforeCompression", 18}, {"dataAfterCompression", 19}};

void ParseSchema(const Json& j, Tree& tree, const std::string& where)
{
    NeedObject(j, where);
    Extras(j, {"attributes", "classes"}, where, false);
    const Json& attrs = Array(Need(j, "attributes", where), where + ".attributes", 4096);
    for (size_t i = 0; i < attrs.size(); ++i) {
        std::string w = where + ".attributes[" + std::to_string(i) + "]";
        const Json& a = attrs[i];
        NeedObject(a, w);
        Extras(a, {"name", "syntax", "singleValued", "sized", "lower", "upper"}, w, false);
        AttrDef def;
        def.name = SchemaName(Need(a, "name", w), w + ".name");
        def.syntax = static_cast<uint32_t>(Number(Need(a, "syntax", w), w + ".syntax", HALVET_SYNTAX_MAX));
        if (auto* m = Opt(a, "singleValued")) def.singleValued = Bool(*m, w + ".singleValued");
        if (auto* m = Opt(a, "sized")) def.sized = Bool(*m, w + ".sized");
        if (auto* m = Opt(a, "lower")) def.lower = static_cast<uint32_t>(Number(*m, w, 0xFFFFFFFFu));
        if (auto* m = Opt(a, "upper")) def.upper = static_cast<uint32_t>(Number(*m, w, 0xFFFFFFFFu));
        if (tree.FindAttr(def.name)) Refuse(w + ": attribute '" + def.name + "' defined twice");
        tree.attrDefs.push_back(def);
        tree.attrIndex.emplace(Lower(def.name), tree.attrDefs.size() - 1);
    }
    const Json& classes = Array(Need(j, "classes", where), where + ".classes", 4096);
    for (size_t i = 0; i < classes.size(); ++i) {
        std::string w = where + ".classes[" + std::to_string(i) + "]";
        const Json& c = classes[i];
        NeedObject(c, w);
        Extras(c, {"name", "container", "superClasses", "containment", "naming", "mandatory", "optional"},
               w, false);
        ClassDef def;
        def.name = SchemaName(Need(c, "name", w), w + ".name");
        if (auto* m = Opt(c, "container")) def.container = Bool(*m, w + ".container");
        for (int l = 0; l < kClassListCount; ++l) {
            const Json* list = Opt(c, kListNames[l]);
            if (!list) continue;
            std::string lw = w + "." + kListNames[l];
            Array(*list, lw, 1024);
            for (const Json& n : *list) def.lists[l].push_back(SchemaName(n, lw));
        }
        if (tree.FindClass(def.name)) Refuse(w + ": class '" + def.name + "' defined twice");
        tree.classDefs.push_back(def);
        tree.classIndex.emplace(Lower(def.name), tree.classDefs.size() - 1);
    }
    // Every name a class refers to is defined; super classes have no cycle.
    for (const ClassDef& c : tree.classDefs) {
        for (int l = 0; l < kClassListCount; ++l) {
            for (const std::string& n : c.lists[l]) {
                bool isClass = l == kSuperClasses || l == kContainment;
                if (isClass ? !tree.FindClass(n) : !tree.FindAttr(n))
                    Refuse(where + ": class '" + c.name + "' refers to undefined '" + n + "'");
            }
        }
        std::set<std::string> seen;
        std::vector<const ClassDef*> todo{&c};
        while (!todo.empty()) {
            const ClassDef* cur = todo.back();
            todo.pop_back();
            for (const std::string& s : cur->lists[kSuperClasses]) {
                if (EqualNoCase(s, c.name)) Refuse(where + ": class '" + c.name + "' is its own super class");
                if (seen.insert(Lower(s)).second) todo.push_back(tree.FindClass(s));
            }
        }
    }
}

void ParseObjects(const Json& j, Tree& tree, const std::string& where)
{
    Array(j, where, kMaxObjectsPerTree);
    tree.objects.reserve(j.size());
    for (size_t i = 0; i < j.size(); ++i) {
        std::string w = where + "[" + std::to_string(i) + "]";
        const Json& o = j[i];
        NeedObject(o, w);
        Object obj;
        obj.extra = Extras(o, {"name", "class", "flags", "modified", "attributes"}, w, true);
        obj.name = FullName(Need(o, "name", w), w + ".name");
        obj.cls = SchemaName(Need(o, "class", w), w + ".class");
        if (!tree.FindClass(obj.cls)) Refuse(w + ": undefined class '" + obj.cls + "'");
        if (auto* flags = Opt(o, "flags")) {
            Array(*flags, w + ".flags", 8);
            for (const Json& f : *flags) {
                std::string name = String(f, w + ".flags", 32);
                bool known = false;
                for (int b = 0; b < 4; ++b) {
                    if (name == kFlagNames[b]) {
                        obj.flags |= 1u << b;
                        known = true;
                    }
                }
                if (!known) Refuse(w + ": unknown flag '" + name + "'");
            }
        }
        if (auto* m = Opt(o, "modified")) obj.modified = static_cast<uint32_t>(Number(*m, w + ".modified", 0xFFFFFFFFu));
        if (auto* attrs = Opt(o, "attributes")) {
            NeedObject(*attrs, w + ".attributes");
            for (auto it = attrs->begin(); it != attrs->end(); ++it) {
                std::string aw = w + ".attributes['" + it.key().substr(0, 40) + "']";
                if (!IsValidSchemaName(it.key())) Refuse(aw + ": malformed attribute name");
                const AttrDef* def = tree.FindAttr(it.key());
                if (!def) Refuse(aw + ": undefined attribute");
                if (obj.Find(it.key())) Refuse(aw + ": attribute given twice");
                const Json& values = Array(it.value(), aw, kMaxValuesPerAttribute);
                if (values.empty()) Refuse(aw + ": no values");
                if (def->singleValued && values.size() > 1) Refuse(aw + ": several values of a single-valued attribute");
                Attribute attr;
                attr.name = def->name;
                for (size_t v = 0; v < values.size(); ++v) {
                    Value value;
                    std::string why;
                    if (!ValueFromJson(def->syntax, values[v], value, why) ||
                        (why = "value does not fit its syntax", CheckValue(*def, value) != HALVET_OK))
                        Refuse(aw + "[" + std::to_string(v) + "]: " + why);
                    attr.values.push_back(std::move(value));
                }
                obj.attrs.push_back(std::move(attr));
            }
        }
        std::string key = Lower(obj.name);
        if (tree.objectIndex.count(key)) Refuse(w + ": object '" + obj.name + "' given twice");
        tree.objects.push_back(std::move(obj));
        tree.objectIndex.emplace(key, tree.objects.size() - 1);
    }
    // Every object below another sits below a container.
    for (const Object& obj : tree.objects) {
        std::string parent = ParentOf(obj.name);
        if (parent.empty()) continue;
        const Object* p = tree.FindObject(parent);
        if (!p) Refuse(where + ": '" + obj.name + "' has no parent object");
        if (!(p->flags & HALVET_ENTRY_CONTAINER))
            Refuse(where + ": the parent of '" + obj.name + "' is not a container");
    }
}

void ParseVolume(const Json& j, Volume& vol, const std::string& w)
{
    NeedObject(j, w);
    Extras(j, {"name", "number", "object", "usage", "extended", "nameSpaces"}, w, false);
    vol.name = String(Need(j, "name", w), w + ".name", 16);
    if (vol.name.empty() || vol.name.find_first_of(" .\\/:") != std::string::npos)
        Refuse(w + ": malformed volume name");
    vol.number = static_cast<uint32_t>(Number(Need(j, "number", w), w + ".number", 255));
    if (auto* m = Opt(j, "object")) vol.object = FullName(*m, w + ".object");
    if (auto* u = Opt(j, "usage")) {
        NeedObject(*u, w + ".usage");
        for (auto it = u->begin(); it != u->end(); ++it) {
            int index = -1;
            for (int f = 0; f < 8; ++f)
                if (kUsageNames[f] && it.key() == kUsageNames[f]) index = f;
            if (index < 0) Refuse(w + ".usage: unknown member '" + it.key().substr(0, 40) + "'");
            vol.usage[index] = static_cast<uint32_t>(Number(it.value(), w + ".usage", 0xFFFFFFFFu));
        }
    }
    if (auto* x = Opt(j, "extended")) {
        NeedObject(*x, w + ".extended");
        for (auto it = x->begin(); it != x->end(); ++it) {
            if (it.key() == "features") {
                Array(it.value(), w + ".extended.features", 8);
                for (const Json& f : it.value()) {
                    std::string name = String(f, w + ".extended.features", 32);
                    bool known = false;
                    for (int b = 0; b < 5; ++b) {
                        if (name == kFeatureNames[b]) {
                            vol.extended[1] |= 1u << b;
                            known = true;
                        }
                    }
                    if (!known) Refuse(w + ": unknown feature '" + name + "'");
                }
                continue;
            }
            int index = -1;
            for (const ExtendedField& f : kExtendedFields)
                if (it.key() == f.name) index = f.index;
            if (index < 0) Refuse(w + ".extended: unknown member '" + it.key().substr(0, 40) + "'");
            vol.extended[index] = static_cast<uint32_t>(Number(it.value(), w + ".extended", 0xFFFFFFFFu));
        }
    }
    if (auto* ns = Opt(j, "nameSpaces")) {
        Array(*ns, w + ".nameSpaces", 16);
        for (const Json& n : *ns) vol.nameSpaces.push_back(static_cast<uint8_t>(Number(n, w + ".nameSpaces", 255)));
    }
}

void ParseServers(const Json& j, Image& image)
{
    Array(j, "servers", 1024);
    for (size_t i = 0; i < j.size(); ++i) {
        std::string w = "servers[" + std::to_string(i) + "]";
        const Json& s = j[i];
        NeedObject(s, w);
        Server srv;
        srv.extra = Extras(s, {"name", "tree", "object", "address", "version", "maxConnections",
                               "advertised", "volumes", "connections"},
                           w, true);
        srv.name = String(Need(s, "name", w), w + ".name", HALVET_MAX_SERVER_NAME_CHARS);
        if (srv.name.empty() || srv.name.find_first_of(" .\\/:*?\"<>|") != std::string::npos)
            Refuse(w + ": malformed server name");
        for (char c : srv.name)
            if (static_cast<unsigned char>(c) < 0x20) Refuse(w + ": malformed server name");
        if (image.FindServer(srv.name)) Refuse(w + ": server '" + srv.name + "' given twice");
        std::string tree = String(Need(s, "tree", w), w + ".tree", 64);
        const Tree* t = image.FindTree(tree);
        if (!t) Refuse(w + ": unknown tree '" + tree + "'");
        srv.tree = t->name;
        if (auto* m = Opt(s, "object")) srv.object = FullName(*m, w + ".object");
        srv.address = ParseIPv4(String(Need(s, "address", w), w + ".address", 15), w + ".address");
        if (auto* v = Opt(s, "version")) {
            NeedObject(*v, w + ".version");
            Extras(*v, {"major", "minor", "revision"}, w + ".version", false);
            const char* parts[] = {"major", "minor", "revision"};
            for (int p = 0; p < 3; ++p)
                if (auto* m = Opt(*v, parts[p])) srv.version[p] = static_cast<uint8_t>(Number(*m, w + ".version", 255));
        }
        if (auto* m = Opt(s, "maxConnections"))
            srv.maxConnections = static_cast<uint32_t>(Number(*m, w + ".maxConnections", 65535));
        if (auto* adv = Opt(s, "advertised")) {
            srv.hasAdvertised = true;
            Array(*adv, w + ".advertised", 1024);
            for (const Json& a : *adv) {
                NeedObject(a, w + ".advertised");
                Extras(a, {"type", "name"}, w + ".advertised", false);
                Advertised entry;
                entry.type = static_cast<uint32_t>(Number(Need(a, "type", w), w + ".advertised.type", 65535));
                entry.name = String(Need(a, "name", w), w + ".advertised.name", 47);
                if (entry.name.empty()) Refuse(w + ".advertised: empty name");
                srv.advertised.push_back(entry);
            }
        }
        if (auto* vols = Opt(s, "volumes")) {
            Array(*vols, w + ".volumes", 256);
            for (size_t v = 0; v < vols->size(); ++v) {
                Volume vol;
                ParseVolume((*vols)[v], vol, w + ".volumes[" + std::to_string(v) + "]");
                for (const Volume& other : srv.volumes)
                    if (EqualNoCase(other.name, vol.name) || other.number == vol.number)
                        Refuse(w + ": volume '" + vol.name + "' given twice");
                srv.volumes.push_back(vol);
            }
        }
        if (auto* conns = Opt(s, "connections")) {
            Array(*conns, w + ".connections", 65535);
            for (const Json& c : *conns) {
                std::string cw = w + ".connections";
                NeedObject(c, cw);
                Extras(c, {"number", "user", "acceptsMessages"}, cw, false);
                ServerConnection conn;
                conn.number = static_cast<uint32_t>(Number(Need(c, "number", cw), cw + ".number", 65535));
                if (conn.number == 0) Refuse(cw + ": connection number 0");
                conn.user = FullName(Need(c, "user", cw), cw + ".user");
                if (auto* m = Opt(c, "acceptsMessages")) conn.acceptsMessages = Bool(*m, cw + ".acceptsMessages");
                for (const ServerConnection& other : srv.connections)
                    if (other.number == conn.number) Refuse(cw + ": connection number given twice");
                srv.connections.push_back(conn);
            }
        }
        image.servers.push_back(std::move(srv));
    }
}

void ParseWorkstation(const Json& j, Image& image)
{
    const std::string w = "workstation";
    NeedObject(j, w);
    Workstation& ws = image.workstation;
    ws.extra = Extras(j, {"defaultTree", "identities", "connectionRefs", "requesterVersion"}, w, true);
    if (auto* m = Opt(j, "defaultTree")) {
        std::string tree = String(*m, w + ".defaultTree", 64);
        const Tree* t = image.FindTree(tree);
        if (!t) Refuse(w + ": unknown default tree '" + tree + "'");
        ws.defaultTree = t->name;
    }
    if (auto* ids = Opt(j, "identities")) {
        Array(*ids, w + ".identities", 1024);
        for (const Json& i : *ids) {
            std::string iw = w + ".identities";
            NeedObject(i, iw);
            Extras(i, {"tree", "name", "second"}, iw, false);
            Identity id;
            std::string tree = String(Need(i, "tree", iw), iw + ".tree", 64);
            const Tree* t = image.FindTree(tree);
            if (!t) Refuse(iw + ": unknown tree '" + tree + "'");
            id.tree = t->name;
            id.name = FullName(Need(i, "name", iw), iw + ".name");
            if (auto* m = Opt(i, "second")) id.second = FullName(*m, iw + ".second");
            ws.identities.push_back(id);
        }
    }
    if (auto* refs = Opt(j, "connectionRefs")) {
        Array(*refs, w + ".connectionRefs", 1024);
        bool primarySeen = false;
        for (const Json& r : *refs) {
            std::string rw = w + ".connectionRefs";
            NeedObject(r, rw);
            ConnRef ref;
            ref.extra = Extras(r, {"server", "tree", "authState", "primary", "address", "port"}, rw, true);
            std::string server = String(Need(r, "server", rw), rw + ".server", 64);
            const Server* s = image.FindServer(server);
            if (!s) Refuse(rw + ": unknown server '" + server + "'");
            ref.server = s->name;
            ref.tree = s->tree;
            ref.address = s->address;
            if (auto* m = Opt(r, "tree")) {
                std::string tree = String(*m, rw + ".tree", 64);
                const Tree* t = image.FindTree(tree);
                if (!t) Refuse(rw + ": unknown tree '" + tree + "'");
                ref.tree = t->name;
            }
            if (auto* m = Opt(r, "authState")) ref.authState = static_cast<uint32_t>(Number(*m, rw + ".authState", 2));
            if (auto* m = Opt(r, "primary")) ref.primary = Bool(*m, rw + ".primary");
            if (ref.primary && primarySeen) Refuse(rw + ": more than one primary reference");
            primarySeen = primarySeen || ref.primary;
            if (auto* m = Opt(r, "address")) ref.address = ParseIPv4(String(*m, rw + ".address", 15), rw + ".address");
            if (auto* m = Opt(r, "port")) ref.port = static_cast<uint16_t>(Number(*m, rw + ".port", 65535));
            ws.refs.push_back(std::move(ref));
        }
    }
    if (auto* v = Opt(j, "requesterVersion")) {
        NeedObject(*v, w + ".requesterVersion");
        Extras(*v, {"major", "minor", "revision"}, w + ".requesterVersion", false);
        if (auto* m = Opt(*v, "major")) ws.requester[0] = static_cast<uint8_t>(Number(*m, w, 255));
        if (auto* m = Opt(*v, "minor")) ws.requester[1] = static_cast<uint8_t>(Number(*m, w, 255));
        if (auto* m = Opt(*v, "revision")) ws.requesterRevision = static_cast<uint16_t>(Number(*m, w, 65535));
    }
}

// The identities name objects of their trees.
void CheckNames(const Image& image)
{
    for (const Identity& id : image.workstation.identities) {
        const Tree* t = image.FindTree(id.tree);
        if (!t->FindObject(id.name)) Refuse("workstation.identities: no object '" + id.name + "'");
        if (!id.second.empty() && !t->FindObject(id.second))
            Refuse("workstation.identities: no object '" + id.second + "'");
    }
}

// Whether any value of the JSON text sits inside more than kMaxJsonDepth
// containers (brackets inside strings do not count). Malformed text is left
// to the parser.
bool NestedTooDeeply(std::string_view text)
{
    int depth = 0;
    bool inString = false, escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            break;
        case '{':
        case '[':
            if (++depth > kMaxJsonDepth + 1) return true;
            break;
        case '}':
        case ']':
            if (depth > 0) --depth;
            break;
        default:
            break;
        }
    }
    return false;
}

}  // namespace

std::unique_ptr<Image> ParseImage(std::string_view text, std::string& why)
{
    why.clear();
    if (text.size() > kMaxImageBytes) {
        why = "the image is larger than 256 MiB";
        return nullptr;
    }
    try {
        // The depth is checked on the text before parsing: the parser's
        // callback form re-walks the enclosing container at the end of every
        // object, which made a large image quadratic to read.
        if (NestedTooDeeply(text)) Refuse("JSON nested too deeply");
        Json root = Json::parse(text.begin(), text.end(), nullptr, true, false);
        ConvertStringsInPlace(root, BytesFromUtf8);
        NeedObject(root, "image");
        auto image = std::make_unique<Image>();
        image->extra = Extras(root, {"format", "version", "trees", "servers", "workstation"}, "image", true);
        if (String(Need(root, "format", "image"), "format", 64) != "orrel-directory-image")
            Refuse("format: not an Orrel directory image");
        if (Number(Need(root, "version", "image"), "version", 1000) != 1) Refuse("version: only version 1 is read");
        const Json& trees = Array(Need(root, "trees", "image"), "trees", 64);
        if (trees.empty()) Refuse("trees: at least one tree is needed");
        for (size_t i = 0; i < trees.size(); ++i) {
            std::string w = "trees[" + std::to_string(i) + "]";
            const Json& t = trees[i];
            NeedObject(t, w);
            Tree tree;
            tree.extra = Extras(t, {"name", "schema", "objects"}, w, true);
            tree.name = String(Need(t, "name", w), w + ".name", 64);
            if (!IsValidTreeName(tree.name)) Refuse(w + ": malformed tree name '" + tree.name + "'");
            if (image->FindTree(tree.name)) Refuse(w + ": tree '" + tree.name + "' given twice");
            ParseSchema(Need(t, "schema", w), tree, w + ".schema");
            if (auto* objects = Opt(t, "objects")) ParseObjects(*objects, tree, w + ".objects");
            tree.Reindex();
            image->trees.push_back(std::move(tree));
        }
        if (auto* servers = Opt(root, "servers")) ParseServers(*servers, *image);
        if (auto* ws = Opt(root, "workstation")) ParseWorkstation(*ws, *image);
        if (image->workstation.defaultTree.empty()) image->workstation.defaultTree = image->trees[0].name;
        if (!image->workstation.refs.empty()) {
            bool anyPrimary = false;
            for (const ConnRef& r : image->workstation.refs) anyPrimary = anyPrimary || r.primary;
            if (!anyPrimary) image->workstation.refs[0].primary = true;
        }
        CheckNames(*image);
        return image;
    } catch (const Refused& r) {
        why = r.why;
    } catch (const nlohmann::json::exception& e) {
        why = std::string("not valid JSON: ") + e.what();
    } catch (const std::exception& e) {
        why = std::string("the image cannot be read: ") + e.what();
    }
    return nullptr;
}

std::string SerializeImage(const Image& image, bool compact)
{
    Json root = Json::object();
    root["format"] = "orrel-directory-image";
    root["version"] = 1;
    Json trees = Json::array();
    for (const Tree& t : image.trees) {
        Json tree = Json::object();
        tree["name"] = t.name;
        Json attrs = Json::array();
        for (const AttrDef& a : t.attrDefs) {
            Json def = {{"name", a.name}, {"syntax", a.syntax}};
            if (a.singleValued) def["singleValued"] = true;
            if (a.sized) def["sized"] = true;
            // Bounds are kept whether or not they are enforced: a save must
            // not change what a later read of the definition reports.
            if (a.sized || a.lower != 0) def["lower"] = a.lower;
            if (a.sized || a.upper != 0) def["upper"] = a.upper;
            attrs.push_back(def);
        }
        Json classes = Json::array();
        for (const ClassDef& c : t.classDefs) {
            Json def = {{"name", c.name}, {"container", c.container}};
            for (int l = 0; l < kClassListCount; ++l)
                if (!c.lists[l].empty()) def[kListNames[l]] = c.lists[l];
            classes.push_back(def);
        }
        tree["schema"] = {{"attributes", attrs}, {"classes", classes}};
        Json objects = Json::array();
        for (const Object& o : t.objects) {
            Json obj = {{"name", o.name}, {"class", o.cls}};
            Json flags = Json::array();
            for (int b = 0; b < 4; ++b)
                if (o.flags & (1u << b)) flags.push_back(kFlagNames[b]);
            if (!flags.empty()) obj["flags"] = flags;
            if (o.modified) obj["modified"] = o.modified;
            Json values = Json::object();
            for (const Attribute& a : o.attrs) {
                Json list = Json::array();
                for (const Value& v : a.values) list.push_back(ValueToJson(v));
                values[a.name] = list;
            }
            obj["attributes"] = values;
            for (auto it = o.extra.begin(); it != o.extra.end(); ++it) obj[it.key()] = it.value();
            objects.push_back(obj);
        }
        tree["objects"] = objects;
        for (auto it = t.extra.begin(); it != t.extra.end(); ++it) tree[it.key()] = it.value();
        trees.push_back(tree);
    }
    root["trees"] = trees;
    Json servers = Json::array();
    for (const Server& s : image.servers) {
        Json srv = {{"name", s.name}, {"tree", s.tree}};
        if (!s.object.empty()) srv["object"] = s.object;
        srv["address"] = FormatIPv4(s.address);
        srv["version"] = {{"major", s.version[0]}, {"minor", s.version[1]}, {"revision", s.version[2]}};
        srv["maxConnections"] = s.maxConnections;
        if (s.hasAdvertised) {
            Json adv = Json::array();
            for (const Advertised& a : s.advertised) adv.push_back({{"type", a.type}, {"name", a.name}});
            srv["advertised"] = adv;
        }
        Json vols = Json::array();
        for (const Volume& v : s.volumes) {
            Json vol = {{"name", v.name}, {"number", v.number}};
            if (!v.object.empty()) vol["object"] = v.object;
            Json usage = Json::object();
            for (int f = 0; f < 8; ++f)
                if (kUsageNames[f]) usage[kUsageNames[f]] = v.usage[f];
            vol["usage"] = usage;
            Json ext = Json::object();
            Json features = Json::array();
            for (int b = 0; b < 5; ++b)
                if (v.extended[1] & (1u << b)) features.push_back(kFeatureNames[b]);
            ext["features"] = features;
            for (const ExtendedField& f : kExtendedFields) ext[f.name] = v.extended[f.index];
            vol["extended"] = ext;
            Json ns = Json::array();
            for (uint8_t n : v.nameSpaces) ns.push_back(n);
            vol["nameSpaces"] = ns;
            vols.push_back(vol);
        }
        srv["volumes"] = vols;
        Json conns = Json::array();
        for (const ServerConnection& c : s.connections)
            conns.push_back({{"number", c.number}, {"user", c.user}, {"acceptsMessages", c.acceptsMessages}});
        srv["connections"] = conns;
        for (auto it = s.extra.begin(); it != s.extra.end(); ++it) srv[it.key()] = it.value();
        servers.push_back(srv);
    }
    root["servers"] = servers;
    const Workstation& ws = image.workstation;
    Json wsj = {{"defaultTree", ws.defaultTree}};
    Json ids = Json::array();
    for (const Identity& id : ws.identities) {
        Json i = {{"tree", id.tree}, {"name", id.name}};
        if (!id.second.empty()) i["second"] = id.second;
        ids.push_back(i);
    }
    wsj["identities"] = ids;
    Json refs = Json::array();
    for (const ConnRef& r : ws.refs) {
        Json ref = {{"server", r.server}, {"tree", r.tree}, {"authState", r.authState}, {"primary", r.primary},
                    {"address", FormatIPv4(r.address)}, {"port", r.port}};
        for (auto it = r.extra.begin(); it != r.extra.end(); ++it) ref[it.key()] = it.value();
        refs.push_back(ref);
    }
    wsj["connectionRefs"] = refs;
    wsj["requesterVersion"] = {{"major", ws.requester[0]}, {"minor", ws.requester[1]},
                               {"revision", ws.requesterRevision}};
    for (auto it = ws.extra.begin(); it != ws.extra.end(); ++it) wsj[it.key()] = it.value();
    root["workstation"] = wsj;
    for (auto it = image.extra.begin(); it != image.extra.end(); ++it) root[it.key()] = it.value();
    return ConvertStrings(root, Utf8FromBytes).dump(compact ? -1 : 2);
}

}  // namespace orrel::dirstore
