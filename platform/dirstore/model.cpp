#include "model.h"

#include "names.h"

namespace orrel::dirstore {

const Attribute* Object::Find(std::string_view attr) const
{
    for (const Attribute& a : attrs)
        if (EqualNoCase(a.name, attr)) return &a;
    return nullptr;
}

Attribute* Object::Find(std::string_view attr)
{
    for (Attribute& a : attrs)
        if (EqualNoCase(a.name, attr)) return &a;
    return nullptr;
}

void Tree::Reindex()
{
    objectIndex.clear();
    children.clear();
    attrIndex.clear();
    classIndex.clear();
    for (size_t i = 0; i < attrDefs.size(); ++i) attrIndex.emplace(Lower(attrDefs[i].name), i);
    for (size_t i = 0; i < classDefs.size(); ++i) classIndex.emplace(Lower(classDefs[i].name), i);
    for (size_t i = 0; i < objects.size(); ++i) {
        objectIndex.emplace(Lower(objects[i].name), i);
        children[Lower(ParentOf(objects[i].name))].push_back(i);
    }
}

const Object* Tree::FindObject(std::string_view fullName) const
{
    auto it = objectIndex.find(Lower(fullName));
    return it == objectIndex.end() ? nullptr : &objects[it->second];
}

Object* Tree::FindObject(std::string_view fullName)
{
    auto it = objectIndex.find(Lower(fullName));
    return it == objectIndex.end() ? nullptr : &objects[it->second];
}

const AttrDef* Tree::FindAttr(std::string_view name) const
{
    auto it = attrIndex.find(Lower(name));
    return it == attrIndex.end() ? nullptr : &attrDefs[it->second];
}

const ClassDef* Tree::FindClass(std::string_view name) const
{
    auto it = classIndex.find(Lower(name));
    return it == classIndex.end() ? nullptr : &classDefs[it->second];
}

const std::vector<size_t>& Tree::ChildrenOf(std::string_view fullName) const
{
    static const std::vector<size_t> none;
    auto it = children.find(Lower(fullName));
    return it == children.end() ? none : it->second;
}

const Tree* Image::FindTree(std::string_view name) const
{
    std::string wanted = UnpadTreeName(name);
    for (const Tree& t : trees)
        if (EqualNoCase(t.name, wanted)) return &t;
    return nullptr;
}

Tree* Image::FindTree(std::string_view name)
{
    return const_cast<Tree*>(static_cast<const Image*>(this)->FindTree(name));
}

const Server* Image::FindServer(std::string_view name) const
{
    for (const Server& s : servers)
        if (EqualNoCase(s.name, name)) return &s;
    return nullptr;
}

std::string Image::IdentityOf(std::string_view tree, bool second) const
{
    std::string wanted = UnpadTreeName(tree);
    for (const Identity& id : workstation.identities) {
        if (!EqualNoCase(id.tree, wanted)) continue;
        return (second && !id.second.empty()) ? id.second : id.name;
    }
    return std::string();
}

}  // namespace orrel::dirstore
