#include "store.h"

#include <set>

#include <halvet/dirtypes.h>

#include "names.h"
#include "values.h"

namespace orrel::dirstore {

namespace {

// The class and its super classes, transitively (cycles were refused on load).
std::vector<const ClassDef*> ClassChain(const Tree& tree, std::string_view cls)
{
    std::vector<const ClassDef*> chain;
    std::set<std::string> seen;
    std::vector<std::string> todo{std::string(cls)};
    while (!todo.empty()) {
        std::string name = todo.back();
        todo.pop_back();
        if (!seen.insert(Lower(name)).second) continue;
        const ClassDef* def = tree.FindClass(name);
        if (!def) continue;
        chain.push_back(def);
        for (const std::string& s : def->lists[kSuperClasses]) todo.push_back(s);
    }
    return chain;
}

bool InLists(const Tree& tree, std::string_view cls, std::string_view attr,
             std::initializer_list<ClassList> lists)
{
    for (const ClassDef* def : ClassChain(tree, cls))
        for (ClassList l : lists)
            for (const std::string& a : def->lists[l])
                if (EqualNoCase(a, attr)) return true;
    return false;
}

bool IsAlias(const Object& o)
{
    return (o.flags & (HALVET_ENTRY_ALIAS | HALVET_ENTRY_CONTAINER_ALIAS)) != 0;
}

// The target of an alias, or "" when it has none.
std::string AliasTarget(const Object& o)
{
    const Attribute* a = o.Find("Aliased Object Name");
    if (!a || a->values.empty() || a->values[0].syntax != HALVET_SYNTAX_DIST_NAME) return std::string();
    return a->values[0].s1;
}

}  // namespace

int32_t Locate(const Tree& tree, std::string_view nameContext, std::string_view name, bool deref,
               std::string& full)
{
    int32_t rc = ResolveName(name, nameContext, full);
    if (rc != HALVET_OK) return rc;
    for (int hop = 0; hop <= kMaxAliasHops; ++hop) {
        if (full.empty()) return HALVET_OK;
        if (const Object* o = tree.FindObject(full)) {
            if (!deref || !IsAlias(*o)) {
                full = o->name;
                return HALVET_OK;
            }
            std::string target = AliasTarget(*o);
            if (target.empty()) return HALVET_ERR_NO_SUCH_ENTRY;
            full = target;
            continue;
        }
        // Not there as such: an alias above it may stand for a container.
        std::string prefix = LeafOf(full);
        std::string rest = ParentOf(full);
        bool replaced = false;
        while (!rest.empty()) {
            const Object* o = tree.FindObject(rest);
            if (o) {
                if (deref && IsAlias(*o)) {
                    std::string target = AliasTarget(*o);
                    if (target.empty()) return HALVET_ERR_NO_SUCH_ENTRY;
                    full = prefix + "." + target;
                    if (full.size() > kMaxNameChars) return HALVET_ERR_ILLEGAL_NAME;
                    replaced = true;
                }
                break;
            }
            prefix += "." + LeafOf(rest);
            rest = ParentOf(rest);
        }
        if (!replaced) return HALVET_ERR_NO_SUCH_ENTRY;
    }
    return HALVET_ERR_NO_SUCH_ENTRY;  // an alias loop
}

ObjectInfo InfoOf(const Tree& tree, const Object* object)
{
    ObjectInfo info;
    if (!object) {
        info.entryFlags = HALVET_ENTRY_CONTAINER | HALVET_ENTRY_PARTITION_ROOT;
        info.subordinateCount = static_cast<uint32_t>(tree.ChildrenOf("").size());
        info.baseClass = "Tree Root";
        return info;
    }
    info.entryFlags = object->flags;
    info.subordinateCount = static_cast<uint32_t>(tree.ChildrenOf(object->name).size());
    info.modificationTime = object->modified;
    info.baseClass = object->cls;
    return info;
}

std::vector<ListEntry> ListChildren(const Tree& tree, std::string_view full, std::string_view cls,
                                    std::string_view pattern)
{
    std::vector<ListEntry> out;
    for (size_t index : tree.ChildrenOf(full)) {
        const Object& o = tree.objects[index];
        if (!cls.empty() && !EqualNoCase(o.cls, cls)) continue;
        std::string label = LeafOf(o.name);
        if (!pattern.empty() && !WildcardMatch(pattern, label)) continue;
        ListEntry e;
        e.label = label;
        e.info = InfoOf(tree, &o);
        e.attrCount = static_cast<uint32_t>(o.attrs.size());
        out.push_back(std::move(e));
    }
    return out;
}

bool IsAllowed(const Tree& tree, std::string_view cls, std::string_view attr)
{
    return InLists(tree, cls, attr, {kNaming, kMandatory, kOptional});
}

bool IsMandatory(const Tree& tree, std::string_view cls, std::string_view attr)
{
    return InLists(tree, cls, attr, {kMandatory});
}

const Attribute* NamingAttribute(const Tree& tree, const Object& object)
{
    std::string leaf = LeafOf(object.name);
    for (const ClassDef* def : ClassChain(tree, object.cls)) {
        for (const std::string& n : def->lists[kNaming]) {
            const Attribute* a = object.Find(n);
            if (!a) continue;
            for (const Value& v : a->values)
                if (IsTextSyntax(v.syntax) && EqualNoCase(v.s1, leaf)) return a;
        }
    }
    return nullptr;
}

uint32_t EffectiveRights(const Tree& tree, std::string_view subject, std::string_view full,
                         std::string_view attr)
{
    // Who the subject counts as: itself, its containers, its groups, everyone.
    std::set<std::string> trustees{Lower(HALVET_SUBJECT_PUBLIC)};
    if (!subject.empty() && subject[0] != '[') {
        trustees.insert(Lower(HALVET_SUBJECT_ROOT));
        trustees.insert(Lower(subject));
        for (std::string up = ParentOf(subject); !up.empty(); up = ParentOf(up)) trustees.insert(Lower(up));
        if (const Object* s = tree.FindObject(subject))
            if (const Attribute* groups = s->Find("Group Membership"))
                for (const Value& g : groups->values) trustees.insert(Lower(g.s1));
    }
    bool entry = EqualNoCase(attr, HALVET_ACL_ENTRY_RIGHTS);
    uint32_t rights = 0;
    for (std::string at(full); !at.empty(); at = ParentOf(at)) {
        const Object* o = tree.FindObject(at);
        if (!o) continue;
        for (const Attribute& a : o->attrs) {
            for (const Value& v : a.values) {
                if (v.syntax != HALVET_SYNTAX_OBJECT_ACL || !trustees.count(Lower(v.s2))) continue;
                bool applies = EqualNoCase(v.s1, attr) ||
                               (!entry && EqualNoCase(v.s1, HALVET_ACL_ALL_ATTRIBUTES));
                // Supervisor over the entry is supervisor over all its attributes.
                if (!entry && EqualNoCase(v.s1, HALVET_ACL_ENTRY_RIGHTS) && (v.n1 & HALVET_RIGHT_SUPERVISOR))
                    applies = true, rights |= HALVET_RIGHT_SUPERVISOR;
                if (applies) rights |= v.n1;
            }
        }
    }
    const uint32_t all = HALVET_RIGHT_COMPARE | HALVET_RIGHT_READ | HALVET_RIGHT_WRITE |
                         HALVET_RIGHT_SELF | HALVET_RIGHT_SUPERVISOR;
    if (rights & HALVET_RIGHT_SUPERVISOR) rights |= all;
    return rights & all;
}

int32_t ResolveValueNames(Value& value, std::string_view nameContext)
{
    int32_t rc = HALVET_OK;
    ForEachName(value, [&](std::string& name) {
        if (rc != HALVET_OK) return;
        std::string full;
        if (ResolveName(name, nameContext, full) != HALVET_OK || full.empty())
            rc = HALVET_ERR_SYNTAX_VIOLATION;
        else
            name = full;
    });
    if (value.syntax == HALVET_SYNTAX_OBJECT_ACL) {
        if (EqualNoCase(value.s2, HALVET_SUBJECT_PUBLIC)) value.s2 = HALVET_SUBJECT_PUBLIC;
        if (EqualNoCase(value.s2, HALVET_SUBJECT_ROOT)) value.s2 = HALVET_SUBJECT_ROOT;
    }
    return rc;
}

int32_t ApplyChanges(Tree& tree, std::string_view full, const std::vector<Change>& changes,
                     std::string_view nameContext, std::string_view identity, uint32_t now,
                     const StreamMaker& makeStream)
{
    Object* target = tree.FindObject(full);
    if (!target) return HALVET_ERR_NO_SUCH_ENTRY;
    Object work = *target;
    const Attribute* naming = NamingAttribute(tree, *target);
    std::string namingAttr = naming ? naming->name : std::string();
    std::string leaf = LeafOf(work.name);

    for (const Change& change : changes) {
        const AttrDef* def = tree.FindAttr(change.attr);
        if (!def) return HALVET_ERR_NO_SUCH_ATTRIBUTE;
        uint32_t rights = identity.empty() ? 0 : EffectiveRights(tree, identity, work.name, def->name);
        if (!(rights & (HALVET_RIGHT_WRITE | HALVET_RIGHT_SUPERVISOR))) return HALVET_ERR_NO_ACCESS;
        Attribute* attr = work.Find(def->name);
        bool isNaming = !namingAttr.empty() && EqualNoCase(namingAttr, def->name);

        Value value;
        bool needsValue = change.type == HALVET_CHANGE_ADD_VALUE || change.type == HALVET_CHANGE_REMOVE_VALUE ||
                          change.type == HALVET_CHANGE_OVERWRITE_VALUE;
        if (needsValue) {
            if (!change.hasValue) return HALVET_ERR_INVALID_REQUEST;
            value = change.value;
            if (value.syntax != def->syntax) return HALVET_ERR_SYNTAX_VIOLATION;
            int32_t rc = ResolveValueNames(value, nameContext);
            if (rc != HALVET_OK) return rc;
            if (def->syntax == HALVET_SYNTAX_STREAM && change.type != HALVET_CHANGE_REMOVE_VALUE) {
                if (attr && !attr->values.empty() && change.type == HALVET_CHANGE_OVERWRITE_VALUE &&
                    value.s1.empty()) {
                    value.s1 = attr->values[0].s1;  // an existing stream stays as it is
                } else if (value.s1.empty()) {
                    if (!makeStream) return HALVET_ERR_FATAL;
                    rc = makeStream(value.s1);
                    if (rc != HALVET_OK) return rc;
                }
            }
            if (change.type != HALVET_CHANGE_REMOVE_VALUE) {
                rc = CheckValue(*def, value);
                if (rc != HALVET_OK) return rc;
            }
        }

        switch (change.type) {
        case HALVET_CHANGE_ADD_ATTRIBUTE:
            if (!IsAllowed(tree, work.cls, def->name)) return HALVET_ERR_ILLEGAL_ATTRIBUTE;
            if (!attr) work.attrs.push_back(Attribute{def->name, {}});
            break;
        case HALVET_CHANGE_REMOVE_ATTRIBUTE:
            if (!attr || attr->values.empty()) return HALVET_ERR_NO_SUCH_ATTRIBUTE;
            if (isNaming) return HALVET_ERR_NAMING_VALUE;
            if (IsMandatory(tree, work.cls, def->name)) return HALVET_ERR_MISSING_MANDATORY;
            attr->values.clear();
            break;
        case HALVET_CHANGE_ADD_VALUE:
            if (!IsAllowed(tree, work.cls, def->name)) return HALVET_ERR_ILLEGAL_ATTRIBUTE;
            if (!attr) {
                work.attrs.push_back(Attribute{def->name, {}});
                attr = &work.attrs.back();
            }
            {
                bool present = false;
                for (const Value& v : attr->values) present = present || ValuesEqual(v, value);
                if (!present) {  // values form a set: a duplicate is no change
                    if (attr->values.size() >= kMaxListItems) return HALVET_ERR_INVALID_REQUEST;
                    attr->values.push_back(value);
                }
            }
            break;
        case HALVET_CHANGE_REMOVE_VALUE: {
            if (!attr || attr->values.empty()) return HALVET_ERR_NO_SUCH_ATTRIBUTE;
            size_t i = 0;
            while (i < attr->values.size() && !ValuesEqual(attr->values[i], value)) ++i;
            if (i == attr->values.size()) return HALVET_ERR_NO_SUCH_VALUE;
            if (isNaming && IsTextSyntax(value.syntax) && EqualNoCase(attr->values[i].s1, leaf))
                return HALVET_ERR_NAMING_VALUE;
            attr->values.erase(attr->values.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
        case HALVET_CHANGE_OVERWRITE_VALUE:
            if (!IsAllowed(tree, work.cls, def->name)) return HALVET_ERR_ILLEGAL_ATTRIBUTE;
            if (isNaming && !(IsTextSyntax(value.syntax) && EqualNoCase(value.s1, leaf)))
                return HALVET_ERR_NAMING_VALUE;
            if (!attr) {
                work.attrs.push_back(Attribute{def->name, {}});
                attr = &work.attrs.back();
            }
            attr->values.assign(1, value);
            break;
        default:
            return HALVET_ERR_INVALID_REQUEST;
        }
    }

    // The result must obey the schema: no empty attributes, single values,
    // mandatory attributes that were there still there.
    std::vector<Attribute> kept;
    for (Attribute& a : work.attrs) {
        if (a.values.empty()) continue;
        const AttrDef* def = tree.FindAttr(a.name);
        if (def && def->singleValued && a.values.size() > 1) return HALVET_ERR_SINGLE_VALUED;
        kept.push_back(std::move(a));
    }
    work.attrs = std::move(kept);
    for (const Attribute& before : target->attrs) {
        if (!work.Find(before.name) && IsMandatory(tree, work.cls, before.name))
            return HALVET_ERR_MISSING_MANDATORY;
    }
    work.modified = now;
    *target = std::move(work);
    return HALVET_OK;
}

}  // namespace orrel::dirstore
